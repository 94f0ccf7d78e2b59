// What the main thread may do to a non-blocking query while its rows still
// arrive in the background, each run several times on the stand-in's SQLite
// tier: a refresh of the record, the quick refresh with and without its
// check of deleted rows, a notified insert, update and delete, a post, a
// delete, an append, a cached update applied, a filter and a local order
// set, and a detail's new row of another master leaving the detail. None
// may wait for the fetching thread while it holds the rows it fetches into
// (a watchdog fails a hang with every thread's stack); each leaves the rows
// the server holds once the fetch has ended.
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "classlib/data_link.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "oracle/rset_oci_record_set.h"
#include "oracle/tests/notify_control.h"
#include "oracle/tests/query_sqlite_fixture.h"
#include "platform/message_loop.h"
#include "testing/watchdog.h"

namespace oracle::testing {
namespace {

using classlib::testing::TWatchdog;

constexpr int kRows = 120;
constexpr int kRounds = 3;
constexpr const char* kSql = "SELECT ROWID, ID, NAME, SAL, GRP FROM EMP";

class QueryBackgroundChangesTest : public SqliteTierTest {
 protected:
  void SetUp() override {
    SqliteTierTest::SetUp();
    ASSERT_EQ(tier_->Exec("db1", "CREATE TABLE EMP (ID NUMBER(9) PRIMARY KEY, NAME VARCHAR2(20), SAL NUMBER(9), "
                                 "GRP NUMBER(9))"),
              "");
    writer_ = &Connect();
    fetch_->SetFetchDelay(1);
  }
  void TearDown() override {
    fetch_->SetFetchDelay(0);
    if (control_) control_->Join();
    SqliteTierTest::TearDown();
  }
  // Rows 1..kRows: NAME "n<ID>", SAL ID * 10, GRP ID % 2.
  void FillTable() {
    std::string sql = "DELETE FROM EMP";
    for (int id = 1; id <= kRows; ++id)
      sql += ";INSERT INTO EMP VALUES (" + std::to_string(id) + ", 'n" + std::to_string(id) + "', " +
             std::to_string(id * 10) + ", " + std::to_string(id % 2) + ")";
    ASSERT_EQ(tier_->Exec("db1", sql), "");
  }
  void Run(const std::string& sql) { NewQuery(*writer_, sql)->Execute(); }
  int ServerCount(const std::string& where = "") {
    auto query = NewQuery(*writer_, "SELECT COUNT(*) FROM EMP" + where);
    query->Open();
    const int count = query->Fields().Fields(0)->AsInteger();
    query->Close();
    return count;
  }
  std::string ServerName(int id) {
    auto query = NewQuery(*writer_, "SELECT NAME FROM EMP WHERE ID = " + std::to_string(id));
    query->Open();
    std::string name = query->Eof() ? "<none>" : query->Fields().Fields(0)->AsString();
    query->Close();
    return name;
  }
  std::string RowIdOf(int id) {
    auto query = NewQuery(*writer_, "SELECT ROWID FROM EMP WHERE ID = " + std::to_string(id));
    query->Open();
    std::string row_id = query->Eof() ? "" : query->Fields().Fields(0)->AsString();
    query->Close();
    return row_id;
  }

