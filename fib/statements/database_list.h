// The process-wide list of live databases. Each TFIBDatabase joins it when
// constructed and leaves it when destroyed; databases still connected when
// the program ends are closed then.
#pragma once

#include <vector>

namespace fib {

class TFIBDatabase;

void RegisterDatabase(TFIBDatabase* database);
void UnregisterDatabase(TFIBDatabase* database);
// A copy of the list, in registration order.
std::vector<TFIBDatabase*> LiveDatabases();

// Closes every database of the list under its lock; what the program's end
// does. Failures of single databases are swallowed so the others close too.
void CloseAllDatabases();

// The database new components use at design time: the last one marked as
// the default database; nullptr when none.
TFIBDatabase* DefaultDesignDatabase();
void SetDefaultDesignDatabase(TFIBDatabase* database);

}  // namespace fib
