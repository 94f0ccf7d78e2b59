// Change notifications reflected by a query where features meet, on the
// stand-in's SQLite tier: another session changes the server's rows, the
// server's notification names them by ROWID, and the query shows them as
// its filter, its local sort and its edit state say, without moving the
// user's record and without writing a row of its own. The user's next edit
// still reaches the row it was made on.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "oracle/tests/notify_control.h"
#include "oracle/tests/query_sqlite_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

enum class Operation { kInsert, kUpdate, kDelete };
enum class Mode { kPlain, kFilteredInside, kFilteredOutside, kSorted, kInEdit };

struct Case {
  Operation operation;
  Mode mode;
  bool fetched;  // the changed row was in the query's records before the change
};

std::string NameOf(const Case& c) {
  static const char* const kOperations[] = {"insert", "update", "delete"};
  static const char* const kModes[] = {"plain", "filtered inside", "filtered outside", "sorted", "in edit"};
  return std::string(kOperations[static_cast<int>(c.operation)]) + ", " + kModes[static_cast<int>(c.mode)] + ", " +
         (c.fetched ? "fetched" : "not fetched");
}

struct Row {
  int id;
  std::string name;
  int sal;
  std::string Text() const { return std::to_string(id) + "|" + name + "|" + std::to_string(sal); }
};

// The filter shows names before "m"; it tests the first column a refresh
// writes after the key, so the columns after it are written into a row the
// filter already hides.
constexpr const char* kFilter = "NAME < 'm'";

class NotifyFeaturesTest : public SqliteTierTest {
 protected:
  void SetUp() override {
    SqliteTierTest::SetUp();
    ASSERT_EQ(tier_->Exec("db1", "CREATE TABLE EMP (ID NUMBER(9) PRIMARY KEY, NAME VARCHAR2(20), SAL NUMBER(9))"), "");
    control_ = std::make_unique<NotifyControl>(ORACLE_STANDIN_PATH);
    writer_ = &Connect();
  }
  void TearDown() override {
    control_->Join();
    component_.reset();
    control_.reset();
    SqliteTierTest::TearDown();
  }

  // The server's rows as another session reads them, by ID.
  std::vector<Row> ServerRows() {
    auto query = NewQuery(*writer_, "SELECT ID, NAME, SAL FROM EMP ORDER BY ID");
    std::vector<Row> rows;
    for (query->Open(); !query->Eof(); query->Next())
      rows.push_back({query->FieldByName("ID")->AsInteger(), query->FieldByName("NAME")->AsString(),
                      query->FieldByName("SAL")->AsInteger()});
    query->Close();
    return rows;
  }
  std::string RowIdOf(int id) {
    auto query = NewQuery(*writer_, "SELECT ROWID FROM EMP WHERE ID = " + std::to_string(id));
    query->Open();
    std::string row_id = query->Eof() ? "" : query->Fields().Fields(0)->AsString();
    query->Close();
    return row_id;
  }
  void Run(const std::string& sql) { NewQuery(*writer_, sql)->Execute(); }

  // The records the query shows, in its order (this fetches the rest).
  static std::vector<std::string> Shown(TOraQuery& query) {
    std::vector<std::string> rows;
    for (query.First(); !query.Eof(); query.Next())
      rows.push_back(query.FieldByName("ID")->AsString() + "|" + query.FieldByName("NAME")->AsString() + "|" +
                     query.FieldByName("SAL")->AsString());
    return rows;
  }
  // What the query should show of the server's rows.
  static std::vector<std::string> Expected(std::vector<Row> rows, Mode mode) {
    if (mode == Mode::kFilteredInside || mode == Mode::kFilteredOutside)
      rows.erase(std::remove_if(rows.begin(), rows.end(), [](const Row& r) { return r.name >= "m"; }), rows.end());
    if (mode == Mode::kSorted)
      std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.name < b.name; });
    std::vector<std::string> texts;
    for (const Row& r : rows) texts.push_back(r.Text());
    return texts;
  }

  void RunCase(const Case& c);

  std::unique_ptr<NotifyControl> control_;
  std::unique_ptr<TOraChangeNotification> component_;
  TOraSession* writer_ = nullptr;
};

