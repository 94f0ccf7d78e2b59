// Databases for the connection and transaction tests: an embedded database
// file with a table T (V INTEGER), and TFIBDatabase components attached to
// it the way the updater configures them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "embedded_database.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"

namespace fib_test {

// Runs `sql` on `handle` in a transaction of its own, committed at once.
void ExecuteSql(fib::IIBClientLibrary& library, isc_db_handle* handle, const std::string& sql,
                int dialect = 3);

// The updater's three parameter lines.
void SetUpdaterParams(fib::TFIBDatabase& database, const std::string& password = "masterkey");

// Records what the components write to their log.
class RecordingLogger : public fib::ISQLLogger {
 public:
  struct Entry {
    std::string component;
    std::string text;
    int kind;
    std::string further;
  };
  void WriteData(const std::string& component, const std::string& text, int kind,
                 const std::string& further) override {
    entries.push_back({component, text, kind, further});
  }
  std::vector<Entry> entries;
};

class DatabaseTest : public ::testing::Test {
 protected:
  DatabaseTest();

  // A new connection component for the test database, not yet connected.
  std::unique_ptr<fib::TFIBDatabase> NewDatabase(classlib::TComponent* owner = nullptr);
  // How many rows of T hold `value`, seen by a fresh read-committed query
  // of another connection.
  int CountCommitted(int value);
  // Inserts `value` into T in `transaction`.
  static void Insert(fib::TFIBDatabase& database, fib::TFIBTransaction& transaction, int value);

  EmbeddedDatabase file_;
  std::unique_ptr<fib::TFIBDatabase> observer_;
};

}  // namespace fib_test
