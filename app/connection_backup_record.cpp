#include "app/connection_backup_record.h"

#include <unistd.h>

#include "app/connection_backup.h"
#include "app/reg.h"
#include "classlib/codepage.h"
#include "platform/environment.h"
#include "platform/process_identity.h"

namespace app {

namespace {

using platform::ERROR_SUCCESS;
using platform::HKEY_LOCAL_MACHINE;

struct RecordOwner {
  bool finished = false;
  pid_t pid = 0;
  std::string start_mark;
  std::string program;
};

RecordOwner ReadOwner() {
  RecordOwner owner;
  std::string pid_text;
  if (ReadRegString(HKEY_LOCAL_MACHINE, kConnectionBackupKey, kBackupProcessIdValue, pid_text) !=
      ERROR_SUCCESS)
    return owner;
  owner.finished = true;
  try {
    owner.pid = static_cast<pid_t>(std::stol(pid_text));
  } catch (const std::exception&) {
    owner.pid = 0;  // a damaged id names no running process
  }
  ReadRegString(HKEY_LOCAL_MACHINE, kConnectionBackupKey, kBackupProcessStartValue,
                owner.start_mark);
  ReadRegString(HKEY_LOCAL_MACHINE, kConnectionBackupKey, kBackupProgramValue, owner.program);
  return owner;
}

bool OwnedByThisProcess(const RecordOwner& owner) {
  return owner.finished && owner.pid == ::getpid() &&
         owner.start_mark == platform::ProcessStartMark(::getpid());
}

// Copies the record's values back into the product's key; a value the
// record has no copy of did not exist and is removed.
bool PutRecordBack() {
  bool whole = true;
  for (const std::string& name : {kConnectionStringValue, kServerTypeValue}) {
    TRegValueSnapshot copy(HKEY_LOCAL_MACHINE, kConnectionBackupKey, name);
    whole = copy.Take() && copy.PutAt(HKEY_LOCAL_MACHINE, kConnectionKey) == ERROR_SUCCESS && whole;
  }
  return whole;
}

// The record goes, and the updater's key with it when nothing else stands
// there, so no run leaves an empty key behind.
void RemoveRecord() {
  DeleteRegKey(HKEY_LOCAL_MACHINE, kConnectionBackupKey);
  DeleteEmptyRegKey(HKEY_LOCAL_MACHINE, kUpdaterKey);
}

}  // namespace

bool WriteConnectionBackupRecord(const TRegValueSnapshot& connection_string,
                                 const TRegValueSnapshot& server_type) {
  DeleteRegKey(HKEY_LOCAL_MACHINE, kConnectionBackupKey);
  const pid_t pid = ::getpid();
  return connection_string.PutAt(HKEY_LOCAL_MACHINE, kConnectionBackupKey) == ERROR_SUCCESS &&
         server_type.PutAt(HKEY_LOCAL_MACHINE, kConnectionBackupKey) == ERROR_SUCCESS &&
         WriteRegString(HKEY_LOCAL_MACHINE, kConnectionBackupKey, kBackupProgramValue,
                        classlib::Utf8ToCp1251(platform::ModuleFileName())) == ERROR_SUCCESS &&
         WriteRegString(HKEY_LOCAL_MACHINE, kConnectionBackupKey, kBackupProcessStartValue,
                        platform::ProcessStartMark(pid)) == ERROR_SUCCESS &&
         WriteRegString(HKEY_LOCAL_MACHINE, kConnectionBackupKey, kBackupProcessIdValue,
                        std::to_string(pid)) == ERROR_SUCCESS;
}

void RemoveOwnConnectionBackupRecord() {
  if (OwnedByThisProcess(ReadOwner())) RemoveRecord();
}

bool LiveBackupOfAnotherProcess(TBackupOwner& owner) {
  if (!RegKeyExists(HKEY_LOCAL_MACHINE, kConnectionBackupKey)) return false;
  const RecordOwner record = ReadOwner();
  if (!record.finished || OwnedByThisProcess(record) ||
      !platform::ProcessStillRuns(record.pid, record.start_mark))
    return false;
  owner.pid = record.pid;
  owner.program = record.program;
  return true;
}

bool RestoreAbandonedConnectionBackup() {
  if (!RegKeyExists(HKEY_LOCAL_MACHINE, kConnectionBackupKey)) return false;
  const RecordOwner owner = ReadOwner();
  if (owner.finished && platform::ProcessStillRuns(owner.pid, owner.start_mark)) return false;
  const bool restored = owner.finished && PutRecordBack();
  // A record that could not be put back whole stays for the next start.
  if (!owner.finished || restored) RemoveRecord();
  return restored;
}

}  // namespace app
