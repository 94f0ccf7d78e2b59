// The connection component on the embedded engine: connecting, the checks
// that guard a live connection, the database-wide queries and the idle
// time-out.
#include "fib/statements/fib_database.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "classlib/codepage.h"
#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "database_fixture.h"
#include "fib/base/errors.h"
#include "fib/base/fib_timer.h"
#include "fib/statements/database_list.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "platform/clock.h"
#include "platform/plain_message_loop.h"
#include "testing/message_of.h"

namespace fib {
namespace {

using classlib::Variant;
using fib_test::DatabaseTest;

using classlib::testing::MessageOf;

TEST_F(DatabaseTest, ConnectsAndDisconnectsWithEventsInOrder) {
  classlib::TComponent form(nullptr);
  form.SetName("Form1");
  auto db = NewDatabase(&form);
  db->SetName("zodDB");
  fib_test::RecordingLogger logger;
  db->SetSQLLogger(&logger);
  std::vector<std::string> events;
  db->OnConnect = classlib::TNotifyEvent::Function([&](classlib::TObject* sender) {
    EXPECT_EQ(sender, db.get());
    events.push_back("OnConnect");
  });
  db->ConnectHandlers().Add(classlib::TNotifyEvent::Function(
      [&](classlib::TObject*) { events.push_back("connect handler"); }));
  db->BeforeDisconnect = classlib::TNotifyEvent::Function([&](classlib::TObject*) {
    EXPECT_TRUE(db->Connected());
    events.push_back("BeforeDisconnect");
  });
  db->AfterDisconnect = classlib::TNotifyEvent::Function([&](classlib::TObject*) {
    EXPECT_FALSE(db->Connected());
    events.push_back("AfterDisconnect");
  });

  db->Connect();
  EXPECT_TRUE(db->Connected());
  EXPECT_NE(db->Handle(), 0u);
  EXPECT_FALSE(db->IsUnicodeConnect());
  EXPECT_FALSE(db->NoCharSetConversion());
  db->Close();
  EXPECT_FALSE(db->Connected());
  db->Close();  // nothing to do

  EXPECT_EQ(events, (std::vector<std::string>{"OnConnect", "connect handler", "BeforeDisconnect",
                                              "AfterDisconnect"}));
  std::vector<std::string> connection_log;
  for (const auto& entry : logger.entries) {
    if (entry.kind != kLogConnection) continue;
    EXPECT_EQ(entry.component, "Form1.zodDB");
    connection_log.push_back(entry.text);
  }
  EXPECT_EQ(connection_log, (std::vector<std::string>{"Connect", "Disconnect"}));
}

TEST_F(DatabaseTest, RefusedAttachLeavesTheDatabaseDisconnected) {
  auto db = NewDatabase();
  db->SetDBName(file_.Path() + ".missing");
  try {
    db->Connect();
    FAIL() << "attach to a missing file succeeded";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_NE(e.Message().find("I/O error"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find(".missing"), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(db->Connected());
  EXPECT_EQ(db->Handle(), 0u);
}

// The name is ANSI like every text of the layer, while the file system
// names the file in UTF-8: a folder with Cyrillic letters and a blank.
TEST(DatabaseFileNameTest, AFileInAFolderWithCyrillicLettersAttachesByItsAnsiName) {
  fib_test::EmbeddedDatabase file("Базы данных/книги.fdb");
  TFIBDatabase db(nullptr);
  fib_test::SetUpdaterParams(db);
  db.SetDBName(classlib::Utf8ToCp1251(file.Path()));
  db.Connect();
  EXPECT_TRUE(db.Connected());
  EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM RDB$DATABASE", 0).AsInt64(), 1);
  db.Close();

  // A refusal quotes the name as it was given.
  TFIBDatabase missing(nullptr);
  fib_test::SetUpdaterParams(missing);
  const std::string missing_name = classlib::Utf8ToCp1251(file.Path() + ".нет");
  missing.SetDBName(missing_name);
  const std::string message = MessageOf([&] { missing.Connect(); });
  EXPECT_NE(message.find("\"" + missing_name + "\""), std::string::npos) << message;
}

TEST_F(DatabaseTest, GuardsAgainstMisuse) {
  classlib::TComponent form(nullptr);
  form.SetName("Form1");
  auto db = NewDatabase(&form);
  db->SetName("DB");
  EXPECT_EQ(MessageOf([&] { db->Disconnect(false); }),
            "Form1.DB: Cannot perform operation -- DB is not open.");
  EXPECT_THROW(db->SetSQLDialect(0), EFIBClientError);
  std::string name = db->DBName();
  db->SetDBName("");
  EXPECT_EQ(MessageOf([&] { db->Connect(); }), "Database name is missing.");
  db->SetDBName(name);

  db->Connect();
  std::string lines = db->DBParams().Text();
  EXPECT_EQ(MessageOf([&] { db->DBParams().SetText("user_name=OTHER"); }),
            "Cannot perform operation -- DB is currently open.");
  EXPECT_EQ(db->DBParams().Text(), lines);
  EXPECT_THROW(db->SetDBName("other.fdb"), EFIBClientError);
  EXPECT_THROW(db->SetLibraryName("other.so"), EFIBClientError);
  EXPECT_THROW(db->Connect(), EFIBClientError);
  EXPECT_EQ(MessageOf([&] { db->SetSQLDialect(4); }), "SQL Dialect invalid");
  db->SetSQLDialect(1);
  EXPECT_EQ(db->SQLDialect(), 1);
}

TEST_F(DatabaseTest, DialectFallsToTheDatabaseFile) {
  fib_test::TempFolder folder;
  std::string path = folder.File("d1.fdb");
  isc_db_handle created = 0;
  isc_tr_handle none = 0;
  IIBClientLibrary& library = file_.Library();
  std::string create = "CREATE DATABASE '" + path + "' USER 'SYSDBA' PASSWORD 'masterkey'";
  CheckClientCall(library.isc_dsql_execute_immediate(StatusVector(), &created, &none, 0,
                                                     create.c_str(), 1, nullptr),
                  true, library, nullptr);
  library.isc_detach_database(StatusVector(), &created);

  TFIBDatabase db(nullptr);
  db.SetDBName(path);
  fib_test::SetUpdaterParams(db);
  db.DBParams().Add("sql_dialect=3");
  db.SetSQLDialect(3);
  db.Connect();
  EXPECT_EQ(db.DatabaseSQLDialect(), 1);
  EXPECT_EQ(db.SQLDialect(), 1);
  EXPECT_THROW(db.SetSQLDialect(3), EFIBClientError);
  // Dialect 1 asks for the time as DATE, which there carries the time too.
  EXPECT_LT(std::fabs(db.GetServerTime() - classlib::Now()), 5.0 / 86400);
}

TEST_F(DatabaseTest, ReadsTheServerVersion) {
  ServerVersion v = ParseServerVersion("LI-V3.0.11.33637 Firebird 3.0");
  EXPECT_EQ(v.major, 3);
  EXPECT_EQ(v.minor, 0);
  EXPECT_EQ(v.release, 11);
  EXPECT_EQ(v.build, 33637);
  v = ParseServerVersion("WI-V6.3.2.4731 InterBase");
  EXPECT_EQ(v.major, 6);
  EXPECT_EQ(v.build, 4731);
  // The last character never counts; an empty run gives 0.
  v = ParseServerVersion("LI-V7..9");
  EXPECT_EQ(v.major, 7);
  EXPECT_EQ(v.minor, 0);
  EXPECT_EQ(v.release, -1);

  observer_->Close();
  observer_->Connect();
  EXPECT_TRUE(observer_->IsFirebirdConnect());
  EXPECT_EQ(observer_->ServerVersionText().substr(0, 5), "LI-V3");
  EXPECT_EQ(observer_->ServerMajorVersion(), 3);
  EXPECT_EQ(observer_->ServerMinorVersion(), 0);
  EXPECT_GT(observer_->ServerBuild(), 0);
}

TEST_F(DatabaseTest, ParameterLinesByCodeAndName) {
  auto db = NewDatabase();
  db->DBParams().SetText("isc_dpb_user_name=SYSDBA\r\nPassword=masterkey");
  EXPECT_EQ(db->GetDBParamValue(isc_dpb_user_name), "SYSDBA");
  EXPECT_EQ(db->GetDBParamValue(isc_dpb_password), "masterkey");
  EXPECT_EQ(db->GetDBParamValue(isc_dpb_lc_ctype), "");
  EXPECT_EQ(db->ConnectParams().UserName(), "SYSDBA");
  db->DBParams().Add("password_enc=other");  // a longer name is another line
  EXPECT_EQ(db->GetDBParamValue(isc_dpb_password), "masterkey");
  db->DBParams().Delete(2);
  db->ConnectParams().SetCharSet("unicode_fss");
  db->SetDBParamValue("user_name", "ADMIN");
  db->SetDBParamValue(isc_dpb_password, "");
  EXPECT_EQ(db->DBParams().Text(), "user_name=ADMIN\r\nlc_ctype=UNICODE_FSS\r\n");

  db->DBParams().Add("password=masterkey");
  db->SetDBParamValue("user_name", "SYSDBA");
  db->Connect();
  EXPECT_TRUE(db->IsUnicodeConnect());
  EXPECT_TRUE(db->NoCharSetConversion());
}

// Whatever fails after the attach, the database does not stay attached:
// Connected() says false and another Connect is no "already open" error.
TEST_F(DatabaseTest, AConnectThatFailsAfterTheAttachLeavesNothingAttached) {
  auto db = NewDatabase();
  int disconnects = 0;
  db->AfterDisconnect = classlib::TNotifyEvent::Function([&](classlib::TObject*) { ++disconnects; });
  db->OnConnect = classlib::TNotifyEvent::Function(
      [](classlib::TObject*) { throw classlib::Exception("refused by the handler"); });
  EXPECT_EQ(MessageOf([&] { db->Connect(); }), "refused by the handler");
  EXPECT_FALSE(db->Connected());
  EXPECT_EQ(disconnects, 1);
  db->OnConnect = {};
  db->Connect();
  EXPECT_TRUE(db->Connected());
  EXPECT_EQ(db->QueryValue("select count(*) from rdb$database", 0).AsInteger(), 1);
}

TEST_F(DatabaseTest, LoginHookSuppliesTheAccount) {
  auto db = NewDatabase();
  db->SetUseLoginPrompt(true);
  SetLoginHook(nullptr);
  EXPECT_EQ(MessageOf([&] { db->Connect(); }),
            "Unable to find Database login dialog. Please, add FIBDBLoginDlg into USES "
            "statement of your project.");

  SetLoginHook([](const std::string&, std::string&, std::string&, std::string&) { return false; });
  EXPECT_EQ(MessageOf([&] { db->Connect(); }), "Operation cancelled at user's request.");
  EXPECT_FALSE(db->Connected());

  db->DBParams().SetText("isc_dpb_user_name=NOBODY\r\nlc_ctype=WIN1251");
  std::string seen_db, seen_user;
  SetLoginHook([&](const std::string& name, std::string& user, std::string& password,
                   std::string& role) {
    seen_db = name;
    seen_user = user;
    user = "SYSDBA";
    password = "masterkey";
    role = "";
    return true;
  });
  db->Connect();
  SetLoginHook(nullptr);
  EXPECT_TRUE(db->Connected());
  EXPECT_EQ(seen_db, file_.Path());
  EXPECT_EQ(seen_user, "NOBODY");
  EXPECT_EQ(db->DBParams().Text(),
            "user_name=SYSDBA\r\nlc_ctype=WIN1251\r\npassword=masterkey\r\nsql_role_name=\r\n");
}

TEST_F(DatabaseTest, QueryValueBindsAndReadsValues) {
  Variant five[] = {Variant(5)};
  EXPECT_EQ(observer_->QueryValue("select coalesce(cast(? as integer), -1) from rdb$database", 0,
                                  five)
                .AsInt64(),
            5);
  // The same pooled statement again: Null and missing values go out as NULL.
  Variant null[] = {classlib::Null()};
  EXPECT_EQ(observer_->QueryValue("select coalesce(cast(? as integer), -1) from rdb$database", 0,
                                  null)
                .AsInt64(),
            -1);
  EXPECT_EQ(
      observer_->QueryValue("select coalesce(cast(? as integer), -1) from rdb$database", 0)
          .AsInt64(),
      -1);

  Variant args[] = {Variant(std::string("abc")), Variant(2.5),
                    Variant::FromDate(classlib::EncodeDate(2024, 2, 29) + 0.5)};
  Variant row = observer_->QueryValue(
      "select cast(? as varchar(10)) || 'd', cast(? as double precision) * 2, "
      "cast(? as timestamp), cast(1.25 as numeric(9,2)), cast('blob text' as blob sub_type text) "
      "from rdb$database",
      -1, args);
  ASSERT_TRUE(classlib::VarIsArray(row));
  EXPECT_EQ(classlib::VarArrayGet(row, {0}).AsString(), "abcd");
  EXPECT_DOUBLE_EQ(classlib::VarArrayGet(row, {1}).AsDouble(), 5.0);
  EXPECT_DOUBLE_EQ(classlib::VarArrayGet(row, {2}).AsDate(),
                   classlib::EncodeDate(2024, 2, 29) + 0.5);
  EXPECT_DOUBLE_EQ(classlib::VarArrayGet(row, {3}).AsDouble(), 1.25);
  EXPECT_EQ(classlib::VarArrayGet(row, {4}).AsString(), "blob text");

  EXPECT_TRUE(classlib::VarIsNull(observer_->QueryValue("select V from T", 0)));
  EXPECT_TRUE(classlib::VarIsEmpty(observer_->QueryValue("update T set V = 1", 0)));
  EXPECT_THROW(observer_->QueryValue("select 1 from rdb$database", 1), EFIBClientError);
  EXPECT_THROW(observer_->QueryValue("select nonsense from nowhere", 0), EFIBInterBaseError);
  EXPECT_FALSE(observer_->InternalTransaction().Active());
}

// QueryValue runs on a pooled statement, which parses its text: named
// parameters become markers and take the values in their order.
TEST_F(DatabaseTest, QueryValueTakesNamedParameters) {
  Variant args[] = {Variant(4), Variant(std::string("x"))};
  EXPECT_EQ(observer_->QueryValue("select (cast(:A as integer) * 10) || cast(:B as varchar(5)) "
                                  "from rdb$database",
                                  0, args)
                .AsString(),
            "40x");
  Variant one[] = {Variant(3)};
  EXPECT_EQ(observer_->QueryValue("select count(*) from T where V = :V", 0, one).AsInt64(), 0);
  // Names, not positions, make the markers: the values go in marker order.
  Variant two[] = {Variant(2), Variant(5)};
  EXPECT_EQ(observer_->QueryValue("select cast(:SECOND as integer) - cast(:FIRST as integer) "
                                  "from rdb$database",
                                  0, two)
                .AsInt64(),
            -3);
  EXPECT_FALSE(observer_->InternalTransaction().Active());
}

TEST_F(DatabaseTest, StatementsSurviveAReconnect) {
  const std::string sql = "select count(*) from rdb$relations";
  int64_t before = observer_->QueryValue(sql, 0).AsInt64();
  observer_->Close();
  observer_->Connect();
  EXPECT_EQ(observer_->QueryValue(sql, 0).AsInt64(), before);
}

TEST_F(DatabaseTest, GeneratorNamesFollowTheDialect) {
  fib_test::ExecuteSql(file_.Library(), file_.Handle(), "CREATE GENERATOR MY_GEN");
  fib_test::ExecuteSql(file_.Library(), file_.Handle(), "CREATE GENERATOR \"low_gen\"");
  // Dialect 3 keeps the case of names with lower-case letters by quoting.
  EXPECT_EQ(observer_->GeneratorValue("MY_GEN", 1), 1);
  EXPECT_EQ(observer_->GeneratorValue("MY_GEN", 10), 11);
  EXPECT_EQ(observer_->GeneratorValue("low_gen", 5), 5);
  EXPECT_EQ(observer_->GeneratorValue("\"low_gen\"", 0), 5);
  EXPECT_THROW(observer_->GeneratorValue("my_gen", 0), EFIBInterBaseError);
  // A keyword is quoted too.
  fib_test::ExecuteSql(file_.Library(), file_.Handle(), "CREATE GENERATOR \"ORDER\"");
  EXPECT_EQ(observer_->GeneratorValue("ORDER", 3), 3);
  // Old-style names are taken as upper-case.
  observer_->SetUpperOldNames(true);
  EXPECT_EQ(observer_->GeneratorValue("my_gen", 0), 11);
  EXPECT_THROW(observer_->GeneratorValue("low_gen", 0), EFIBInterBaseError);
  observer_->SetUpperOldNames(false);
  observer_->SetSQLDialect(1);
  EXPECT_EQ(observer_->GeneratorValue(" my_gen ", -1), 10);
  EXPECT_FALSE(observer_->InternalTransaction().Active());
}

TEST_F(DatabaseTest, ServerTimeAndItsDifference) {
  auto db = NewDatabase();
  db->Connect();
  classlib::TDateTime server = db->GetServerTime();
  EXPECT_LT(std::fabs(server - classlib::Now()), 5.0 / 86400);
  EXPECT_LT(std::fabs(db->ServerTimeDifference()), 5.0 / 86400);
}

TEST_F(DatabaseTest, WithoutTimeSynchronisationNoStatementRuns) {
  auto db = NewDatabase();
  db->SetSynchronizeTime(false);
  db->Connect();
  EXPECT_EQ(db->ServerTimeDifference(), 0.0);
  EXPECT_FALSE(db->InternalTransaction().Active());
}

TEST_F(DatabaseTest, HandlerFailuresAroundDisconnectNameTheDatabase) {
  classlib::TComponent form(nullptr);
  form.SetName("Form1");
  auto db = NewDatabase(&form);
  db->SetName("DB");
  db->Connect();
  db->BeforeDisconnect = classlib::TNotifyEvent::Function(
      [](classlib::TObject*) { throw classlib::Exception("busy"); });
  EXPECT_EQ(MessageOf([&] { db->Close(); }), "Error of Form1.DB.BeforeDisconnect. busy");
  EXPECT_TRUE(db->Connected());
  db->BeforeDisconnect = nullptr;
  db->AfterDisconnect = classlib::TNotifyEvent::Function(
      [](classlib::TObject*) { throw classlib::Exception("gone"); });
  EXPECT_EQ(MessageOf([&] { db->Close(); }), "Error of Form1.DB.AfterDisconnect. gone");
  EXPECT_FALSE(db->Connected());
}

TEST_F(DatabaseTest, LinksStayDenseAndFollowTheDefaultTransaction) {
  auto db = NewDatabase();
  TFIBTransaction tr(nullptr);
  tr.SetDefaultDatabase(db.get());
  db->SetDefaultTransaction(&tr);
  int before = db->LinkCount();
  TFIBBase a(nullptr), b(nullptr), c(nullptr);
  a.SetDatabase(db.get());
  b.SetDatabase(db.get());
  c.SetDatabase(db.get());
  EXPECT_EQ(a.Transaction(), &tr);
  b.SetDatabase(nullptr);
  ASSERT_EQ(db->LinkCount(), before + 2);
  EXPECT_EQ(db->Links(before), &a);
  EXPECT_EQ(db->Links(before + 1), &c);

  // A link whose owner is being loaded from a form waits for its own
  // transaction.
  classlib::TComponent form(nullptr);
  form.BeginLoading();
  TFIBBase loading(&form);
  loading.SetDatabase(db.get());
  EXPECT_EQ(loading.Transaction(), nullptr);
  form.EndLoading();

  EXPECT_THROW(TFIBBase(nullptr).CheckDatabase(), EFIBClientError);
  EXPECT_THROW(a.CheckDatabase(), EFIBClientError);  // not connected
  EXPECT_THROW(a.CheckTransaction(), EFIBClientError);
}

TEST_F(DatabaseTest, DestructionFreesLinksAndLeavesTheProcessList) {
  auto db = NewDatabase();
  TFIBDatabase* raw = db.get();
  EXPECT_NE(std::find(LiveDatabases().begin(), LiveDatabases().end(), raw), LiveDatabases().end());
  TFIBBase link(nullptr);
  int freed = 0;
  link.OnDatabaseFree = TFIBBaseEvent::Function([&](TFIBBase* l) {
    EXPECT_EQ(l, &link);
    ++freed;
  });
  link.SetDatabase(raw);
  db->Connect();
  db.reset();
  EXPECT_EQ(freed, 1);
  EXPECT_EQ(link.Database(), nullptr);
  auto live = LiveDatabases();
  EXPECT_EQ(std::find(live.begin(), live.end(), raw), live.end());
}

// The idle time-out on a loop whose time moves only when the test says so.
class IdleTimeoutTest : public DatabaseTest {
 protected:
  IdleTimeoutTest() : loop_(&clock_) { platform::MessageLoop::SetCurrent(&loop_); }
  ~IdleTimeoutTest() override { platform::MessageLoop::SetCurrent(nullptr); }
  void Pass(int ms) {
    clock_.Advance(std::chrono::milliseconds(ms));
    loop_.ProcessMessages();
  }
  platform::ManualClock clock_;
  platform::PlainMessageLoop loop_;
};

// The time-out runs from the message loop: what its disconnect raises goes
// to the application's error hook instead of out of the loop.
TEST_F(IdleTimeoutTest, AnErrorOfTheTimeOutGoesToTheApplicationsErrorHook) {
  classlib::TComponent form(nullptr);
  form.SetName("Form1");
  auto db = NewDatabase(&form);
  db->SetName("DB");
  std::vector<std::string> errors;
  SetTimerErrorHook([&](const std::exception& error) { errors.emplace_back(error.what()); });
  db->BeforeDisconnect = classlib::TNotifyEvent::Function(
      [](classlib::TObject*) { throw classlib::Exception("still busy"); });
  db->SetTimeout(1000);
  db->Connect();
  Pass(1000);
  EXPECT_NO_THROW(Pass(1000));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Error of Form1.DB.BeforeDisconnect. still busy");
  EXPECT_TRUE(db->Connected());
  SetTimerErrorHook(nullptr);
  db->BeforeDisconnect = {};
  Pass(1000);
  EXPECT_FALSE(db->Connected());
}

TEST_F(IdleTimeoutTest, DisconnectsAfterOneToTwoIdleIntervals) {
  auto db = NewDatabase();
  int timeouts = 0;
  db->OnTimeout = classlib::TNotifyEvent::Function([&](classlib::TObject*) { ++timeouts; });
  db->SetTimeout(1000);
  db->Connect();
  Pass(1000);
  EXPECT_TRUE(db->Connected());
  db->QueryValue("select 1 from rdb$database", 0);  // activity clears the idle flag
  Pass(1000);
  EXPECT_TRUE(db->Connected());
  Pass(1000);
  EXPECT_FALSE(db->Connected());
  EXPECT_EQ(timeouts, 1);
  Pass(5000);
  EXPECT_EQ(timeouts, 1);

  db->Connect();
  db->SetTimeout(0);
  Pass(5000);
  EXPECT_TRUE(db->Connected());
}

// Every client call of a statement goes through the database's own check
//, so statements keep their connection from counting as idle.
TEST_F(IdleTimeoutTest, StatementsEveryFourHundredMillisecondsKeepTheConnection) {
  auto db = NewDatabase();
  TFIBTransaction transaction(nullptr);
  transaction.SetDefaultDatabase(db.get());
  int timeouts = 0;
  db->OnTimeout = classlib::TNotifyEvent::Function([&](classlib::TObject*) { ++timeouts; });
  db->SetTimeout(1000);
  db->Connect();
  transaction.StartTransaction();  // the last transaction call for a while
  TFIBQuery query(nullptr);
  query.SetDatabase(db.get());
  query.SetTransaction(&transaction);
  query.SQL().SetText("select V from T");
  for (int i = 0; i < 15; ++i) {  // six seconds
    Pass(400);
    ASSERT_TRUE(db->Connected()) << "after " << (i + 1) * 400 << " ms";
    query.ExecQuery();
    query.Close();
  }
  EXPECT_EQ(timeouts, 0);
  transaction.Commit();
  Pass(1000);
  Pass(1000);
  EXPECT_FALSE(db->Connected());
  EXPECT_EQ(timeouts, 1);
}

}  // namespace
}  // namespace fib

namespace fib {
namespace {

// A log that is itself a component: the database forgets it when it goes.
class ComponentLogger : public classlib::TComponent, public ISQLLogger {
 public:
  ComponentLogger() : classlib::TComponent(nullptr) {}
  void WriteData(const std::string&, const std::string&, int, const std::string&) override {}
};

TEST_F(DatabaseTest, ForgetsALoggerComponentThatGoesAway) {
  auto db = NewDatabase();
  auto logger = std::make_unique<ComponentLogger>();
  db->SetSQLLogger(logger.get());
  EXPECT_EQ(db->SQLLogger(), logger.get());
  logger.reset();
  EXPECT_EQ(db->SQLLogger(), nullptr);
  db->Connect();  // would write to the freed log otherwise
  EXPECT_TRUE(db->Connected());
}

}  // namespace
}  // namespace fib