// One case on rows 1 a 100, 2 b 200, 3 c 300. The user's record is row 2.
// The changed row is row 1 when fetched, row 3 (not yet fetched: one row a
// fetch) otherwise; an inserted row is row 4, fetched means the query had
// read all rows before. The changed values are NAME bb (between b and c in
// the sort), or zz when the row is to fall outside the filter, and SAL 150;
// a row deleted "outside" was outside the filter before.
void NotifyFeaturesTest::RunCase(const Case& c) {
  const bool outside = c.mode == Mode::kFilteredOutside;
  const int target = c.operation == Operation::kInsert ? 4 : c.fetched ? 1 : 3;
  Run("DELETE FROM EMP");
  Run("INSERT INTO EMP VALUES (1, 'a', 100)");
  Run("INSERT INTO EMP VALUES (2, 'b', 200)");
  Run("INSERT INTO EMP VALUES (3, '" + std::string(c.operation == Operation::kDelete && outside ? "zz" : "c") +
      "', 300)");

  component_ = std::make_unique<TOraChangeNotification>();
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ROWID, ID, NAME, SAL FROM EMP");
  query->Options().SetReflectChangeNotify(true);
  query->SetChangeNotification(component_.get());
  query->SetFetchRows(1);
  if (c.mode == Mode::kFilteredInside || c.mode == Mode::kFilteredOutside) {
    query->SetFilter(kFilter);
    query->SetFiltered(true);
  }
  if (c.mode == Mode::kSorted) query->SetIndexFieldNames("NAME");
  query->Open();
  if (c.fetched) query->Last();
  ASSERT_TRUE(query->Locate("ID", classlib::Variant(2), {}));
  if (c.mode == Mode::kInEdit) {
    query->Edit();
    query->FieldByName("NAME")->SetAsString("pending");
  }

  const std::string name = outside ? "'zz'" : "'bb'";
  switch (c.operation) {
    case Operation::kInsert: Run("INSERT INTO EMP VALUES (4, " + name + ", 150)"); break;
    case Operation::kUpdate: Run("UPDATE EMP SET NAME = " + name + ", SAL = 150 WHERE ID = " + std::to_string(target)); break;
    case Operation::kDelete: break;
  }
  const std::string row_id = RowIdOf(target);
  if (c.operation == Operation::kDelete) Run("DELETE FROM EMP WHERE ID = " + std::to_string(target));
  ASSERT_FALSE(row_id.empty());
  const int flags = c.operation == Operation::kInsert ? 2 : c.operation == Operation::kUpdate ? 4 : 8;
  const std::string changes = "SCOTT.EMP:" + std::to_string(flags) + ":" + row_id + "/" + std::to_string(flags);
  const std::vector<Row> server = ServerRows();
  // The server's change is not an edit of the application's: none of its
  // record events run for it.
  int events = 0;
  const auto count = classlib::TDataSetNotifyEvent::Function([&](classlib::TDataSet*) { ++events; });
  query->SetOnNewRecord(count);
  query->SetBeforePost(count);
  query->SetAfterPost(count);
  query->SetBeforeDelete(count);
  ASSERT_EQ(control_->Deliver(*component_, changes), 1);
  if (c.mode == Mode::kInEdit) {
    EXPECT_EQ(query->State(), classlib::dsEdit) << "the edit goes on";
    EXPECT_EQ(query->FieldByName("NAME")->AsString(), "pending");
    query->Cancel();
  }
  EXPECT_EQ(events, 0);
  query->SetOnNewRecord({});
  query->SetBeforePost({});
  query->SetAfterPost({});
  query->SetBeforeDelete({});

  EXPECT_EQ(query->State(), classlib::dsBrowse);
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 2) << "the user's record stays current";
  EXPECT_EQ(query->FieldByName("NAME")->AsString(), "b");
  EXPECT_EQ(Shown(*query), Expected(server, c.mode)) << "the server's rows as the query's view shows them";

  // The user's next edit of its record reaches that record's row.
  ASSERT_TRUE(query->Locate("ID", classlib::Variant(2), {}));
  query->Edit();
  query->FieldByName("NAME")->SetAsString("mine");
  query->Post();
  std::vector<Row> after = server;
  for (Row& r : after)
    if (r.id == 2) r.name = "mine";
  std::vector<std::string> texts, expected;
  for (const Row& r : ServerRows()) texts.push_back(r.Text());
  for (const Row& r : after) expected.push_back(r.Text());
  EXPECT_EQ(texts, expected) << "only the user's row changed on the server";
  query.reset();
  component_.reset();
}

