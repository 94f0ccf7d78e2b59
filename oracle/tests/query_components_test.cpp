// What the query and statement components hand their driver objects, as an
// application sets it: PL/SQL tables, NonBlocking, the default session, the
// parameters' value objects at a disconnect, national texts of generated
// statements, the record count's helper, a cancelled fetch, REF CURSOR
// reopens and nested data sets of a reopened query.
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "classlib/data_link.h"
#include "classlib/field.h"
#include "classlib/field_misc.h"
#include "dacore/trace_monitor.h"
#include "oracle/call_state.h"
#include "oracle/cmd_oci_command.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/object_ora_array.h"
#include "oracle/param_ora_desc.h"
#include "oracle/rset_oci_record_set.h"
#include "oracle/tests/query_fixture.h"
#include "platform/message_loop.h"
#include "testing/callback_threads.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::Variant;
using classlib::testing::MessageOf;
using ::testing::ElementsAre;

class QueryComponentsTest : public OraQueryFixture {
 protected:
  std::unique_ptr<TOraSQL> NewSQL(const std::string& sql) {
    auto statement = std::make_unique<TOraSQL>();
    statement->SetSession(session_component_.get());
    statement->SetSQL(sql);
    return statement;
  }
  static TOCICommand* CommandOf(TOraSQL& sql) { return dynamic_cast<TOCICommand*>(sql.ICommand()); }
  static TOCICommand* CommandOf(TOraQuery& query) { return dynamic_cast<TOCICommand*>(query.ICommand()); }
};

// ---- Parameters ----------------------------------------------------------------------

TEST_F(QueryComponentsTest, PlSqlTableParameterBindsAsATableOfItsLength) {
  auto sql = NewSQL("begin pkg.p(:t); end;");
  TOraParam* table = sql->Params().ParamByName("t");
  table->SetDataType(classlib::ftInteger);
  table->SetTable(true);
  table->SetLength(3);
  for (int i = 1; i <= 3; ++i) table->SetItemValue(i, Variant(i * 10));
  sql->Execute();
  EXPECT_THAT(Calls("OCIBindByName"), ElementsAre("OCIBindByName name=t type=3 size=4 mode=0 max=3"));
  EXPECT_THAT(statements_->Received(), ElementsAre("T[1]=[10,20,30]")) << "every element, not the first alone";

  // The descriptor written last is the one an item write reaches.
  TOraParamDesc* desc = CommandOf(*sql)->ParamAt(0);
  ASSERT_EQ(table->BoundDesc(), desc);
  table->SetItemValue(2, Variant(99));
  EXPECT_EQ(desc->GetItemAsVariant(2).AsInteger(), 99);
  // A scalar again: the table length and the link go.
  table->SetTable(false);
  EXPECT_EQ(table->BoundDesc(), nullptr);
  sql->Execute();
  EXPECT_EQ(desc->GetArrayLength(), 1);
  EXPECT_FALSE(desc->GetTable());
  // A descriptor that goes (a new text) leaves no link behind.
  sql->SetSQL("begin pkg.q(:t); end;");
  EXPECT_EQ(sql->Params().ParamByName("t")->BoundDesc(), nullptr);
}

TEST_F(QueryComponentsTest, ObjectAccessorsGiveAParameterOfUnknownTypeTheirType) {
  auto sql = NewSQL("begin p(:a, :o, :n, :s); end;");
  TOraParams& params = sql->Params();
  TOraArray* array = params.ParamByName("a")->AsOraArray();
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(params.ParamByName("a")->DataType(), classlib::ftArray);
  EXPECT_EQ(params.ParamByName("a")->AsOraArray(), array) << "the same value object asked again";
  EXPECT_NE(params.ParamByName("o")->AsOraObject(), nullptr);
  EXPECT_EQ(params.ParamByName("o")->DataType(), classlib::ftADT);
  EXPECT_NE(params.ParamByName("n")->AsOraNestTable(), nullptr);
  EXPECT_EQ(params.ParamByName("n")->DataType(), classlib::ftDataSet);
  params.ParamByName("s")->SetAsString("text");
  EXPECT_EQ(params.ParamByName("s")->AsOraArray(), nullptr) << "a text parameter holds no collection";
  EXPECT_EQ(params.ParamByName("s")->DataType(), classlib::ftString);
  EXPECT_EQ(params.ParamByName("a")->AsOraObject(), nullptr) << "a VARRAY parameter is not a plain object";
}

