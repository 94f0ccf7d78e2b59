// A non-blocking query fetching every row in the background while the
// application works on it: its filter handler, calculated fields, fetch
// handlers, data events and a local master/detail link run on the main
// thread only (a watch fails the test otherwise); reading, Locate under a
// local order, Filtered switched on and off, Close, free and disconnect all
// meet rows still arriving.
#include <memory>
#include <string>
#include <thread>

#include "classlib/data_link.h"
#include "classlib/field_defs.h"
#include "classlib/field_numeric.h"
#include "oracle/tests/query_background_fixture.h"
#include "platform/message_loop.h"
#include "testing/callback_threads.h"

namespace oracle::testing {
namespace {

using classlib::testing::TCallbackThreads;

class QueryBackgroundTest : public OraBackgroundQueryFixture {
 protected:
  // Fetches every row in blocks of fetch_rows, keyed by ID.
  std::unique_ptr<TOraQuery> Arriving(int fetch_rows = 20) {
    auto query = NonBlocking(fetch_rows, true);
    query->SetKeyFields("ID");
    return query;
  }
  // A calculated field TWICE = ID * 2, filled by the application's handler.
  static classlib::TField* AddTwice(TOraQuery& query) {
    query.Prepare();
    for (int i = 0; i < query.FieldDefs().Count(); ++i) query.FieldDefs()[i]->CreateField(&query);
    auto* twice = new classlib::TIntegerField(&query);
    twice->SetFieldName("TWICE");
    twice->SetFieldKind(classlib::fkCalculated);
    twice->SetDataSet(&query);
    query.SetOnCalcFields(classlib::TDataSetNotifyEvent::Function([twice](classlib::TDataSet* data_set) {
      twice->SetAsInteger(data_set->FieldByName("ID")->AsInteger() * 2);
    }));
    return twice;
  }
  // Opens it and hands the execute's end to the main thread (as its message
  // loop would), which starts the fetch of every row.
  static void OpenAndExecute(TOraQuery& query) {
    query.Open();
    RecordSetOf(query).WaitForExecute();
  }
};

// Every row read while rows arrive is the row the filter took, with its own
// calculated value; the handlers never ran on the fetching thread.
TEST_F(QueryBackgroundTest, FilterHandlerAndCalculatedFieldsRunOnTheMainThreadWhileRowsArrive) {
  Script(300, 2);
  auto query = Arriving();
  classlib::TField* twice = AddTwice(*query);
  query->SetOnFilterRecord(classlib::TFilterRecordEvent::Function(
      [](classlib::TDataSet* data_set, bool& accept) { accept = data_set->FieldByName("ID")->AsInteger() % 3 == 0; }));
  query->SetFiltered(true);
  TCallbackThreads watch(*query);
  OpenAndExecute(*query);
  int expected = 0, read_while_arriving = 0;
  for (query->First(); !query->Eof(); query->Next()) {
    const int id = query->FieldByName("ID")->AsInteger();
    ASSERT_EQ(id, expected) << "the row read is the row the data set stands on";
    ASSERT_EQ(twice->AsInteger(), id * 2);
    if (StillArriving(*query)) ++read_while_arriving;
    expected += 3;
  }
  EXPECT_EQ(expected, 300);
  EXPECT_GT(read_while_arriving, 0) << "the walk met rows still arriving";
  WaitForTheEnd(*query);
  EXPECT_EQ(query->RecordCount(), 100);
  EXPECT_GT(watch.Calls("OnFilterRecord"), 0);
  EXPECT_GT(watch.Calls("OnCalcFields"), 0);
  EXPECT_EQ(watch.OffThread(), 0);
}

// Filtered switched on and off while rows arrive: each row read belongs to
// the view of the moment, and the counts agree once the fetch is done.
TEST_F(QueryBackgroundTest, FilteredSwitchedWhileRowsArrive) {
  Script(400, 2);
  auto query = Arriving();
  query->SetOnFilterRecord(classlib::TFilterRecordEvent::Function(
      [](classlib::TDataSet* data_set, bool& accept) { accept = data_set->FieldByName("ID")->AsInteger() % 2 == 0; }));
  TCallbackThreads watch(*query);
  OpenAndExecute(*query);
  int switches = 0;
  while (StillArriving(*query)) {
    query->First();  // a row both views show stays current
    query->SetFiltered(!query->Filtered());
    ++switches;
    query->First();
    for (int i = 0; i < 5 && !query->Eof(); ++i, query->Next()) {
      if (query->Filtered()) {
        ASSERT_EQ(query->FieldByName("ID")->AsInteger() % 2, 0) << switches;
      }
    }
    platform::MessageLoop::Current().ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_GT(switches, 1);
  query->SetFiltered(true);
  EXPECT_EQ(query->RecordCount(), 200);
  query->SetFiltered(false);
  EXPECT_EQ(query->RecordCount(), 400);
  EXPECT_EQ(watch.OffThread(), 0);
}

// With a local order the rows arrive in the server's order until the fetch
// ends: Locate finds every row that came, and waits for one still to come.
TEST_F(QueryBackgroundTest, LocateUnderALocalOrderFindsEveryRowThatArrived) {
  Script(400, 2);
  auto query = Arriving();
  query->SetIndexFieldNames("ID DESC");
  TCallbackThreads watch(*query);
  OpenAndExecute(*query);
  int tried = 0, missed = 0;
  while (StillArriving(*query)) {
    const int arrived = query->RecordCount();  // no filter: the first `arrived` rows came
    if (arrived > 0) {
      const int id = (tried * 37) % arrived;
      ++tried;
      if (!query->Locate("ID", classlib::Variant(id), {}) || query->FieldByName("ID")->AsInteger() != id) ++missed;
    }
    platform::MessageLoop::Current().ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_GT(tried, 0);
  EXPECT_EQ(missed, 0) << "of " << tried;
  query->First();
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 399) << "the order holds once the fetch is done";
  EXPECT_TRUE(query->Locate("ID", classlib::Variant(123), {}));
  EXPECT_EQ(query->RecNo(), 400 - 123);

  // Open again: a row far ahead of those held is waited for.
  query->Close();
  OpenAndExecute(*query);
  EXPECT_TRUE(query->Locate("ID", classlib::Variant(398), {}));
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 398);
  WaitForTheEnd(*query);
  EXPECT_EQ(watch.OffThread(), 0);
}

// A local order needs every row: a non-blocking query with one fetches
// the rest in the background after its first rows, and orders them at the end.
TEST_F(QueryBackgroundTest, ALocalOrderFetchesEveryRowInTheBackground) {
  Script(100, 1);
  auto query = Arriving();
  query->SetFetchAll(false);
  query->SetIndexFieldNames("ID DESC");
  TCallbackThreads watch(*query);
  OpenAndExecute(*query);
  EXPECT_TRUE(StillArriving(*query)) << "the rest is fetched on the thread";
  WaitForTheEnd(*query);
  EXPECT_EQ(query->RecordCount(), 100);
  query->First();
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 99);
  EXPECT_EQ(watch.OffThread(), 0);
}

// A local order set on an open query whose rows are not all fetched takes
// the rest in the background too, and orders every row at its end.
TEST_F(QueryBackgroundTest, ALocalOrderSetAfterTheOpenFetchesTheRestInTheBackground) {
  Script(100, 1);
  auto query = Arriving();
  query->SetFetchAll(false);
  TCallbackThreads watch(*query);
  OpenAndExecute(*query);
  ASSERT_FALSE(StillArriving(*query));
  EXPECT_EQ(query->RecordCount(), 20) << "only the first rows came";
  query->SetIndexFieldNames("ID DESC");
  WaitForTheEnd(*query);
  EXPECT_EQ(query->RecordCount(), 100);
  query->First();
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 99);
  EXPECT_TRUE(query->Locate("ID", classlib::Variant(5), {}));
  EXPECT_EQ(query->RecNo(), 95);
  EXPECT_EQ(watch.OffThread(), 0);
}

