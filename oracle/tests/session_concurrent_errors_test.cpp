// Errors of sessions that work on several threads at once, on the
// stand-in: each failure raises the error of its own statement, never one
// another session's call left behind, and a describe that reaches the end
// of its columns on one session is not cut short by another's failure. Own
// sessions and those of a pool alike; every round is repeated, under a
// watchdog that ends the program when a thread hangs.
#include <chrono>
#include <dlfcn.h>
#include <memory>
#include <string>
#include <vector>

#include "oracle/query_ora_dataset.h"
#include "oracle/query_ora_sql.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/conn_fixture.h"
#include "oracle/tests/session_concurrent_fixture.h"
#include "testing/watchdog.h"

namespace oracle::testing {
namespace {

using classlib::testing::TWatchdog;

constexpr const char* kFailingDelete = "DELETE FROM ORDERS WHERE ID = 1";
constexpr const char* kMissingTable = "SELECT X FROM NO_SUCH_TABLE";
constexpr const char* kThreeColumns = "SELECT A, B, C FROM THREE";
constexpr int kRounds = 150;

class ConcurrentErrorsTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    void* library = dlopen(ORACLE_STANDIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    auto control = [&](const char* name, const char* first, const char* second) {
      reinterpret_cast<void (*)(const char*, const char*)>(dlsym(library, name))(first, second);
    };
    control("standin_script_statement", kFailingDelete,
            "error=2292 text=ORA-02292: integrity constraint violated - child record found");
    control("standin_script_query", kThreeColumns, "A NUMBER(9);B VARCHAR2(10);C DATE");
    control("standin_add_rows", kThreeColumns, "1|one|2020-01-02 03:04:05\n2|two|<null>");
    dlclose(library);
  }

  std::unique_ptr<TOraSession> NewSession(bool pooled) {
    auto session = std::make_unique<TOraSession>();
    session->SetConnectString("scott/tiger@db1");
    session->SetPooling(pooled);
    return session;
  }

  // Two sessions on two threads: one fails its DELETE again and again, the
  // other opens a query (whose describe ends at the column past the last)
  // and fails on a missing table. Answers what went wrong, empty if nothing.
  std::vector<std::string> RunTogether(bool pooled) {
    auto deleting = NewSession(pooled);
    auto querying = NewSession(pooled);
    deleting->SetConnected(true);
    querying->SetConnected(true);
    WrongNotes wrong(5);
    RunAtOnce([&] {
      TOraSQL sql;
      sql.SetSession(deleting.get());
      sql.SetSQL(kFailingDelete);
      for (int round = 0; round < kRounds; ++round) {
        const std::string error = ErrorOf([&] { sql.Execute(); });
        if (error.rfind("2292 ORA-02292: integrity constraint violated", 0) != 0) wrong.Note("DELETE raised " + error);
      }
    }, [&] {
      for (int round = 0; round < kRounds; ++round) {
        TOraQuery query;
        query.SetSession(querying.get());
        query.SetSQL(kThreeColumns);
        const std::string opened = ErrorOf([&] { query.Open(); });
        if (opened != "(none)") wrong.Note("the query's open raised " + opened);
        else if (query.FieldCount() != 3) wrong.Note("the query has " + std::to_string(query.FieldCount()) + " fields");
        else if (query.RecordCount() != 2) wrong.Note("the query has " + std::to_string(query.RecordCount()) + " rows");
        query.Close();
        TOraQuery missing;
        missing.SetSession(querying.get());
        missing.SetSQL(kMissingTable);
        const std::string error = ErrorOf([&] { missing.Open(); });
        if (error.rfind("942 ORA-00942", 0) != 0) wrong.Note("the missing table raised " + error);
      }
    });
    deleting->SetConnected(false);
    querying->SetConnected(false);
    return wrong.Taken();
  }
};

TEST_F(ConcurrentErrorsTest, EachSessionRaisesItsOwnErrors) {
  TWatchdog watchdog(std::chrono::seconds(60), "ConcurrentErrorsTest");
  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    EXPECT_EQ(RunTogether(false), std::vector<std::string>{});
  }
}

TEST_F(ConcurrentErrorsTest, PooledSessionsRaiseTheirOwnErrors) {
  TWatchdog watchdog(std::chrono::seconds(60), "ConcurrentErrorsTest");
  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    EXPECT_EQ(RunTogether(true), std::vector<std::string>{});
  }
}

// Each connection reports through an error handle of its own, made with its
// session and freed with it; the environment keeps the process-wide one.
TEST_F(ConcurrentErrorsTest, EveryConnectionHasAnErrorHandleOfItsOwn) {
  auto one = NewSession(false);
  auto two = NewSession(false);
  one->SetConnected(true);
  two->SetConnected(true);
  OCIError* first = one->OCIConnection()->GetErrorHandle();
  OCIError* second = two->OCIConnection()->GetErrorHandle();
  EXPECT_NE(first, nullptr);
  EXPECT_NE(first, second);
  EXPECT_NE(first, hOCIError);
  EXPECT_NE(second, hOCIError);
  const int live = standin_->LiveHandles();
  one->SetConnected(false);
  EXPECT_LT(standin_->LiveHandles(), live) << "the session's handles went with it";
  two->SetConnected(false);
  EXPECT_EQ(standin_->FreedHandleCalls(), 0) << "no call was given a handle already freed";
}

}  // namespace
}  // namespace oracle::testing
