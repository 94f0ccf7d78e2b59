// The form components on the embedded engine: cancelled and repeated
// connects, catalogue names, schema cache files around the connection,
// a connection killed under the component, and the transaction presets and
// events.
#include "fib/zod/zod_database.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "database_fixture.h"
#include "fib/metadata/metadata_cache.h"
#include "fib/statements/fib_query.h"
#include "fib/zod/zod_database_app.h"
#include "fib/zod/zod_database_login.h"
#include "fib/zod/zod_transaction.h"
#include "temp_folder.h"

namespace fib {
namespace {

using fib_test::DatabaseTest;
using fib_test::ExecuteSql;

std::vector<std::string> Lines(const classlib::TStringList& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
  return lines;
}

class ZODDatabaseTest : public DatabaseTest {
 protected:
  std::unique_ptr<TpZODDatabase> NewZOD() {
    auto db = std::make_unique<TpZODDatabase>(nullptr);
    db->SetDBName(file_.Path());
    fib_test::SetUpdaterParams(*db);
    db->SetSQLDialect(3);
    db->SetSynchronizeTime(false);
    return db;
  }

  // Kills the attachment of `db` from the observer's connection, as an
  // administrator (or a server going down) would.
  void KillAttachment(TpZODDatabase& db) {
    int64_t id = db.QueryValue("select current_connection from rdb$database", 0).AsInt64();
    classlib::Variant args[] = {classlib::Variant(static_cast<long long>(id))};
    observer_->QueryValue("delete from mon$attachments where mon$attachment_id = ?", 0, args);
  }
};

TEST_F(ZODDatabaseTest, CancelledAndRepeatedConnectsAndDisconnectsRaiseNothing) {
  auto db = NewZOD();
  int asked = 0;
  db->BeforeConnect = TFIBLoginEvent::Function(
      [&](TpZODDatabase*, classlib::TStringList& params, bool& do_connect) {
        ++asked;
        EXPECT_EQ(params.Values("user_name"), "SYSDBA");
        do_connect = asked > 1;
      });
  EXPECT_NO_THROW(db->Disconnect(false));  // disconnected: nothing happens
  EXPECT_NO_THROW(db->Connect());
  EXPECT_FALSE(db->Connected());
  db->Connect();
  EXPECT_TRUE(db->Connected());
  EXPECT_NO_THROW(db->Connect());  // connected: nothing happens, no second BeforeConnect
  EXPECT_EQ(asked, 2);
  db->Disconnect(false);
  EXPECT_FALSE(db->Connected());
}

TEST_F(ZODDatabaseTest, InstalledLoginDialogSuppliesThePasswordOfTheConnect) {
  auto db = NewZOD();
  db->DBParams().SetText("user_name=SYSDBA\r\npassword=wrong\r\nlc_ctype=WIN1251");
  db->SetUseLoginPrompt(true);
  std::string shown_user;
  InstallDBLoginDialog([&](DBLoginDialogFields& fields) {
    shown_user = fields.user_name;
    fields.password = "masterkey";
    return true;
  });
  db->Connect();
  InstallDBLoginDialog(nullptr);
  EXPECT_TRUE(db->Connected());
  EXPECT_EQ(shown_user, "SYSDBA");
  EXPECT_EQ(db->DBParams().Values("password"), "masterkey");
}

class CatalogueTest : public ZODDatabaseTest {
 protected:
  CatalogueTest() {
    ExecuteSql(file_.Library(), file_.Handle(),
               "CREATE TABLE B (ID INTEGER, NAME VARCHAR(10), TWICE COMPUTED BY (ID * 2), "
               "LAST_ONE INTEGER)");
    ExecuteSql(file_.Library(), file_.Handle(), "CREATE TABLE A (X INTEGER)");
    ExecuteSql(file_.Library(), file_.Handle(), "CREATE VIEW V_A AS SELECT X FROM A");
  }
};

TEST_F(CatalogueTest, TableNamesLeaveOutViewsAndSystemTablesUnlessAsked) {
  auto db = NewZOD();
  db->Connect();
  classlib::TStringList names;
  names.Add("stale");
  db->GetTableNames(names, false);
  EXPECT_EQ(Lines(names), (std::vector<std::string>{"A", "B", "T"}));

  db->GetTableNames(names, true);
  std::vector<std::string> all = Lines(names);
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
  EXPECT_NE(std::find(all.begin(), all.end(), "RDB$RELATIONS"), all.end());
  EXPECT_NE(std::find(all.begin(), all.end(), "B"), all.end());
  EXPECT_EQ(std::find(all.begin(), all.end(), "V_A"), all.end());
  EXPECT_FALSE(db->InternalTransaction().Active());

  // The pooled statement keeps its macro: asking again without system
  // tables must not reuse the previous expansion.
  db->GetTableNames(names, false);
  EXPECT_EQ(names.Count(), 3);
}

TEST_F(CatalogueTest, FieldNamesInPositionOrderWithComputedOnlyWhenAsked) {
  auto db = NewZOD();
  db->Connect();
  classlib::TStringList names;
  db->GetFieldNames("B", names, true);
  EXPECT_EQ(Lines(names), (std::vector<std::string>{"ID", "NAME", "TWICE", "LAST_ONE"}));
  db->GetFieldNames("B", names, false);
  EXPECT_EQ(Lines(names), (std::vector<std::string>{"ID", "NAME", "LAST_ONE"}));
  db->GetFieldNames("V_A", names, true);
  EXPECT_EQ(Lines(names), (std::vector<std::string>{"X"}));
  // In dialect 3 names are case-sensitive, in dialect 1 they are upper-cased.
  db->GetFieldNames("b", names, true);
  EXPECT_EQ(names.Count(), 0);
  db->Disconnect(false);
  db->SetSQLDialect(1);
  db->Connect();
  db->GetFieldNames("b", names, false);
  EXPECT_EQ(Lines(names), (std::vector<std::string>{"ID", "NAME", "LAST_ONE"}));
}

TEST_F(CatalogueTest, CatalogueOnADisconnectedDatabaseIsAClientError) {
  auto db = NewZOD();
  classlib::TStringList names;
  EXPECT_THROW(db->GetTableNames(names, false), EFIBClientError);
  EXPECT_THROW(db->GetFieldNames("B", names, false), EFIBClientError);
}

TEST_F(ZODDatabaseTest, SchemaCacheIsSavedAtDisconnectLoadedAtConnectAndForgottenWithTheComponent) {
  fib_test::TempFolder folder;
  std::string file = folder.File("schema.mcf");
  MetadataCaches& caches = ProcessMetadataCaches();
  TpZODTableInfo table;
  table.DBName = file_.Path();
  table.TableName = "T";
  table.AddField("V");
  caches.TableInfo.Add("T", table);
  caches.ErrorMessages.Add(file_.Path(), "PK_T", 1, "Duplicate value");

  auto saver = NewZOD();
  saver->CacheSchemaOptions().SetLocalCacheFile(file);
  saver->CacheSchemaOptions().SetAutoSaveToFile(true);
  saver->Connect();
  EXPECT_FALSE(std::filesystem::exists(file));
  saver->Disconnect(false);
  EXPECT_TRUE(std::filesystem::exists(file));
  caches.TableInfo.Clear();
  caches.ErrorMessages.Clear();

  {
    auto loader = NewZOD();
    loader->CacheSchemaOptions().SetLocalCacheFile(file);
    loader->CacheSchemaOptions().SetAutoLoadFromFile(true);
    loader->Connect();
    EXPECT_EQ(caches.TableInfo.Count(), 1);
    ASSERT_NE(caches.ErrorMessages.Find(file_.Path(), "PK_T"), nullptr);
    EXPECT_EQ(caches.ErrorMessages.Find(file_.Path(), "PK_T")->Text, "Duplicate value");
  }
  EXPECT_EQ(caches.TableInfo.Count(), 0);
  caches.ErrorMessages.Clear();
}

TEST_F(ZODDatabaseTest, KilledAttachmentIsNoticedAtDisconnectAndClosedQuietly) {
  auto db = NewZOD();
  TpZODTransaction transaction(nullptr);
  transaction.SetDefaultDatabase(db.get());
  db->Connect();
  TFIBQuery query(nullptr);
  query.SetDatabase(db.get());
  query.SetTransaction(&transaction);
  query.SQL().SetText("select V from T");
  transaction.StartTransaction();
  query.ExecQuery();
  KillAttachment(*db);

  std::vector<TOnLostConnectActions> seen;
  db->OnLostConnect = TFIBLostConnectEvent::Function(
      [&](TpZODDatabase*, const EFIBError&, TOnLostConnectActions& actions) {
        seen.push_back(actions);
      });
  EXPECT_NO_THROW(db->Disconnect(false));
  EXPECT_EQ(seen, std::vector<TOnLostConnectActions>{laCloseConnect});
  EXPECT_FALSE(db->Connected());
  EXPECT_FALSE(transaction.Active());
  EXPECT_FALSE(query.Open());
  EXPECT_EQ(query.Handle(), 0u);

  // The components work again after a fresh connect.
  db->Connect();
  transaction.StartTransaction();
  query.ExecQuery();
  EXPECT_TRUE(query.Open());
  query.Close();
  transaction.Commit();
}

TEST_F(ZODDatabaseTest, IgnoredLossKeepsTheHandleAndWaitRestoreReconnectsByTimer) {
  auto db = NewZOD();
  db->Connect();
  KillAttachment(*db);
  EXPECT_FALSE(db->CheckConnectionAlive(laIgnore));
  EXPECT_TRUE(db->Connected());  // ignored: the dead handle stays

  EXPECT_EQ(db->WaitForRestoreConnect(), 0u);
  db->SetWaitForRestoreConnect(20);
  EXPECT_EQ(db->WaitForRestoreConnect(), 20u);
  int restored = 0;
  db->AfterRestoreConnect =
      TFIBRestoreConnectEvent::Function([&](TpZODDatabase* sender) {
        EXPECT_TRUE(sender->Connected());
        ++restored;
      });
  EXPECT_FALSE(db->CheckConnectionAlive(laWaitRestore));
  EXPECT_FALSE(db->Connected());
  EXPECT_TRUE(db->RestoreTimerEnabled());

  db->TryRestoreConnect();
  EXPECT_TRUE(db->Connected());
  EXPECT_FALSE(db->RestoreTimerEnabled());
  EXPECT_EQ(restored, 1);
  EXPECT_TRUE(db->CheckConnectionAlive(laCloseConnect));
  db->SetWaitForRestoreConnect(0);
  EXPECT_EQ(db->WaitForRestoreConnect(), 0u);
}

TEST_F(ZODDatabaseTest, FailedReconnectKeepsTheTimerUnlessTheHandlerEndsTheApplication) {
  auto db = NewZOD();
  db->Connect();
  KillAttachment(*db);
  db->SetWaitForRestoreConnect(20);
  db->CheckConnectionAlive(laWaitRestore);
  db->SetDBName(file_.Path() + ".missing");

  TOnLostConnectActions next = laIgnore;
  std::vector<TOnLostConnectActions> preset;
  db->OnErrorRestoreConnect = TFIBLostConnectEvent::Function(
      [&](TpZODDatabase*, const EFIBError&, TOnLostConnectActions& actions) {
        preset.push_back(actions);
        actions = next;
      });
  EXPECT_NO_THROW(db->TryRestoreConnect());
  EXPECT_FALSE(db->Connected());
  EXPECT_TRUE(db->RestoreTimerEnabled());

  std::string shown;
  SetErrorMessageHook([&](const std::string& message) { shown = message; });
  int asked_to_end = 0;
  int refuse = AddTerminateCheck([&] {
    ++asked_to_end;
    return false;  // a refusing check keeps the test's message loop running
  });
  next = laTerminateApp;
  db->TryRestoreConnect();
  EXPECT_EQ(preset, (std::vector<TOnLostConnectActions>{laIgnore, laIgnore}));
  EXPECT_NE(shown.find(".missing"), std::string::npos);
  EXPECT_EQ(asked_to_end, 1);
  RemoveTerminateCheck(refuse);
  SetErrorMessageHook(nullptr);
}

TEST_F(ZODDatabaseTest, TransactionPresetReplacesParamsAndEventsRunInOrder) {
  auto db = NewZOD();
  TpZODTransaction transaction(nullptr);
  transaction.SetDefaultDatabase(db.get());
  db->Connect();
  std::vector<std::string> calls;
  auto notify = [&](const char* name) {
    return classlib::TNotifyEvent::Function([&calls, name](classlib::TObject*) {
      calls.push_back(name);
    });
  };
  auto end = [&](const char* name) {
    return TEndTransactionEvent::Function(
        [&calls, name](TFIBTransaction*, TTransactionAction action, bool force) {
          calls.push_back(std::string(name) + (action == TACommit ? " commit" : " other") +
                          (force ? " forced" : ""));
        });
  };
  db->BeforeStartTransaction = notify("db before start");
  db->AfterStartTransaction = notify("db after start");
  transaction.BeforeStart = notify("before start");
  transaction.AfterStart = notify("after start");
  db->BeforeEndTransaction = end("db before end");
  db->AfterEndTransaction = end("db after end");
  transaction.BeforeEnd = end("before end");
  transaction.AfterEnd = end("after end");

  transaction.TRParams().Add("read");
  transaction.StartTransaction();
  EXPECT_EQ(Lines(transaction.TRParams()),
            (std::vector<std::string>{"write", "isc_tpb_nowait", "rec_version", "read_committed"}));
  transaction.StartTransaction();  // active: nothing fires again
  transaction.Commit();
  EXPECT_EQ(calls, (std::vector<std::string>{"db before start", "before start", "after start",
                                             "db after start", "db before end commit",
                                             "before end commit", "after end commit",
                                             "db after end commit"}));

  transaction.SetTPBMode(tpbRepeatableRead);
  transaction.StartTransaction();
  EXPECT_EQ(Lines(transaction.TRParams()),
            (std::vector<std::string>{"write", "isc_tpb_nowait", "concurrency"}));
  transaction.Rollback();
  transaction.SetTPBMode(tpbDefault);
  transaction.TRParams().SetText("read\nconcurrency");
  transaction.StartTransaction();
  EXPECT_EQ(Lines(transaction.TRParams()), (std::vector<std::string>{"read", "concurrency"}));
  transaction.Rollback();
}

TEST_F(ZODDatabaseTest, StatementsReportTheirExecutionToTheTransaction) {
  auto db = NewZOD();
  TpZODTransaction transaction(nullptr);
  transaction.SetDefaultDatabase(db.get());
  db->Connect();
  TFIBQuery query(nullptr);
  query.SetDatabase(db.get());
  query.SetTransaction(&transaction);
  query.SQL().SetText("insert into T (V) values (1)");
  std::vector<std::string> calls;
  transaction.BeforeSQLExecute = TOnSQLExecute::Function([&](TFIBQuery* q, TFIBSQLTypes type) {
    EXPECT_EQ(q, &query);
    calls.push_back("before " + std::to_string(type));
  });
  transaction.AfterSQLExecute = TOnSQLExecute::Function([&](TFIBQuery*, TFIBSQLTypes type) {
    calls.push_back("after " + std::to_string(type));
  });
  transaction.StartTransaction();
  query.ExecQuery();
  transaction.Commit();
  std::string insert = std::to_string(SQLInsert);
  EXPECT_EQ(calls, (std::vector<std::string>{"before " + insert, "after " + insert}));
}

}  // namespace
}  // namespace fib