  // A query fetching every row in the background, a few rows a fetch.
  std::unique_ptr<TOraQuery> Arriving(TOraSession& session) {
    auto query = NewQuery(session, kSql);
    query->SetFetchRows(3);
    query->SetFetchAll(true);
    query->SetNonBlocking(true);
    query->SetKeyFields("ID");
    return query;
  }
  static TOCIRecordSet& RecordSetOf(TOraQuery& query) { return *dynamic_cast<TOCIRecordSet*>(query.IRecordSet()); }
  static bool StillArriving(TOraQuery& query) {
    TOCIRecordSet& record_set = RecordSetOf(query);
    return record_set.ExecutingInBackground() || record_set.FetchingAll();
  }
  // Opens it, hands the execute's end to the main thread (which starts the
  // fetch of every row) and stands on its second record, rows still to come.
  static void OpenWhileRowsArrive(TOraQuery& query) {
    query.Open();
    RecordSetOf(query).WaitForExecute();
    query.First();
    query.Next();
    ASSERT_TRUE(StillArriving(query)) << "the change meets rows still arriving";
  }
  static void WaitForTheEnd(TOraQuery& query) {
    for (int waited = 0; StillArriving(query) && waited < 20000; ++waited) {
      platform::MessageLoop::Current().ProcessMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    platform::MessageLoop::Current().ProcessMessages();
    ASSERT_FALSE(StillArriving(query));
  }
  static int Shown(TOraQuery& query) {
    int rows = 0;
    for (query.First(); !query.Eof(); query.Next()) ++rows;
    return rows;
  }

  // Runs `change` on a query whose rows still arrive, kRounds times, each
  // under a watchdog; `check` then looks at the query once its rows are in.
  void EveryRound(const std::string& what, const std::function<void(TOraQuery&)>& prepare,
                  const std::function<void(TOraQuery&, int)>& change,
                  const std::function<void(TOraQuery&, int)>& check) {
    for (int round = 0; round < kRounds; ++round) {
      SCOPED_TRACE(what + ", round " + std::to_string(round));
      FillTable();
      TWatchdog watchdog(std::chrono::seconds(60), what);
      auto query = Arriving(Connect());
      if (prepare) prepare(*query);
      OpenWhileRowsArrive(*query);
      change(*query, round);
      WaitForTheEnd(*query);
      check(*query, round);
      query.reset();
    }
  }

  TOraSession* writer_ = nullptr;
  std::unique_ptr<NotifyControl> control_;
};

TEST_F(QueryBackgroundChangesTest, RefreshRecordWhileRowsArrive) {
  EveryRound(
      "RefreshRecord", nullptr,
      [&](TOraQuery& query, int round) {
        Run("UPDATE EMP SET NAME = 'fresh" + std::to_string(round) + "' WHERE ID = 2");
        query.RefreshRecord();
        EXPECT_EQ(query.FieldByName("ID")->AsInteger(), 2);
        EXPECT_EQ(query.FieldByName("NAME")->AsString(), "fresh" + std::to_string(round));
      },
      [](TOraQuery& query, int round) {
        EXPECT_EQ(Shown(query), kRows);
        ASSERT_TRUE(query.Locate("ID", classlib::Variant(2), {}));
        EXPECT_EQ(query.FieldByName("NAME")->AsString(), "fresh" + std::to_string(round));
      });
}

TEST_F(QueryBackgroundChangesTest, RefreshQuickWithAndWithoutRemovalsWhileRowsArrive) {
  for (bool check_deleted : {false, true}) {
    EveryRound(
        check_deleted ? "RefreshQuick(true)" : "RefreshQuick(false)", nullptr,
        [&](TOraQuery& query, int) {
          Run("UPDATE EMP SET NAME = 'quick' WHERE ID = 2");
          Run("DELETE FROM EMP WHERE ID = 3");
          query.RefreshQuick(check_deleted);
          EXPECT_EQ(query.FieldByName("ID")->AsInteger(), 2) << "the record stays current";
          EXPECT_EQ(query.FieldByName("NAME")->AsString(), "quick");
        },
        [&](TOraQuery& query, int) {
          ASSERT_TRUE(query.Locate("ID", classlib::Variant(2), {}));
          EXPECT_EQ(query.FieldByName("NAME")->AsString(), "quick");
          EXPECT_EQ(query.Locate("ID", classlib::Variant(3), {}), !check_deleted);
          EXPECT_EQ(Shown(query), check_deleted ? kRows - 1 : kRows);
        });
  }
}

TEST_F(QueryBackgroundChangesTest, NotifiedInsertUpdateAndDeleteWhileRowsArrive) {
  control_ = std::make_unique<NotifyControl>(ORACLE_STANDIN_PATH);
  struct TNotified {
    const char* what;
    int flags;
    int id;
    const char* sql;
    int rows_after;
  };
  for (const TNotified& n :
       {TNotified{"notified insert", 2, kRows + 1, "INSERT INTO EMP VALUES (121, 'new', 5, 0)", kRows + 1},
        TNotified{"notified update", 4, 2, "UPDATE EMP SET NAME = 'told' WHERE ID = 2", kRows},
        TNotified{"notified delete", 8, 2, "DELETE FROM EMP WHERE ID = 2", kRows - 1}}) {
    std::unique_ptr<TOraChangeNotification> component;
    EveryRound(
        n.what,
        [&](TOraQuery& query) {
          component = std::make_unique<TOraChangeNotification>();
          query.SetKeyFields("");  // a notified row is found and read by its ROWID
          query.Options().SetReflectChangeNotify(true);
          query.SetChangeNotification(component.get());
        },
        [&](TOraQuery&, int) {
          std::string row_id;
          if (n.flags != 8) Run(n.sql);
          row_id = RowIdOf(n.id);
          if (n.flags == 8) Run(n.sql);
          ASSERT_FALSE(row_id.empty());
          const std::string flags = std::to_string(n.flags);
          ASSERT_EQ(control_->Deliver(*component, "SCOTT.EMP:" + flags + ":" + row_id + "/" + flags), 1);
        },
        [&](TOraQuery& query, int) {
          EXPECT_EQ(Shown(query), n.rows_after);
          const bool present = query.Locate("ID", classlib::Variant(n.id), {});
          EXPECT_EQ(present, n.flags != 8);
          if (present) {
            EXPECT_EQ(query.FieldByName("NAME")->AsString(), ServerName(n.id));
          }
        });
    component.reset();
  }
}

TEST_F(QueryBackgroundChangesTest, PostDeleteAndAppendWhileRowsArrive) {
  EveryRound(
      "Post", nullptr,
      [](TOraQuery& query, int) {
        query.Edit();
        query.FieldByName("NAME")->SetAsString("posted");
        query.Post();
      },
      [&](TOraQuery& query, int) {
        EXPECT_EQ(ServerName(2), "posted");
        EXPECT_EQ(Shown(query), kRows);
      });
  EveryRound(
      "Delete", nullptr, [](TOraQuery& query, int) { query.Delete(); },
      [&](TOraQuery& query, int) {
        EXPECT_EQ(ServerCount(), kRows - 1);
        EXPECT_EQ(Shown(query), kRows - 1);
        EXPECT_FALSE(query.Locate("ID", classlib::Variant(2), {}));
      });
  EveryRound(
      "Append", nullptr,
      [](TOraQuery& query, int) {
        query.Append();
        query.FieldByName("ID")->SetAsInteger(500);
        query.FieldByName("NAME")->SetAsString("appended");
        query.Post();
      },
      [&](TOraQuery& query, int) {
        EXPECT_EQ(ServerName(500), "appended");
        EXPECT_EQ(Shown(query), kRows + 1);
        EXPECT_TRUE(query.Locate("ID", classlib::Variant(500), {}));
      });
}

TEST_F(QueryBackgroundChangesTest, CachedUpdatesAppliedWhileRowsArrive) {
  EveryRound(
      "cached apply", [](TOraQuery& query) { query.SetCachedUpdates(true); },
      [](TOraQuery& query, int) {
        query.Edit();
        query.FieldByName("NAME")->SetAsString("cached");
        query.Post();
        query.ApplyUpdates();
        query.CommitUpdates();
      },
      [&](TOraQuery& query, int) {
        EXPECT_EQ(ServerName(2), "cached");
        EXPECT_EQ(Shown(query), kRows);
        EXPECT_FALSE(query.UpdatesPending());
      });
}

TEST_F(QueryBackgroundChangesTest, FilterAndLocalOrderSetWhileRowsArrive) {
  EveryRound(
      "filter", nullptr,
      [](TOraQuery& query, int) {
        query.SetFilter("SAL > 600");
        query.SetFiltered(true);
      },
      [](TOraQuery& query, int) {
        EXPECT_EQ(Shown(query), kRows - 60);
        query.First();
        EXPECT_EQ(query.FieldByName("ID")->AsInteger(), 61);
      });
  EveryRound(
      "local order", nullptr, [](TOraQuery& query, int) { query.SetIndexFieldNames("SAL DESC"); },
      [](TOraQuery& query, int) {
        EXPECT_EQ(Shown(query), kRows);
        query.First();
        EXPECT_EQ(query.FieldByName("ID")->AsInteger(), kRows);
      });
}

// A detail linked by the master's value in its statement: a new row of
// another master is written, then leaves the rows the detail shows.
TEST_F(QueryBackgroundChangesTest, DetailDropsItsForeignNewRowWhileRowsArrive) {
  ASSERT_EQ(tier_->Exec("db1", "CREATE TABLE GRPS (K NUMBER(9) PRIMARY KEY); INSERT INTO GRPS VALUES (0);"
                               "INSERT INTO GRPS VALUES (1)"),
            "");
  auto master = NewQuery(Connect(), "SELECT K FROM GRPS ORDER BY K");
  master->Open();
  classlib::TDataSource source(nullptr);
  source.SetDataSet(master.get());
  EveryRound(
      "foreign detail row",
      [&](TOraQuery& query) {
        query.SetMasterSource(&source);
        query.SetMasterFields("K");
        query.SetDetailFields("GRP");
      },
      [](TOraQuery& query, int) {
        query.Append();
        query.FieldByName("ID")->SetAsInteger(700);
        query.FieldByName("GRP")->SetAsInteger(1);  // the master stands on 0
        query.Post();
      },
      [&](TOraQuery& query, int) {
        EXPECT_EQ(ServerCount(" WHERE ID = 700"), 1);
        EXPECT_EQ(Shown(query), kRows / 2);
        EXPECT_FALSE(query.Locate("ID", classlib::Variant(700), {}));
      });
}

}  // namespace
}  // namespace oracle::testing
