#include "app/connection_backup.h"

#include "app/connection_backup_record.h"

namespace app {

TConnectionKeyBackup::TConnectionKeyBackup()
    : connection_string_(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue),
      server_type_(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue) {}

void TConnectionKeyBackup::Save() {
  if (saved_) return;
  RestoreAbandonedConnectionBackup();
  connection_string_.Take();
  server_type_.Take();
  WriteConnectionBackupRecord(connection_string_, server_type_);
  saved_ = true;
}

void TConnectionKeyBackup::Restore() {
  if (!saved_) return;
  connection_string_.Restore();
  server_type_.Restore();
  // Only now: killed before this line, the next start puts the key back.
  RemoveOwnConnectionBackupRecord();
  saved_ = false;
}

}  // namespace app
