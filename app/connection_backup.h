// The product's connection key, which the login overwrites with the stored
// database account for the time of the run, and the copy of what stood
// there before, put back when the window closes.
#pragma once

#include <string>

#include "app/reg_value_snapshot.h"

namespace app {

inline const std::string kConnectionKey = "SOFTWARE\\KELVO\\Lexarium\\4.0\\BDConnection";
inline const std::string kConnectionStringValue = "ConnectionString";
inline const std::string kServerTypeValue = "TypeSQLServer";

class TConnectionKeyBackup {
 public:
  TConnectionKeyBackup();

  // Records both values the first time only: a second login in the same run
  // would otherwise record what the first one wrote.
  void Save();
  bool Saved() const { return saved_; }
  // Puts both values back (deleting those that did not exist). Failures are
  // not reported: the window closes in any case.
  void Restore() const;

 private:
  bool saved_ = false;
  TRegValueSnapshot connection_string_;
  TRegValueSnapshot server_type_;
};

}  // namespace app