// A local detail follows its master while its own rows arrive: after each
// master move it shows the rows of the master's value, and only those.
TEST_F(QueryBackgroundTest, LocalDetailFollowsItsMasterWhileRowsArrive) {
  Script(400, 2);
  const std::string masters = "SELECT K FROM MASTERS";
  fetch_->ScriptQuery(masters, "K NUMBER(9)");
  fetch_->AddRows(masters, "0\n1\n2\n3\n");
  auto master = NewQuery(masters);
  master->Open();
  classlib::TDataSource source(nullptr);
  source.SetDataSet(master.get());
  auto detail = Arriving();
  detail->SetMasterSource(&source);
  detail->SetMasterFields("K");
  detail->SetDetailFields("GRP");
  detail->Options().SetLocalMasterDetail(true);
  TCallbackThreads watch(*detail);
  OpenAndExecute(*detail);
  int moves = 0;
  while (StillArriving(*detail)) {
    if (master->Eof() || ++moves % 4 == 0) master->First();
    else master->Next();
    const int k = master->FieldByName("K")->AsInteger();
    detail->First();
    for (int i = 0; i < 3 && !detail->Eof(); ++i, detail->Next())
      ASSERT_EQ(detail->FieldByName("GRP")->AsInteger(), k) << "move " << moves;
    platform::MessageLoop::Current().ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  for (master->First(); !master->Eof(); master->Next()) {
    const int k = master->FieldByName("K")->AsInteger();
    int rows = 0;
    for (detail->First(); !detail->Eof(); detail->Next(), ++rows)
      ASSERT_EQ(detail->FieldByName("GRP")->AsInteger(), k);
    EXPECT_EQ(rows, 100) << k;
  }
  EXPECT_EQ(watch.OffThread(), 0);
}

// The before-fetch handler is asked on the main thread before the thread
// starts; its cancel leaves the thread unstarted and the rest of the rows
// to a later fetch of everything.
TEST_F(QueryBackgroundTest, BeforeFetchCancelsTheBackgroundFetchBeforeItsThreadStarts) {
  Script(100, 1);
  auto query = Arriving();
  int asked = 0;
  query->BeforeFetch = dacore::TBeforeFetchEvent::Function([&asked](classlib::TDataSet*, bool& cancel) {
    cancel = ++asked == 2;  // the first rows are fetched, the rest is not
  });
  TCallbackThreads watch(*query);
  OpenAndExecute(*query);
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(StillArriving(*query)) << "no thread was started";
  EXPECT_EQ(query->RecordCount(), 20);
  EXPECT_EQ(RecordSetOf(*query).Command().GetCursorState(), dacore::csFetchingPaused);
  query->Last();
  EXPECT_EQ(query->RecordCount(), 100) << "a later fetch takes up the rest";
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 99);
  EXPECT_EQ(watch.Calls("BeforeFetch"), 3);
  EXPECT_EQ(watch.OffThread(), 0);
}