// The values of a parameter that a session's end would leave dangling go
// while the session is whole; the values themselves stay for the next run.
TEST_F(QueryComponentsTest, DisconnectLetsParameterValuesGoOfTheSession) {
  statements_->Script("begin p(:c, :n); end;", "rows=0");
  auto sql = NewSQL("begin p(:c, :n); end;");
  TOraParam* clob = sql->Params().ParamByName("c");
  clob->SetParamType(classlib::ptInput);
  TOraLob* lob = clob->AsOraClob();
  lob->SetOCISvcCtx(session_component_->OCIConnection()->GetSvcCtx());
  lob->CreateTemporary(ltClob);
  lob->SetAsString("kept");
  sql->Params().ParamByName("n")->SetAsString("plain");
  sql->Execute();
  auto query = NewQuery("SELECT ID FROM T WHERE NOTE = :c");
  TOraLob* query_lob = query->Params().ParamByName("c")->AsOraClob();
  query_lob->SetOCISvcCtx(session_component_->OCIConnection()->GetSvcCtx());
  query_lob->CreateTemporary(ltClob);
  standin_->ClearLog();

  session_component_->Disconnect();
  EXPECT_TRUE(InOrder(Calls(), {"OCILobFreeTemporary", "OCILobFreeTemporary", "OCISessionEnd mode=0"}))
      << "both temporary LOBs are freed through the session before it ends";
  EXPECT_EQ(lob->GetOCISvcCtx(), nullptr);
  EXPECT_EQ(query_lob->GetOCISvcCtx(), nullptr);
  EXPECT_EQ(lob->GetAsString(), "kept") << "the value stays on the client";
  EXPECT_EQ(sql->Params().ParamByName("n")->AsString(), "plain") << "plain values are not touched";

  // Connected again, the value goes into a locator of the new session.
  session_component_->SetConnected(true);
  standin_->ClearLog();
  sql->Execute();
  EXPECT_TRUE(InOrder(Calls(), {"OCIDescriptorAlloc type=50", "OCIStmtExecute iters=1 offset=0 mode=0"}));
  EXPECT_EQ(lob->GetOCISvcCtx(), session_component_->OCIConnection()->GetSvcCtx());
}

TEST_F(QueryComponentsTest, GeneratedStatementsBindNationalTextsInTheNationalForm) {
  auto query = OpenQuery("SELECT ID, NAME, NOTE FROM PEOPLE", "ID NUMBER(9); NAME NVARCHAR2(20); NOTE VARCHAR2(20)",
                         "1|old|x", "ID");
  query->Edit();
  query->FieldByName("NAME")->SetAsString("new");
  query->FieldByName("NOTE")->SetAsString("y");
  query->Post();
  // The NVARCHAR2 column's bind alone gets the national form.
  EXPECT_TRUE(InOrder(Calls(), {"OCIBindByName name=NAME type=5 size=4 mode=0", "OCIAttrSet htype=5 attr=32",
                                "OCIBindByName name=NOTE type=5 size=2 mode=0"}));
  EXPECT_EQ(Calls("OCIAttrSet htype=5 attr=32").size(), 1u);

  // A parameter given a field takes its column's form the same way.
  TOraParams params;
  auto* param = static_cast<TOraParam*>(params.CreateParam(classlib::ftUnknown, "P", classlib::ptInput));
  param->AssignField(query->FieldByName("NAME"));
  EXPECT_TRUE(param->National());
  EXPECT_EQ(param->AsString(), "new");
  param->AssignField(query->FieldByName("NOTE"));
  EXPECT_FALSE(param->National());
}

// ---- NonBlocking and the default session -----------------------------------------------

