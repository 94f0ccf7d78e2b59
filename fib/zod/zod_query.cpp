#include "fib/zod/zod_query.h"

#include "classlib/exceptions.h"

namespace fib {

TpZODQuery::TpZODQuery(classlib::TComponent* owner) : TFIBQuery(owner) {}

void TpZODQuery::ExecQuery() {
  for (;;) {
    classlib::TDataAction action = classlib::daFail;
    try {
      TFIBQuery::ExecQuery();
      return;
    } catch (EFIBError& error) {
      if (!OnExecuteError) throw;
      OnExecuteError(this, error, action);
      if (action == classlib::daFail) throw;
      if (action == classlib::daAbort) classlib::Abort();
    }
  }
}

bool TpZODQuery::ReadStoredOption(const std::string& name, bool value) {
  static const struct {
    const char* name;
    TpZODQueryOption option;
  } kStored[] = {{"qoAutoCommit", qoAutoCommit},
                 {"qoStartTransaction", qoStartTransaction},
                 {"qoTrimCharFields", qoTrimCharFields},
                 {"qoNoForceIsNull", qoNoForceIsNull}};
  for (const auto& stored : kStored) {
    if (name != stored.name) continue;
    TpZODQueryOptions options = Options();
    if (value)
      options.Include(stored.option);
    else
      options.Exclude(stored.option);
    SetOptions(options);
    return true;
  }
  return false;
}

}  // namespace fib
