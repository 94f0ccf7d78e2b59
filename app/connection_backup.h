// The product's connection key, which the login overwrites with the stored
// database account for the time of the run, and the copy of what stood
// there before, put back when the window closes. The copy is also kept in the
// registry (connection_backup_record.h), so a killed run is mended at the
// next start.
#pragma once

#include <string>

#include "app/connection_backup_record.h"
#include "app/reg_value_snapshot.h"

namespace app {

inline const std::string kConnectionKey = "SOFTWARE\\KELVO\\Lexarium\\4.0\\BDConnection";
inline const std::string kConnectionStringValue = "ConnectionString";
inline const std::string kServerTypeValue = "TypeSQLServer";

class TConnectionKeyBackup {
 public:
  TConnectionKeyBackup();

  // Records both values the first time only: a second login in the same run
  // would otherwise record what the first one wrote. Before recording, a
  // record left by a killed run is put back, and the copy is made durable
  // before it returns, so the caller may overwrite the key afterwards.
  // Returns false, recording nothing, while another running copy of the
  // updater has its own login in the key: what stands there is that copy's,
  // not the product's, and only that copy can put the product's back.
  // `other` then names the copy. Copies that log in at the same moment take
  // turns, so one of them records and the other finds its record.
  bool Save(TBackupOwner* other = nullptr);
  bool Saved() const { return saved_; }
  // Puts both values back (deleting those that did not exist) and removes
  // the durable copy; later calls do nothing until the next Save. This is
  // what ending the program must call, however it ends. Nothing is reported
  // and nothing raises: the program ends in any case. A value that cannot be
  // put back (a full disk, a folder made read-only, a damaged hive) keeps
  // the durable copy, so the next start puts the key back from it.
  void Restore();

 private:
  bool saved_ = false;
  TRegValueSnapshot connection_string_;
  TRegValueSnapshot server_type_;
};

}  // namespace app