TEST_F(QueryComponentsTest, NonBlockingReachesTheCommandsOfQueriesAndStatements) {
  auto sql = NewSQL("update t set n = 1");
  sql->SetNonBlocking(true);
  EXPECT_TRUE(CommandOf(*sql)->NonBlocking());
  TOraSQL copy;
  copy.Assign(sql.get());
  EXPECT_TRUE(copy.NonBlocking()) << "Assign copies it";
  EXPECT_TRUE(CommandOf(copy)->NonBlocking());

  auto query = NewQuery("SELECT ID FROM T");
  query->SetNonBlocking(true);
  EXPECT_TRUE(CommandOf(*query)->NonBlocking());
  query->SetNonBlocking(false);
  EXPECT_FALSE(CommandOf(*query)->NonBlocking());
  // Before any session the query has an Oracle command that takes it, and
  // keeps it when a session comes; a copy takes it with the lock mode and keys.
  TOraQuery detached;
  detached.SetNonBlocking(true);
  ASSERT_NE(CommandOf(detached), nullptr);
  EXPECT_TRUE(CommandOf(detached)->NonBlocking());
  detached.SetSession(session_component_.get());
  EXPECT_TRUE(CommandOf(detached)->NonBlocking());
  detached.SetLockMode(lmLockDelayed);
  detached.SetKeyFields("id");
  TOraQuery copy_of_query;
  copy_of_query.Assign(&detached);
  EXPECT_TRUE(CommandOf(copy_of_query)->NonBlocking());
  EXPECT_EQ(copy_of_query.LockMode(), lmLockDelayed);
  EXPECT_EQ(copy_of_query.KeyFields(), "ID");
}

TEST_F(QueryComponentsTest, StatementWithoutASessionRunsOnTheDefaultSession) {
  statements_->Script("update t set n = 1", "rows=2");
  TOraSQL sql;
  ASSERT_NE(CommandOf(sql), nullptr) << "an Oracle command exists before any session";
  sql.SetStatementCache(true);
  sql.SetSQL("update t set n = 1");
  ASSERT_EQ(TOraSession::DefaultSession(), session_component_.get());
  const int uses = session_component_->ConnectCount();
  sql.Execute();
  EXPECT_EQ(sql.RowsAffected(), 2);
  EXPECT_EQ(session_component_->ConnectCount(), uses) << "the execute's use went back";
  sql.Prepare();
  EXPECT_EQ(session_component_->ConnectCount(), uses + 1);
  sql.SetSession(session_component_.get());
  EXPECT_FALSE(sql.Prepared()) << "a session of its own: the statement on the default one goes";
  EXPECT_EQ(session_component_->ConnectCount(), uses);
  sql.SetSession(nullptr);
  EXPECT_EQ(CommandOf(sql)->GetSQLType(), SQL_UPDATE);
  sql.SetSQL("begin null; end;");
  EXPECT_EQ(CommandOf(sql)->GetSQLType(), SQL_UNKNOWN) << "a new text's kind is known after its prepare";

  // Registered with the default session: its disconnect unprepares the statement.
  sql.Prepare();
  ASSERT_TRUE(sql.Prepared());
  session_component_->Disconnect();
  EXPECT_FALSE(sql.Prepared());

  UseDefaultSession = false;
  EXPECT_EQ(MessageOf([&] { sql.Execute(); }), "Connection is not defined");
  UseDefaultSession = true;
}

// ---- Fetching ------------------------------------------------------------------------------

struct FetchWatch {
  int cancel_at = 0;  // the call that cancels; 0: none
  int calls = 0;
  bool ended = false;
  std::vector<std::thread::id> threads;
  void BeforeFetch(classlib::TDataSet*, bool& cancel) {
    threads.push_back(std::this_thread::get_id());
    cancel = ++calls == cancel_at;
  }
  void AfterFetch(classlib::TDataSet*) { ended = true; }
};

// Set on the query alone, NonBlocking runs the execute and every fetch on a
// thread of the session; the end comes back to the main thread. The
// before-fetch handler is the application's: it runs on the main thread,
// once before the first rows and once before the rest, never per block on
// the thread.
TEST_F(QueryComponentsTest, BackgroundFetchOfANonBlockingQueryRunsOnAThread) {
  const std::string sql = "SELECT ID, NAME FROM MANY";
  fetch_->ScriptQuery(sql, "ID NUMBER(9); NAME VARCHAR2(20)");
  fetch_->GenerateRows(sql, 120);
  fetch_->SetFetchDelay(1);
  auto query = NewQuery(sql);
  query->SetFetchRows(20);
  query->SetFetchAll(true);
  query->SetNonBlocking(true);
  FetchWatch watch;
  query->BeforeFetch = dacore::TBeforeFetchEvent(&watch, &FetchWatch::BeforeFetch);
  query->AfterFetch = dacore::TAfterFetchEvent(&watch, &FetchWatch::AfterFetch);
  query->Open();
  for (int waited = 0; !watch.ended && waited < 10000; ++waited) {
    platform::MessageLoop::Current().ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(watch.ended) << "the end of the fetch reached the main thread";
  EXPECT_EQ(fetch_->FetchCalls(), 7) << "six full blocks and the end";
  ASSERT_EQ(watch.threads.size(), 2u) << "asked before the first rows and before the rest, not per block";
  for (const std::thread::id& thread : watch.threads)
    EXPECT_EQ(thread, std::this_thread::get_id()) << "the handler never runs on the session's thread";
  int rows = 0;
  for (query->First(); !query->Eof(); query->Next()) ++rows;
  EXPECT_EQ(rows, 120);
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 119);

  // Switched off while a run goes on, the setting waits for its end: the
  // thread reads it.
  query->Close();
  watch.ended = false;
  query->Open();
  query->SetNonBlocking(false);
  EXPECT_FALSE(CommandOf(*query)->NonBlocking());
  EXPECT_EQ(query->RecordCount(), 120) << "every row came before the switch";
  platform::MessageLoop::Current().ProcessMessages();
  EXPECT_TRUE(watch.ended);
}

