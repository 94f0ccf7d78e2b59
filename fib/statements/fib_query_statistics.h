// A database's statistics collector: the statements that run on it record
// how often they were prepared and executed and how long executions took,
// each under its full component name.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>

#include "classlib/component.h"
#include "classlib/variant.h"

namespace fib {

class TFIBDatabase;

class TFIBStatistics : public classlib::TComponent {
  CLASSLIB_CLASS(TFIBStatistics, classlib::TComponent)
 public:
  explicit TFIBStatistics(classlib::TComponent* owner);
  ~TFIBStatistics() override;

  // Starts or stops collecting for `database`; a database has at most one
  // collector, and freeing either ends the attachment.
  void Attach(TFIBDatabase* database);
  TFIBDatabase* Database() const { return database_; }

  // Unassigned when nothing was recorded.
  classlib::Variant Value(const std::string& component, const std::string& name) const;
  void SetValue(const std::string& component, const std::string& name,
                const classlib::Variant& value);
  void Clear();

 protected:
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;

 private:
  mutable std::mutex mutex_;
  TFIBDatabase* database_ = nullptr;
  std::map<std::string, std::map<std::string, classlib::Variant>> values_;
};

// The collector of `database`, nullptr when it has none.
TFIBStatistics* DatabaseStatistics(const TFIBDatabase* database);

// Collectors attached to any database; statements ask on every execution,
// and mostly there is none.
extern std::atomic<int> statistics_collectors;
inline bool AnyStatisticsCollector() {
  return statistics_collectors.load(std::memory_order_acquire) != 0;
}

}  // namespace fib
