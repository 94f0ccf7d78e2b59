// The SQL trace component of Oracle sessions: Oracle type names and value
// texts of parameters, the product's caption, and the savepoints a session
// sets or rolls back to.
#pragma once

#include <string>

#include "dacore/trace_monitor.h"

namespace oracle {

class TOraSession;

class TOraSQLMonitor : public dacore::TCustomDASQLMonitor {
  CLASSLIB_CLASS(TOraSQLMonitor, dacore::TCustomDASQLMonitor)
 public:
  explicit TOraSQLMonitor(classlib::TComponent* owner = nullptr);
  ~TOraSQLMonitor() override;

  // The first Oracle monitor made and still alive, or nullptr.
  static TOraSQLMonitor* GetMonitor();
  std::string GetCaption() const override { return "ZUKA"; }

  std::string GetParamDataType(const dacore::TDAParam& param) const override;
  std::string GetParamValue(const dacore::TDAParam& param) const override;

  // A session sets a savepoint or rolls back to one (rollback true).
  static void NotifySavepoint(TOraSession& session, const std::string& name, bool rollback);
};

}  // namespace oracle