// The data set's filter handler tests the rows the fetching thread brings
// on the main thread, never on the fetching one, from the first open and
// from a reopen, and only the rows it takes are shown once the fetch is done.
TEST_F(QueryComponentsTest, BackgroundFetchOfAFilteredQueryShowsTheRowsTheFilterTakes) {
  const std::string sql = "SELECT ID, NAME FROM MANY";
  fetch_->ScriptQuery(sql, "ID NUMBER(9); NAME VARCHAR2(20)");
  fetch_->GenerateRows(sql, 120);
  fetch_->SetFetchDelay(20);  // the first rows come after the open has set the filter
  auto query = NewQuery(sql);
  query->SetFetchRows(20);
  query->SetFetchAll(true);
  query->SetNonBlocking(true);
  query->SetOnFilterRecord(classlib::TFilterRecordEvent::Function(
      [](classlib::TDataSet* data_set, bool& accept) { accept = data_set->FieldByName("ID")->AsInteger() % 3 == 0; }));
  query->SetFiltered(true);
  FetchWatch watch;
  query->AfterFetch = dacore::TAfterFetchEvent(&watch, &FetchWatch::AfterFetch);
  classlib::testing::TCallbackThreads threads(*query);
  for (int open = 0; open < 2; ++open) {
    watch.ended = false;
    query->Open();
    for (int waited = 0; !watch.ended && waited < 10000; ++waited) {
      platform::MessageLoop::Current().ProcessMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(watch.ended) << open;
    std::vector<int> ids;
    for (query->First(); !query->Eof(); query->Next()) ids.push_back(query->FieldByName("ID")->AsInteger());
    ASSERT_EQ(ids.size(), 40u) << open;
    for (size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(ids[i], static_cast<int>(i) * 3) << open;
    query->Close();
  }
  EXPECT_GE(threads.Calls("OnFilterRecord"), 240) << "every row tested";
  EXPECT_EQ(threads.OffThread(), 0);
}

// A before-fetch handler that cancels pauses a fetch of everything; the
// next one takes up the rest.
TEST_F(QueryComponentsTest, CancelledFetchOfEverythingIsTakenUpAgain) {
  const std::string sql = "SELECT ID FROM SIX";
  fetch_->ScriptQuery(sql, "ID NUMBER(9)");
  fetch_->GenerateRows(sql, 6);
  auto query = NewQuery(sql);
  query->SetFetchRows(2);
  FetchWatch watch;
  watch.cancel_at = 2;
  query->BeforeFetch = dacore::TBeforeFetchEvent(&watch, &FetchWatch::BeforeFetch);
  query->Open();
  query->Last();
  EXPECT_EQ(query->RecordCount(), 2) << "the second fetch was cancelled";
  EXPECT_EQ(CommandOf(*query)->GetCursorState(), dacore::csFetchingPaused);
  query->Last();
  EXPECT_EQ(query->RecordCount(), 6);
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 5);

  // With AutoClose the cursor is cancelled and let go instead.
  auto closing = NewQuery(sql);
  closing->SetFetchRows(2);
  closing->Options().SetAutoClose(true);
  FetchWatch cancel_all;
  cancel_all.cancel_at = 2;
  closing->BeforeFetch = dacore::TBeforeFetchEvent(&cancel_all, &FetchWatch::BeforeFetch);
  closing->Open();
  closing->Last();
  EXPECT_EQ(closing->RecordCount(), 2);
  EXPECT_FALSE(CommandOf(*closing)->GetPrepared()) << "the cancelled cursor was let go";
}

// Counts the data set's changes its links are told of (a resync is one).
struct ChangeCounter : classlib::TDataLink {
  int changes = 0;
  void DataSetChanged() override { ++changes; }
};

// The scroll after a cancelled fetch resyncs the records, so that the rest
// can still come; with AutoClose the cancel let the cursor go, and the end
// of the rows held is the end.
TEST_F(QueryComponentsTest, ScrollAfterACancelledFetchResyncsUnlessAutoClose) {
  const std::string sql = "SELECT ID FROM SIX";
  fetch_->ScriptQuery(sql, "ID NUMBER(9)");
  fetch_->GenerateRows(sql, 6);
  for (const bool auto_close : {false, true}) {
    SCOPED_TRACE(auto_close ? "AutoClose" : "no AutoClose");
    auto query = NewQuery(sql);
    query->SetFetchRows(2);
    query->Options().SetAutoClose(auto_close);
    classlib::TDataSource source(nullptr);
    source.SetDataSet(query.get());
    ChangeCounter link;
    link.SetDataSource(&source);
    FetchWatch watch;
    watch.cancel_at = 2;
    query->BeforeFetch = dacore::TBeforeFetchEvent(&watch, &FetchWatch::BeforeFetch);
    query->Open();
    query->Next();
    link.changes = 0;
    query->Next();  // past the rows held: the fetch is cancelled
    EXPECT_EQ(watch.calls, 2);
    EXPECT_EQ(link.changes, auto_close ? 1 : 2) << "the scroll, and the resync";
    EXPECT_EQ(query->Eof(), auto_close);
    link.SetDataSource(nullptr);
  }
}

// While a non-blocking query's statement runs, the query is executing: a
// second Execute does nothing and its command has not finished, so a lost
// connection would not be restored under it.
TEST_F(QueryComponentsTest, NonBlockingQueryIsExecutingUntilItsEndIsHandled) {
  const std::string sql = "SELECT ID FROM SLOW";
  fetch_->ScriptQuery(sql, "ID NUMBER(9)");
  fetch_->GenerateRows(sql, 3);
  fetch_->SetFetchDelay(200);
  auto query = NewQuery(sql);
  query->SetNonBlocking(true);
  EXPECT_FALSE(query->Executing());
  standin_->ClearLog();
  query->Execute();
  EXPECT_TRUE(query->Executing());
  EXPECT_FALSE(query->CommandFinished());
  query->Execute();
  EXPECT_EQ(Calls("OCIStmtExecute iters=0 offset=0 mode=0").size(), 1u) << "the second Execute did nothing";
  for (int waited = 0; query->Executing() && waited < 10000; ++waited) {
    platform::MessageLoop::Current().ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_FALSE(query->Executing()) << "the end reached the main thread";
  EXPECT_TRUE(query->Active());
}

// Clients 8.1.6 to 8.x write a LONG column's indicator as into an array of
// the rows' indicators; each row's null comes out right all the same, for a
// client named as those clients are (libclntsh.so.8.0) whose banner tells
// its release, for one known only as an 8.1 client (no banner: it may be
// either kind), and for clients that write at the address given.
TEST_F(QueryComponentsTest, LongColumnNullsOfAnOlderClientLandInTheirRows) {
  struct Case {
    int major, minor, update;
    bool banner;
    uint16_t version;
  };
  const Case cases[] = {
      {8, 1, 7, true, 8170},   // writes as an array
      {8, 1, 7, false, 8100},  // the same library, its release unknown past 8.1
      {8, 1, 5, false, 8100},  // writes at the address given, its release unknown past 8.1
      {8, 1, 5, true, 8150},
      {10, 2, 0, true, 10200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor) + "." + std::to_string(c.update) +
                 (c.banner ? " with its banner" : " without a banner"));
    session_component_.reset();
    UnloadOci();
    UseClient(c.major, c.minor, c.update, 0, c.banner);
    const std::string sql = "SELECT ID, TXT FROM LONGS";
    fetch_->ScriptQuery(sql, "ID NUMBER(9); TXT LONG");
    fetch_->AddRows(sql, "1|one\n2|<null>\n3|three\n4|<null>\n5|five");
    session_component_ = std::make_unique<TOraSession>();
    session_component_->SetConnectString("scott/tiger@db1");
    session_component_->SetConnected(true);
    EXPECT_EQ(OCIVersion, c.version);
    auto query = NewQuery(sql);
    query->Open();
    std::vector<std::string> texts;
    for (; !query->Eof(); query->Next())
      texts.push_back(query->FieldByName("TXT")->IsNull() ? "<null>" : query->FieldByName("TXT")->AsString());
    EXPECT_THAT(texts, ElementsAre("one", "<null>", "three", "<null>", "five"));
  }
}

// ---- The record count and reopening ---------------------------------------------------------

std::vector<std::string>* traced_kinds = nullptr;
void RecordKind(classlib::TObject*, const std::string& sql, const dacore::TDAParams*, const std::string& kind) {
  if (traced_kinds) traced_kinds->push_back(kind + ": " + sql.substr(0, sql.find('(')));
}

TEST_F(QueryComponentsTest, RecordCountRunsOnAnInternalDataSetTracedAsGetRecCount) {
  const std::string sql = "SELECT ID FROM T ORDER BY ID";
  fetch_->ScriptQuery(sql, "ID NUMBER(9)");
  fetch_->AddRows(sql, "1\n2\n3");
  const std::string count = "SELECT Count(*) FROM (\nSELECT ID FROM T)";
  fetch_->ScriptQuery(count, "COUNT NUMBER(9)");
  fetch_->AddRows(count, "3");
  std::vector<std::string> kinds;
  traced_kinds = &kinds;
  const dacore::TDebugDisplayProc saved = dacore::DebugDisplayProc();
  dacore::SetDebugDisplayProc(&RecordKind);
  auto query = NewQuery(sql);
  query->Options().SetQueryRecCount(true);
  query->SetDebug(true);
  query->Open();
  dacore::SetDebugDisplayProc(saved);
  traced_kinds = nullptr;
  EXPECT_EQ(query->RecordCount(), 3);
  std::vector<std::string> counts;
  for (const std::string& kind : kinds)
    if (kind.find("Count") != std::string::npos) counts.push_back(kind);
  EXPECT_THAT(counts, ElementsAre("Get RecCount: SELECT Count")) << "the helper traces nothing of its own";

}

TEST_F(QueryComponentsTest, RefreshOfARefCursorQueryRunsTheBlockAgain) {
  const std::string block = "begin open :c for select id from items; end;";
  const std::string items = "select id from items";
  fetch_->ScriptQuery(items, "ID NUMBER(9)");
  fetch_->GenerateRows(items, 3);
  statements_->Script(block, std::string("cursor:C=") + items);
  auto query = NewQuery(block);
  query->SetKeyFields("ID");  // the record the refresh returns to, without the dictionary
  TOraParam* cursor = query->Params().ParamByName("c");
  cursor->SetDataType(classlib::ftCursor);
  cursor->SetParamType(classlib::ptOutput);
  query->Open();
  std::vector<int> ids;
  for (; !query->Eof(); query->Next()) ids.push_back(query->FieldByName("ID")->AsInteger());
  EXPECT_THAT(ids, ElementsAre(0, 1, 2));
  standin_->ClearLog();
  query->Refresh();
  EXPECT_EQ(Calls("OCIStmtExecute").size(), 1u) << "the block opens the cursor anew; nothing is described again";
  ids.clear();
  for (query->First(); !query->Eof(); query->Next()) ids.push_back(query->FieldByName("ID")->AsInteger());
  EXPECT_THAT(ids, ElementsAre(0, 1, 2));
}

// A cursor handed in (a nested cursor column's) comes executed and cannot
// run again. No component is given such a cursor, so the record set is.
TEST_F(QueryComponentsTest, CursorHandedInCannotBeReopened) {
  const std::string sql = "select id, items from orders";
  fetch_->ScriptQuery(sql, "ID NUMBER(5); ITEMS CURSOR");
  fetch_->AddRows(sql, "1|select name from items1");
  fetch_->ScriptQuery("select name from items1", "NAME VARCHAR2(20)");
  fetch_->AddRows("select name from items1", "bolt\nnut");
  Connect();
  auto orders = NewRecordSet(sql);
  orders->Open();
  orders->GetNextRecord(nullptr);
  auto* cursor = static_cast<TOraCursor*>(classlib::LoadUnaligned<void*>(
      static_cast<uint8_t*>(dacore::ItemRecord(orders->CurrentItem())) + orders->FieldByName("ITEMS")->Offset()));
  auto items = std::make_unique<TOCIRecordSet>();
  items->SetConnection(connection_.get());
  items->Command().SetCursor(cursor);
  items->Open();
  EXPECT_EQ(MessageOf([&] { items->Reopen(); }), "Reopen is not allowed");
}

}  // namespace
}  // namespace oracle::testing
