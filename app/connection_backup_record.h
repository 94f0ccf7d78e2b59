// The durable copy of the product's connection key as it stood before the
// login overwrote it, kept in a key of the updater's own together with the
// process that wrote it. A run that is killed (power loss, kill -9, a crash)
// cannot put the key back when its window closes; the next start finds the
// record of a process that no longer runs and puts the key back from it.
#pragma once

#include <sys/types.h>

#include <string>

#include "app/reg_value_snapshot.h"

namespace app {

// The updater's own key holds nothing but the record, and goes with it.
inline const std::string kUpdaterKey = "SOFTWARE\\KELVO\\Updater";
inline const std::string kConnectionBackupKey = kUpdaterKey + "\\ConnectionBackup";
// Values of the record besides the copies, which keep the product's names.
inline const std::string kBackupProcessIdValue = "ProcessId";
inline const std::string kBackupProcessStartValue = "ProcessStart";
// The program file of the process, so that another copy can name it.
inline const std::string kBackupProgramValue = "Program";

// The process a record belongs to.
struct TBackupOwner {
  pid_t pid = 0;
  std::string program;  // ANSI; empty in a record that does not say
};

// Replaces any record by one of this process holding the two copies (a value
// that did not exist has no copy). The process id is written last: a record
// without it was never finished, and its writer had not yet changed the
// product's key. False when the record could not be written whole.
bool WriteConnectionBackupRecord(const TRegValueSnapshot& connection_string,
                                 const TRegValueSnapshot& server_type);

// Removes the record when this process wrote it, and the updater's key when
// nothing else is left in it.
void RemoveOwnConnectionBackupRecord();

// True when the record is a finished one of another process that still
// runs: another copy of the updater is logged in and has the product's key
// changed. `owner` then names it.
bool LiveBackupOfAnotherProcess(TBackupOwner& owner);

// A finished record of a process that no longer runs is put back into the
// product's key and then removed; an unfinished one is removed. A record of
// a running process is left alone. True when the key was put back.
bool RestoreAbandonedConnectionBackup();

}  // namespace app
