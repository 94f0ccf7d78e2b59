#include "app/connection_backup.h"

namespace app {

TConnectionKeyBackup::TConnectionKeyBackup()
    : connection_string_(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue),
      server_type_(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue) {}

void TConnectionKeyBackup::Save() {
  if (saved_) return;
  connection_string_.Take();
  server_type_.Take();
  saved_ = true;
}

void TConnectionKeyBackup::Restore() const {
  if (!saved_) return;
  connection_string_.Restore();
  server_type_.Restore();
}

}  // namespace app
