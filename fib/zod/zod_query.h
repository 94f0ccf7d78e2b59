// TpZODQuery: the statement the application and the data sets hold. It adds
// a description, and recovery from failed executions: a handler may retry
// the execution, abort silently or let the error through.
#pragma once

#include <string>

#include "classlib/db_types.h"
#include "classlib/event.h"
#include "fib/base/errors.h"
#include "fib/statements/fib_query.h"

namespace fib {

class TpZODQuery;
using TFIBQueryErrorEvent =
    classlib::Event<void(TpZODQuery* query, EFIBError& error, classlib::TDataAction& action)>;

class TpZODQuery : public TFIBQuery {
  CLASSLIB_CLASS(TpZODQuery, TFIBQuery)
 public:
  explicit TpZODQuery(classlib::TComponent* owner);

  const std::string& Description() const { return description_; }
  void SetDescription(const std::string& text) { description_ = text; }

  // Called with daFail preset: daFail raises the error again, daAbort ends
  // silently (EAbort), daRetry runs the execution again.
  TFIBQueryErrorEvent OnExecuteError;

  void ExecQuery() override;

  // Older stored forms kept the options as separate booleans
  // ("qoAutoCommit", "qoStartTransaction", "qoTrimCharFields",
  // "qoNoForceIsNull"); reading one sets or clears its option. Answers
  // false for a name that is none of them.
  bool ReadStoredOption(const std::string& name, bool value);

 private:
  std::string description_;
};

}  // namespace fib