TEST_F(NotifyFeaturesTest, EveryOperationUnderEveryFeature) {
  for (Operation operation : {Operation::kInsert, Operation::kUpdate, Operation::kDelete})
    for (Mode mode : {Mode::kPlain, Mode::kFilteredInside, Mode::kFilteredOutside, Mode::kSorted, Mode::kInEdit})
      for (bool fetched : {true, false}) {
        const Case c{operation, mode, fetched};
        SCOPED_TRACE(NameOf(c));
        RunCase(c);
        if (HasFatalFailure()) return;
      }
}

// The row the user edits when its change arrives shows the server's value
// once the edit is cancelled; a change that arrives during an insert waits
// for the post.
TEST_F(NotifyFeaturesTest, ChangesDuringAnEditShowAfterIt) {
  Run("INSERT INTO EMP VALUES (1, 'a', 100)");
  Run("INSERT INTO EMP VALUES (2, 'b', 200)");
  component_ = std::make_unique<TOraChangeNotification>();
  auto query = NewQuery(Connect(), "SELECT ROWID, ID, NAME, SAL FROM EMP");
  query->Options().SetReflectChangeNotify(true);
  query->SetChangeNotification(component_.get());
  query->Open();
  query->Next();
  query->Edit();
  query->FieldByName("NAME")->SetAsString("pending");
  Run("UPDATE EMP SET NAME = 'server' WHERE ID = 2");
  ASSERT_EQ(control_->Deliver(*component_, "SCOTT.EMP:4:" + RowIdOf(2) + "/4"), 1);
  EXPECT_EQ(query->FieldByName("NAME")->AsString(), "pending");
  query->Cancel();
  EXPECT_EQ(query->FieldByName("NAME")->AsString(), "server") << "the server's value, not the one before the edit";

  query->Append();
  query->FieldByName("ID")->SetAsInteger(9);
  query->FieldByName("NAME")->SetAsString("mine");
  Run("INSERT INTO EMP VALUES (3, 'c', 300)");
  ASSERT_EQ(control_->Deliver(*component_, "SCOTT.EMP:2:" + RowIdOf(3) + "/2"), 1);
  EXPECT_EQ(query->State(), classlib::dsInsert);
  query->Post();
  EXPECT_EQ(query->FieldByName("NAME")->AsString(), "mine") << "the posted record stays current";
  EXPECT_EQ(Shown(*query), (std::vector<std::string>{"1|a|100", "2|server|200", "9|mine|", "3|c|300"}));
  query.reset();
}