// Close, free and disconnect while rows arrive (and the handlers work on
// them): the thread stops first, a closed query is inactive and opens again.
TEST_F(QueryBackgroundTest, CloseFreeAndDisconnectWhileRowsArrive) {
  Script(2000, 1);
  for (int round = 0; round < 3; ++round) {
    auto query = Arriving(10);
    AddTwice(*query);
    query->SetOnFilterRecord(classlib::TFilterRecordEvent::Function(
        [](classlib::TDataSet* data_set, bool& accept) { accept = data_set->FieldByName("ID")->AsInteger() % 2 == 0; }));
    query->SetFiltered(true);
    TCallbackThreads watch(*query);
    query->Open();
    for (int i = 0; i < round * 7; ++i) query->Next();
    ASSERT_TRUE(StillArriving(*query)) << round;
    query->Close();
    EXPECT_FALSE(query->Active()) << round;
    EXPECT_FALSE(StillArriving(*query));

    OpenAndExecute(*query);
    query->Next();
    ASSERT_TRUE(StillArriving(*query));
    if (round == 1) {
      session_component_->Disconnect();
      EXPECT_FALSE(StillArriving(*query)) << "the disconnect stopped the fetch first";
      session_component_->SetConnected(true);
    }
    query.reset();  // freed with its rows arriving
    EXPECT_EQ(watch.OffThread(), 0) << round;
  }
}

}  // namespace
}  // namespace oracle::testing
