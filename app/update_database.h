// The database part of an update run: the items of DB_UPDATE that apply to
// the chosen server kind, script files and update libraries, in document
// order, then the version row that records the new release.
#pragma once

#include <string>
#include <vector>

#include "app/execute_statement_native.h"
#include "app/progress_view.h"
#include "app/update_description.h"

namespace app {

class IBlobMoves;

// What the database part runs on. The components are the window's native
// ones; the kind and the other values come from the run state (DBType,
// ProgramDir, AlwaysUpdateDB ...).
struct TDatabaseUpdateTarget {
  IProgressView& view;
  TScriptComponents components;
  bool log_check_errors = false;    // the "LOGCHECKERROR" switch
  IBlobMoves* blob_moves = nullptr;  // none: groups' binary-column moves are not made
};

// SOURCE values of an item.
inline constexpr int kScriptItem = 0;
inline constexpr int kLibraryItem = 1;

// Whether an item's SUBD names `db_type` (upper-cased SUBD contains it).
bool ItemApplies(const TDbUpdateItem& item, const std::string& db_type);

// Runs the applicable items; a failing item never stops the others. The
// version row is written only when every item succeeded and AlwaysUpdateDB
// is not set. A missing script file or library fails the part. The native
// connections are closed at the end. True when nothing failed. A SOURCE
// that is no number, an unreadable script file and catalogue failures
// raise and end the run.
bool UpdateDatabase(const TDatabaseUpdateTarget& target, const std::vector<TDbUpdateItem>& items);

// Closes the native connection of DBType (an open Firebird transaction is
// committed first), so an update library can open its own.
void CloseNativeConnection(const TScriptComponents& components);

// Closes every native connection; failures are not reported: the part's
// result is already decided.
void CloseNativeConnectionsQuietly(const TScriptComponents& components);

}  // namespace app
