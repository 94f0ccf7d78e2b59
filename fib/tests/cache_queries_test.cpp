// The pool of prepared statements on the embedded engine.
#include "fib/statements/cache_queries.h"

#include <gtest/gtest.h>

#include "fib/statements/fib_query.h"
#include "fib_query_fixture.h"

namespace fib {
namespace {

using fib_test::QueryTest;

class PoolTest : public QueryTest {
 protected:
  // Connecting read the server time through the pool (SynchronizeTime):
  // the counts below are beyond that statement.
  PoolTest() {
    TCacheQueries* pool = CacheList().Find(db_.get());
    base_free_ = pool != nullptr ? pool->FreeCount() : 0;
  }
  ~PoolTest() override {
    // Each test's database dies with it; its pool must go too.
    db_.reset();
    EXPECT_EQ(CacheList().Find(database_seen_), nullptr);
  }
  TFIBQuery* Acquire(const std::string& sql) {
    database_seen_ = db_.get();
    return AcquirePooledQuery(tr_.get(), sql);
  }
  const TFIBDatabase* database_seen_ = nullptr;
  int base_free_ = 0;
};

TEST_F(PoolTest, ReleasedStatementsComeBackPrepared) {
  TFIBQuery* first = Acquire("select count(*) from T");
  TFIBQuery* second = Acquire("select count(*) from T");
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->Database(), db_.get());
  EXPECT_EQ(first->Transaction(), tr_.get());
  tr_->StartTransaction();
  first->ExecQuery();
  EXPECT_EQ(first->Fields(0).AsInteger(), 0);
  ReleasePooledQuery(first);
  ReleasePooledQuery(second);
  TCacheQueries* pool = CacheList().Find(db_.get());
  ASSERT_NE(pool, nullptr);
  EXPECT_EQ(pool->FreeCount(), base_free_ + 2);
  EXPECT_EQ(pool->LentCount(), 0);

  // Leading and trailing blanks and line breaks do not matter.
  TFIBQuery* again = Acquire("\r\n  select count(*) from T \r\n");
  EXPECT_TRUE(again == first || again == second);
  if (again == first) {
    EXPECT_TRUE(again->Prepared());
    EXPECT_FALSE(again->Open());  // the borrower's open cursor was closed
  }
  ReleasePooledQuery(again);
  ReleasePooledQuery(again);  // not lent any more: nothing happens
  EXPECT_EQ(pool->FreeCount(), base_free_ + 2);
}

TEST_F(PoolTest, AStatementTakesTheBorrowersTransaction) {
  TFIBQuery* query = Acquire("select 1 from RDB$DATABASE");
  ReleasePooledQuery(query);
  TFIBTransaction other(nullptr);
  other.SetDefaultDatabase(db_.get());
  EXPECT_EQ(AcquirePooledQuery(&other, "select 1 from RDB$DATABASE"), query);
  EXPECT_EQ(query->Transaction(), &other);
  ReleasePooledQuery(query);
  query->SetTransaction(tr_.get());
}

TEST_F(PoolTest, NoTransactionOrDatabaseGivesNothing) {
  EXPECT_EQ(AcquirePooledQuery(nullptr, "select 1 from RDB$DATABASE"), nullptr);
  TFIBTransaction lonely(nullptr);
  EXPECT_EQ(AcquirePooledQuery(&lonely, "select 1 from RDB$DATABASE"), nullptr);
}

TEST_F(PoolTest, AStatementFreedByItsBorrowerLeavesThePool) {
  TFIBQuery* query = Acquire("select 1 from RDB$DATABASE");
  delete query;
  EXPECT_EQ(CacheList().Find(db_.get())->LentCount(), 0);
  TFIBQuery* freed = Acquire("select 2 from RDB$DATABASE");
  ReleasePooledQuery(freed);
  delete freed;
  EXPECT_EQ(CacheList().Find(db_.get())->FreeCount(), base_free_);
}

TEST_F(PoolTest, PooledStatementsWorkAfterAReconnect) {
  TFIBQuery* query = Acquire("select count(*) from T where V = :V");
  query->SetOptions({qoStartTransaction});
  query->ParamByName("V").SetAsInteger(1);
  query->ExecQuery();
  ReleasePooledQuery(query);
  tr_->Commit();
  db_->Disconnect(false);
  db_->Connect();
  Run("insert into T values (1)");
  TFIBQuery* again = Acquire("select count(*) from T where V = :V");
  ASSERT_EQ(again, query);
  EXPECT_FALSE(again->Prepared());
  again->ParamByName("V").SetAsInteger(1);
  again->ExecQuery();
  EXPECT_EQ(again->Fields(0).AsInteger(), 1);
  ReleasePooledQuery(again);
}

TEST_F(PoolTest, FreeingTheDatabaseFreesItsStatements) {
  Acquire("select 1 from RDB$DATABASE");
  ReleasePooledQuery(Acquire("select 2 from RDB$DATABASE"));
  int pools = CacheList().Count();
  db_.reset();
  EXPECT_EQ(CacheList().Count(), pools - 1);
  // A new database starts with an empty pool.
  db_ = NewDatabase(&form_);
  db_->SetSynchronizeTime(false);  // no statement of its own in the pool
  tr_->SetDefaultDatabase(db_.get());
  db_->Connect();
  TFIBQuery* fresh = Acquire("select 1 from RDB$DATABASE");
  EXPECT_EQ(CacheList().Find(db_.get())->LentCount(), 1);
  EXPECT_EQ(CacheList().Find(db_.get())->FreeCount(), 0);
  EXPECT_FALSE(fresh->Prepared());
}

TEST(PoolKeyTest, TrimsControlCharactersAndBlanks) {
  EXPECT_EQ(PoolKey("\t select 1 \r\n"), "select 1");
  EXPECT_EQ(PoolKey(" \r\n "), "");
  EXPECT_EQ(PoolKey("a  b"), "a  b");
}

}  // namespace
}  // namespace fib
