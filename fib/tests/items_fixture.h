// A database of 100 000 rows for the tests of the limited cache model, made
// once per test suite: ITEMS (GRP, SEQ, NAME) keyed by (GRP, SEQ), ten rows
// per group, SEQ not in key order. Each test connects its own components.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "embedded_database.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"

namespace fib_test {

// Components connected to the shared file, owned by a form.
struct ItemsConnection {
  explicit ItemsConnection(const std::string& path);
  // A statement of the transaction that fetches no row on executing.
  std::unique_ptr<fib::TFIBQuery> NewQuery(const std::string& name, const std::string& sql);

  classlib::TComponent form{nullptr};
  std::unique_ptr<fib::TFIBDatabase> db;
  std::unique_ptr<fib::TFIBTransaction> tr;
};

class ItemsTest : public ::testing::Test {
 public:
  static constexpr int kRows = 100000;
  // The order the tests browse in: groups descending, rows within a group
  // ascending.
  static constexpr const char* kSelect =
      "select GRP, SEQ, NAME from ITEMS order by GRP desc, SEQ";
  using Row = std::pair<int, int>;  // GRP, SEQ

  static void SetUpTestSuite();
  static void TearDownTestSuite();

 protected:
  ItemsTest() : connection_(file_->Path()) {}

  std::unique_ptr<fib::TFIBQuery> NewQuery(const std::string& name, const std::string& sql) {
    return connection_.NewQuery(name, sql);
  }
  // Every row of an executed statement.
  static std::vector<Row> FetchAll(fib::TFIBQuery& query);
  // The rows of kSelect as the plain select reads them.
  static const std::vector<Row>& Expected() { return *expected_; }

  ItemsConnection connection_;

 private:
  static inline std::unique_ptr<EmbeddedDatabase> file_;
  static inline std::unique_ptr<std::vector<Row>> expected_;
};

}  // namespace fib_test