// The user's own refresh of a record whose server value leaves the filter
// hides it and goes on to the next record (the one before it at the end),
// and no other row takes its values; under a local sort the record takes
// its new place.
TEST_F(NotifyFeaturesTest, RefreshedRecordFollowsTheFilterAndTheSort) {
  Run("INSERT INTO EMP VALUES (1, 'a', 100)");
  Run("INSERT INTO EMP VALUES (2, 'b', 200)");
  Run("INSERT INTO EMP VALUES (3, 'c', 300)");
  TOraSession& session = Connect();
  auto filtered = NewQuery(session, "SELECT ROWID, ID, NAME, SAL FROM EMP");
  filtered->SetFilter(kFilter);
  filtered->SetFiltered(true);
  filtered->Open();
  filtered->Next();
  Run("UPDATE EMP SET NAME = 'zz', SAL = 777 WHERE ID = 2");
  filtered->RefreshRecord();
  EXPECT_EQ(filtered->FieldByName("ID")->AsInteger(), 3) << "on to the next record";
  EXPECT_EQ(filtered->FieldByName("SAL")->AsInteger(), 300) << "which keeps its own values";
  Run("UPDATE EMP SET NAME = 'zz' WHERE ID = 3");
  filtered->RefreshRecord();
  EXPECT_EQ(filtered->FieldByName("ID")->AsInteger(), 1) << "the last record gives way to the one before";
  EXPECT_EQ(Shown(*filtered), (std::vector<std::string>{"1|a|100"}));
  filtered->Edit();
  filtered->FieldByName("NAME")->SetAsString("first");
  filtered->Post();
  std::vector<std::string> server;
  for (const Row& r : ServerRows()) server.push_back(r.Text());
  EXPECT_EQ(server, (std::vector<std::string>{"1|first|100", "2|zz|777", "3|zz|300"}));

  auto sorted = NewQuery(session, "SELECT ROWID, ID, NAME, SAL FROM EMP");
  sorted->SetIndexFieldNames("NAME");
  sorted->Open();
  ASSERT_EQ(Shown(*sorted), (std::vector<std::string>{"1|first|100", "2|zz|777", "3|zz|300"}));
  Run("UPDATE EMP SET NAME = 'zzz' WHERE ID = 1");
  sorted->First();
  sorted->RefreshRecord();
  EXPECT_EQ(sorted->FieldByName("ID")->AsInteger(), 1) << "the record stays current in its new place";
  EXPECT_EQ(sorted->RecNo(), 3);
  EXPECT_EQ(Shown(*sorted), (std::vector<std::string>{"2|zz|777", "3|zz|300", "1|zzz|100"}));
}

// A notified row the server no longer holds when it is read leaves no
// trace: an inserted one is not kept empty, an updated one leaves the
// records (shown or hidden by the filter), and nothing reaches the
// application as an error: the server's row simply is not there.
TEST_F(NotifyFeaturesTest, ARowGoneBeforeItIsReadLeavesNoTrace) {
  Run("INSERT INTO EMP VALUES (1, 'a', 100)");
  Run("INSERT INTO EMP VALUES (2, 'zz', 200)");
  component_ = std::make_unique<TOraChangeNotification>();
  auto query = NewQuery(Connect(), "SELECT ROWID, ID, NAME, SAL FROM EMP");
  query->Options().SetReflectChangeNotify(true);
  query->SetChangeNotification(component_.get());
  query->SetFilter(kFilter);
  query->SetFiltered(true);
  query->Open();
  Run("INSERT INTO EMP VALUES (4, 'bb', 400)");
  const std::string inserted = RowIdOf(4);
  Run("DELETE FROM EMP WHERE ID = 4");
  EXPECT_EQ(MessageOf([&] { control_->Deliver(*component_, "SCOTT.EMP:2:" + inserted + "/2"); }), "(no exception)");
  const std::string hidden = RowIdOf(2);
  Run("DELETE FROM EMP WHERE ID = 2");
  EXPECT_EQ(MessageOf([&] { control_->Deliver(*component_, "SCOTT.EMP:4:" + hidden + "/4"); }), "(no exception)");
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 1);
  EXPECT_EQ(Shown(*query), (std::vector<std::string>{"1|a|100"}));
  query->SetFiltered(false);
  EXPECT_EQ(Shown(*query), (std::vector<std::string>{"1|a|100"})) << "the hidden row the server lost went too";
  query.reset();
}

}  // namespace
}  // namespace oracle::testing
