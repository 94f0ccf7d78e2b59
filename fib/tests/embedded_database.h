// A database file in a fresh temporary folder, created and attached through
// the binding on the embedded engine (a local path needs no server).
#pragma once

#include <string>

#include "fib/base/client_library.h"
#include "temp_folder.h"

namespace fib_test {

// The bytes of a connection's parameter block: SYSDBA, WIN1251, dialect 3.
std::string ConnectionParameters();

class EmbeddedDatabase {
 public:
  // `file_name` may name folders below the fresh one, in UTF-8.
  explicit EmbeddedDatabase(const std::string& file_name = "x.fdb");
  ~EmbeddedDatabase();

  fib::IIBClientLibrary& Library() { return *library_; }
  const std::string& Path() const { return path_; }
  isc_db_handle* Handle() { return &handle_; }
  // A transaction with the default parameters; committed by the caller.
  isc_tr_handle StartTransaction();

 private:
  TempFolder folder_;
  fib::ClientLibraryRef library_;
  std::string path_;
  isc_db_handle handle_ = 0;
};

}  // namespace fib_test
