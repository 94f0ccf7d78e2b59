// TOraSQL: a statement without a result set (DML, DDL, PL/SQL blocks with
// output parameters) on a TOraSession, or on the default session when it
// has none. It scans its text with the Oracle lexer and keeps TOraParams,
// whose value objects (LOBs, cursors) it drops when the session goes.
#pragma once

#include <memory>
#include <string>

#include "dacore/sql_component.h"
#include "oracle/param_ora_param.h"

namespace oracle {

class TOraSession;

class TOraSQL : public dacore::TCustomDASQL {
  CLASSLIB_CLASS(TOraSQL, dacore::TCustomDASQL)
 public:
  explicit TOraSQL(classlib::TComponent* owner = nullptr, dacore::TDASQLOwner* data_set = nullptr);

  TOraSession* Session() const;
  void SetSession(TOraSession* session);
  TOraParams& Params() { return static_cast<TOraParams&>(TCustomDASQL::Params()); }
  bool StatementCache() const { return statement_cache_; }
  void SetStatementCache(bool value);
  // Reaches the driver command at once, unless it is executing in the
  // background: then the end of that run is awaited first.
  void SetNonBlocking(bool value) override;
  void SetICommand(dacore::TCRCommand* command) override;
  // Its own session; else the data set's connection when it belongs to
  // one; else the default session while UseDefaultSession is on.
  dacore::TCustomDAConnection* GetUsedConnection() const override;
  // Also NonBlocking.
  void Assign(const classlib::TPersistent* source) override;
  // Each parameter reaches its descriptor with its type, direction,
  // National and Table flags and its array length; the descriptor is the
  // one the parameter's item writes reach. A text or binary parameter's
  // buffer takes its whole value: at least the value's length, or the
  // parameter's own Size when that is larger. LOB, cursor and file
  // parameters pass their value objects.
  void WriteParams(bool with_values) override;

 protected:
  // Without a connection yet, the statement makes an Oracle command of its own.
  void CreateICommand() override;
  // The parameters' value objects let go of the session first.
  void Disconnect() override;
  // The command's statement kind is unknown until the next prepare.
  void SQLChanged(classlib::TObject* sender) override;
  std::unique_ptr<dacore::TParser> CreateParser(const std::string& text) override;
  std::unique_ptr<dacore::TDAParams> CreateParamsObject() override { return std::make_unique<TOraParams>(this); }

 private:
  bool statement_cache_ = false;
};

}  // namespace oracle
