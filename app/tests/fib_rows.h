// Reading a Firebird table from a test, in a transaction of its own so that
// only committed work shows.
#pragma once

#include <functional>
#include <string>

#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"

namespace app::testing {

// Executes `sql` on the connected `db` and hands every row to `read`.
inline void ForEachRow(fib::TFIBDatabase& db, const std::string& sql,
                       const std::function<void(fib::TFIBQuery&)>& read = {}) {
  fib::TFIBTransaction tr(nullptr);
  tr.SetDefaultDatabase(&db);
  tr.StartTransaction();
  {
    fib::TFIBQuery q(nullptr);
    q.SetDatabase(&db);
    q.SetTransaction(&tr);
    q.SQL().SetText(sql);
    q.ExecQuery();
    for (; read && !q.Eof(); q.Next()) read(q);
    q.Close();
  }
  tr.Commit();
}

}  // namespace app::testing
