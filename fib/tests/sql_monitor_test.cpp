// The trace channel between processes: a monitor in a child process follows
// the monitor side of the handshake and reports every chunk it read.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "classlib/component.h"
#include "fib/base/errors.h"
#include "fib/sql/sql_monitor_channel.h"
#include "fib/sql/sql_monitor_state.h"
#include "fib/sql/sql_monitor_text.h"
#include "fib/sql/sql_trace_hook.h"
#include "platform/shared_memory.h"
#include "people_fixture.h"
#include "sql_monitor_reader.h"
#include "temp_folder.h"

namespace fib {
namespace {

using fib_test::ExpectedChunks;
using fib_test::ForkedMonitor;
using fib_test::ReceivedChunk;
using SentMessages = std::vector<std::pair<TraceCategory, std::string>>;

const ForkedMonitor::Categories kAllCategories = {tcPrepare, tcExecute, tcFetch, tcConnect,
                                                  tcTransaction};

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The chunks regrouped into messages: every message starts with the header.
std::vector<std::string> Messages(const std::vector<ReceivedChunk>& chunks) {
  std::vector<std::string> messages;
  std::string header = EscapeMonitorText(ApplicationHeader());
  for (const ReceivedChunk& chunk : chunks) {
    if (messages.empty() || chunk.text.starts_with(header)) messages.emplace_back();
    messages.back() += chunk.text;
  }
  return messages;
}

// Each test meets its monitors in a runtime folder of its own, so tests
// running side by side never share the channel.
class SqlMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("UPDATER_RUNTIME_DIR")) old_runtime_dir_ = old;
    setenv("UPDATER_RUNTIME_DIR", folder_.Path().c_str(), 1);
    SetTraceSwitch(true);
  }
  void TearDown() override {
    SetTraceSwitch(true);
    for (auto name : {kMonitorSharedMemName, kMonitorMutexName, kMonitorReadEventName,
                      kMonitorWriteEventName, kMonitorReadFinishedEventName, kMonitorWriteFinishedEventName})
      platform::SharedMemory::Remove(name);
    if (old_runtime_dir_.empty()) unsetenv("UPDATER_RUNTIME_DIR");
    else setenv("UPDATER_RUNTIME_DIR", old_runtime_dir_.c_str(), 1);
  }

  fib_test::TempFolder folder_;
  std::string old_runtime_dir_;
};

TEST_F(SqlMonitorTest, MonitorInAnotherProcessReadsEscapedChunksInOrder) {
  ForkedMonitor monitor(kAllCategories, "LAST");
  TFIBSQLMonitorHook hook;
  // The first message is 4500 bytes once headed and escaped; its bell
  // character travels as four characters, tab, CR and LF as they are.
  std::size_t header = ApplicationHeader().size();
  std::string big = "\x07\t\r\n" + std::string(4500 - header - 7, 'x');
  SentMessages sent = {{tcExecute, big}, {tcPrepare, "second\x01"}, {tcConnect, "LAST"}};
  for (const auto& [category, text] : sent) hook.QueueTraceText(text, category);

  std::vector<ReceivedChunk> got = monitor.Collect();
  EXPECT_EQ(monitor.ExitStatus(), 0);
  std::vector<ReceivedChunk> expected = ExpectedChunks(sent);
  ASSERT_EQ(got.size(), expected.size());
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[0].text.size(), 2002u);
  EXPECT_EQ(got[1].text.size(), 2002u);
  EXPECT_EQ(got[2].text.size(), 496u);
  EXPECT_NE(got[0].text.find("]\r\n#$07\t\r\nxxx"), std::string::npos);
  EXPECT_EQ(got[3].text.substr(got[3].text.size() - 10), "second#$01");
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].category, expected[i].category) << "chunk " << i;
    EXPECT_EQ(got[i].text, expected[i].text) << "chunk " << i;
  }
  // The chunks of one message carry its time stamp; later messages are later.
  EXPECT_EQ(got[0].time_stamp, got[1].time_stamp);
  EXPECT_EQ(got[1].time_stamp, got[2].time_stamp);
  EXPECT_LE(got[2].time_stamp, got[3].time_stamp);
  EXPECT_GT(got[0].time_stamp, 40000.0);  // a date of this century
}

TEST_F(SqlMonitorTest, WritersOfTwoProcessesNeverInterleaveTheirChunks) {
  ForkedMonitor monitor(kAllCategories, "END", 2);
  SentMessages from_child, from_parent;
  for (int i = 0; i < 3; ++i) {
    from_child.push_back({tcExecute, "child " + std::to_string(i) + std::string(3000, 'c')});
    from_parent.push_back({tcFetch, "parent " + std::to_string(i) + std::string(3000, 'p')});
  }
  from_child.back().second += "END";
  from_parent.back().second += "END";
  pid_t writer = fib_test::ForkWriter(from_child);
  {
    TFIBSQLMonitorHook hook;
    for (const auto& [category, text] : from_parent) hook.QueueTraceText(text, category);
  }
  fib_test::WaitForProcess(writer);

  std::vector<std::string> got = Messages(monitor.Collect());
  EXPECT_EQ(monitor.ExitStatus(), 0);
  std::vector<std::string> child_got, parent_got;
  for (const std::string& message : got)
    (message.find("child") != std::string::npos ? child_got : parent_got).push_back(message);
  std::vector<std::string> child_sent, parent_sent;
  for (auto& m : from_child) child_sent.push_back(ApplicationHeader() + m.second);
  for (auto& m : from_parent) parent_sent.push_back(ApplicationHeader() + m.second);
  EXPECT_EQ(child_got, child_sent);
  EXPECT_EQ(parent_got, parent_sent);
}

TEST_F(SqlMonitorTest, EachProducerThreadsMessagesArriveInItsOrder) {
  constexpr int kThreads = 4, kEach = 15;
  ForkedMonitor monitor(kAllCategories, "MSG", kThreads * kEach);
  TFIBSQLMonitorHook hook;
  std::vector<std::thread> producers;
  for (int t = 0; t < kThreads; ++t)
    producers.emplace_back([&hook, t] {
      for (int i = 0; i < kEach; ++i)
        hook.QueueTraceText("MSG " + std::to_string(t) + " " + std::to_string(i), tcExecute);
    });
  for (std::thread& producer : producers) producer.join();

  std::vector<std::string> got = Messages(monitor.Collect());
  EXPECT_EQ(monitor.ExitStatus(), 0);
  ASSERT_EQ(got.size(), static_cast<std::size_t>(kThreads * kEach));
  std::vector<int> next(kThreads, 0);
  for (const std::string& message : got) {
    int t = -1, i = -1;
    ASSERT_EQ(std::sscanf(message.c_str() + ApplicationHeader().size(), "MSG %d %d", &t, &i), 2);
    ASSERT_TRUE(t >= 0 && t < kThreads);
    EXPECT_EQ(i, next[static_cast<std::size_t>(t)]++) << "thread " << t;
  }
}

TEST_F(SqlMonitorTest, MessagesQueuedWhileTracingIsOffAreDroppedNotRepeated) {
  ForkedMonitor monitor(kAllCategories, "third");
  TFIBSQLMonitorHook hook;
  hook.QueueTraceText("first", tcExecute);
  ASSERT_TRUE(WaitUntil([&] { return hook.QueuedCount() == 0; }, std::chrono::seconds(5)));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let "first" be written
  SetTraceSwitch(false);
  hook.QueueTraceText("second", tcExecute);
  ASSERT_TRUE(WaitUntil([&] { return hook.QueuedCount() == 0; }, std::chrono::seconds(5)));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  SetTraceSwitch(true);
  hook.QueueTraceText("third", tcExecute);

  std::vector<std::string> got = Messages(monitor.Collect());
  EXPECT_EQ(got, (std::vector<std::string>{ApplicationHeader() + "first", ApplicationHeader() + "third"}));
}

TEST_F(SqlMonitorTest, MonitorThatDiedHoldingTheMutexBlocksNoWriter) {
  fib_test::AttachAndDie(kAllCategories, /*holding_mutex=*/true);
  TFIBSQLMonitorHook hook;
  hook.QueueTraceText("to nobody", tcExecute);
  // The writer takes the abandoned mutex, waits a second for the dead
  // monitor at each step and drops it from the count.
  EXPECT_TRUE(WaitUntil([&] { return hook.QueuedCount() == 0 && hook.MonitorCount() == 0; },
                        std::chrono::seconds(6)));

  ForkedMonitor monitor(kAllCategories, "later");
  hook.QueueTraceText("later", tcExecute);
  std::vector<std::string> got = Messages(monitor.Collect());
  EXPECT_EQ(got, std::vector<std::string>{ApplicationHeader() + "later"});
}

TEST_F(SqlMonitorTest, WriterThatDiedMidHandshakeLeavesNoMonitorWaiting) {
  ForkedMonitor monitor(kAllCategories, "after");
  fib_test::WriteAndDieMidHandshake("orphan");
  TFIBSQLMonitorHook hook;
  hook.QueueTraceText("after", tcExecute);

  std::vector<ReceivedChunk> got = monitor.Collect();
  EXPECT_EQ(monitor.ExitStatus(), 0);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].text, "orphan");
  EXPECT_EQ(got[1].text, ApplicationHeader() + "after");
  EXPECT_EQ(hook.MonitorCount(), 0);  // the monitor detached, not dropped
}

TEST_F(SqlMonitorTest, DeadMonitorIsDroppedWithoutDroppingTheLiveOne) {
  fib_test::AttachAndDie(kAllCategories, /*holding_mutex=*/false);
  ForkedMonitor monitor(kAllCategories, "two");
  TFIBSQLMonitorHook hook;
  hook.QueueTraceText("one", tcExecute);
  ASSERT_TRUE(WaitUntil([&] { return hook.MonitorCount() == 1; }, std::chrono::seconds(6)));
  hook.QueueTraceText("two", tcExecute);

  std::vector<std::string> got = Messages(monitor.Collect());
  EXPECT_EQ(monitor.ExitStatus(), 0);
  EXPECT_EQ(got, (std::vector<std::string>{ApplicationHeader() + "one", ApplicationHeader() + "two"}));
}

// ---- what the hook traces ----------------------------------------------------

class FakeValue : public ITraceValue {
 public:
  FakeValue(std::string name, int type, std::string text, bool null = false, bool fails = false)
      : name_(std::move(name)), type_(type), text_(std::move(text)), null_(null), fails_(fails) {}
  std::string Name() const override { return name_; }
  bool IsNull() const override { return null_; }
  int SQLType() const override { return type_; }
  std::string AsString() const override {
    if (fails_) throw classlib::EConvertError("no text");
    return text_;
  }
  ISC_QUAD AsQuad() const override { return ISC_QUAD{12, 345}; }

 private:
  std::string name_;
  int type_;
  std::string text_;
  bool null_, fails_;
};

class FakeStatement : public ITracedStatement {
 public:
  std::string Name() const override { return "qry"; }
  std::string DataSetName() const override { return data_set; }
  std::string SQLText() const override { return "select 1"; }
  std::string Plan() const override {
    if (plan.empty()) throw classlib::Exception("no plan");
    return plan;
  }
  int ParamCount() const override { return static_cast<int>(params.size()); }
  const ITraceValue& Param(int i) const override { return params[static_cast<std::size_t>(i)]; }
  int FieldCount() const override { return static_cast<int>(fields.size()); }
  const ITraceValue& Field(int i) const override { return fields[static_cast<std::size_t>(i)]; }
  bool ChangesRows() const override { return changes_rows; }
  std::int64_t RowsAffected() const override { return 3; }
  std::int64_t ExecuteMilliseconds() const override { return 17; }
  bool Eof() const override { return eof; }

  std::string data_set, plan;
  std::vector<FakeValue> params, fields;
  bool changes_rows = false, eof = false;
};

class FakeTransaction : public ITracedTransaction {
 public:
  explicit FakeTransaction(bool has_database) : has_database_(has_database) {}
  std::string Name() const override { return "tr"; }
  std::int64_t TransactionID() const override { return 77; }
  bool HasDefaultDatabase() const override { return has_database_; }

 private:
  bool has_database_;
};

TEST(SqlTraceTextTest, PrepareNamesTheDataSetAndSaysWhenThereIsNoPlan) {
  FakeStatement statement;
  statement.plan = "PLAN (T NATURAL)";
  EXPECT_EQ(PrepareTraceText(statement), "qry: [Prepare] select 1\r\n  Plan: PLAN (T NATURAL)");
  statement.plan.clear();
  statement.data_set = "ds";
  EXPECT_EQ(PrepareTraceText(statement), "ds: [Prepare] select 1\r\n  Plan: Can't retrieve plan ");
}

TEST(SqlTraceTextTest, ExecuteShowsEveryKindOfParameterValue) {
  FakeStatement statement;
  statement.data_set = "ds";
  statement.changes_rows = true;
  statement.params = {FakeValue("A", SQL_LONG, "", true), FakeValue("B", SQL_VARYING, "x y"),
                      FakeValue("C", SQL_BLOB, ""), FakeValue("D", SQL_ARRAY, ""),
                      FakeValue("E", SQL_LONG, "5"), FakeValue("F", SQL_DOUBLE, "", false, true)};
  EXPECT_EQ(ExecuteTraceText(statement),
            "ds.qry: [Execute] select 1\r\n  A = <NULL>\r\n  B = 'x y'\r\n"
            "  C = <BLOB> (BLOB_ID=12,345)\r\n  D = <ARRAY>\r\n  E = 5\r\n  F = <Can't print value>\r\n"
            "Rows Affected:  3\r\nExecute tick count 17");
}

TEST(SqlTraceTextTest, FetchListsColumnsOrSaysEndOfFile) {
  FakeStatement statement;
  statement.fields = {FakeValue("ID", SQL_LONG, "1"), FakeValue("NAME", SQL_TEXT, "", true)};
  EXPECT_EQ(FetchTraceText(statement), "qry: [Fetch] select 1\r\nID = 1\r\nNAME = NULL\r\n");
  statement.eof = true;
  EXPECT_EQ(FetchTraceText(statement), "qry: [Fetch] select 1\r\n  End of file reached");
}

TEST(SqlTraceTextTest, TransactionSavepointServiceAndConnectTexts) {
  FakeTransaction tr(true);
  EXPECT_EQ(TransactionTraceText(tr, TransactionTrace::CommitRetaining),
            "tr: [Commit retaining (Soft commit)](77)");
  EXPECT_EQ(TransactionTraceText(tr, TransactionTrace::RollbackRetaining),
            "tr: [Rollback retaining (Soft rollback)](77)");
  EXPECT_EQ(SavepointTraceText(tr, "SP1", SavepointTrace::RollbackTo),
            "tr: Transaction(77) - [RollBackToSavePoint(\"SP1\")]");
  EXPECT_EQ(ServiceTraceText("svc", "Query"), "svc: [Query]");
  EXPECT_EQ(ConnectTraceText("db", false), "db: [Disconnect]");
}

TEST(MonitorTextTest, OnlyControlBytesOtherThanTabAndLineEndsAreEscaped) {
  EXPECT_EQ(EscapeMonitorText(std::string("a\0b\x1f\t\n\r\x7f\xe9", 9)), "a#$00b#$1F\t\n\r\x7f\xe9");
  EXPECT_TRUE(SplitMonitorChunks("", 2002).empty());
}

TEST_F(SqlMonitorTest, HookTracesOnlyWhatAttachedMonitorsListenTo) {
  TFIBSQLMonitorHook hook;
  classlib::TComponent database(nullptr);
  database.SetName("db");
  FakeStatement statement;
  EXPECT_FALSE(hook.Idle());  // a look for a monitor is due
  // Nobody attached: no message is made, and no block either.
  hook.TraceConnect(database);
  hook.TraceExecute(statement);
  EXPECT_EQ(hook.QueuedCount(), 0);
  EXPECT_FALSE(hook.Opened());
  EXPECT_TRUE(hook.Idle());
  EXPECT_THROW(platform::SharedMemory(kMonitorSharedMemName, monitor_block::kSize,
                                      platform::SharedMemory::Mode::OpenExisting),
               classlib::EOSError);

  ForkedMonitor monitor({tcExecute}, "LAST");
  // A monitor that attached is heard of within one interval.
  EXPECT_TRUE(WaitUntil([&] { return !hook.Idle(); },
                        std::chrono::milliseconds(2 * TFIBSQLMonitorHook::kProbeIntervalMs + 500)));
  FakeTransaction with_database(true), without_database(false);
  hook.SetEnabled(false);
  EXPECT_TRUE(hook.Idle());
  hook.TraceExecute(statement);
  EXPECT_EQ(hook.QueuedCount(), 0);
  hook.SetEnabled(true);
  hook.TraceConnect(database);                  // nobody listens to connects
  hook.TraceStartTransaction(with_database);    // nor to transactions
  hook.TraceCommit(without_database);
  hook.TraceExecute(statement);
  classlib::TComponent service(nullptr);
  service.SetName("LAST");
  hook.TraceServiceAttach(service);             // services reach every monitor

  std::vector<ReceivedChunk> got = monitor.Collect();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].category, tcExecute);
  EXPECT_EQ(got[0].text, ApplicationHeader() + ExecuteTraceText(statement));
  EXPECT_EQ(got[1].category, tcService);
  EXPECT_EQ(got[1].text, ApplicationHeader() + "LAST: [Attach]");
}

TEST_F(SqlMonitorTest, ProcessHookIsMadeOnceAndCountsMonitors) {
  TFIBSQLMonitorHook* hook = MonitorHookInstance();
  ASSERT_NE(hook, nullptr);
  EXPECT_EQ(MonitorHookInstance(), hook);
  EXPECT_EQ(hook->ClassName(), "TFIBSQLMonitorHook");

  // Two monitors that listen to nothing: the count is read from the block
  // once a trace has opened it, and nothing is queued. The process's hook
  // keeps the channel it opened first, which in a run of many tests in one
  // process may be another test's folder; a hook of this test's own reads
  // this folder's block.
  platform::SharedMemory block(kMonitorSharedMemName, monitor_block::kSize);
  std::int32_t two = 2;
  std::memcpy(static_cast<char*>(block.Data()) + monitor_block::kMonitorCount, &two, sizeof two);
  classlib::TComponent database(nullptr);
  TFIBSQLMonitorHook own;
  own.TraceConnect(database);
  EXPECT_EQ(own.MonitorCount(), 2);
  EXPECT_EQ(own.QueuedCount(), 0);
  // The process-wide count is the process hook's.
  hook->TraceConnect(database);
  EXPECT_EQ(GetMonitorCount(), hook->MonitorCount());
}

// Without a monitor nothing is opened, so a block no monitor could use (of
// another size) fails no trace; only queueing a text needs the channel.
TEST_F(SqlMonitorTest, ABlockNoMonitorCanUseFailsNoTrace) {
  platform::SharedMemory wrong(kMonitorSharedMemName, 16);
  TFIBSQLMonitorHook hook;
  classlib::TComponent database(nullptr);
  EXPECT_NO_THROW(hook.TraceConnect(database));
  EXPECT_EQ(hook.MonitorCount(), 0);
  EXPECT_FALSE(hook.Opened());
  try {
    hook.QueueTraceText("text", tcConnect);
    FAIL() << "no error";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 54);
  }
}

// A runtime folder of the test's own, set before anything traces.
struct OwnRuntimeFolder {
  OwnRuntimeFolder() : fresh_hook(monitor_state::hook_instance.load() == nullptr) {
    if (const char* old = std::getenv("UPDATER_RUNTIME_DIR")) old_ = old;
    setenv("UPDATER_RUNTIME_DIR", folder.Path().c_str(), 1);
  }
  ~OwnRuntimeFolder() {
    for (auto name : {kMonitorSharedMemName, kMonitorMutexName, kMonitorReadEventName,
                      kMonitorWriteEventName, kMonitorReadFinishedEventName,
                      kMonitorWriteFinishedEventName})
      platform::SharedMemory::Remove(name);
    if (old_.empty()) unsetenv("UPDATER_RUNTIME_DIR");
    else setenv("UPDATER_RUNTIME_DIR", old_.c_str(), 1);
  }
  // The process's hook keeps the block it found first; made before, it may
  // look at another test's folder (ctest runs each test on its own).
  const bool fresh_hook;
  fib_test::TempFolder folder;
  std::string old_;
};

class DataSetTraceTest : protected OwnRuntimeFolder, public fib_test::PeopleTest {};

TEST_F(DataSetTraceTest, ActionsOnTheRecordsAloneReachTheMonitors) {
  if (!fresh_hook) GTEST_SKIP() << "the process's monitor hook was made by an earlier test";
  ForkedMonitor monitor({tcExecute}, "do delete from cache");
  TFIBSQLMonitorHook* hook = MonitorHookInstance();
  ASSERT_TRUE(WaitUntil([&] { return !hook->Idle(); }, std::chrono::seconds(2)));
  auto ds = People();
  ds->Open();
  ds->DoSort({classlib::Variant("NAME")}, {false});
  ds->SetCachedUpdates(true);
  ds->CacheDelete();
  std::vector<std::string> actions;
  const std::string header = ApplicationHeader();
  for (const ReceivedChunk& chunk : monitor.Collect())
    if (chunk.text.starts_with(header + "People:")) actions.push_back(chunk.text.substr(header.size()));
  EXPECT_EQ(actions, (std::vector<std::string>{"People: do local sorting ",
                                               "People: change CachedUpdates mode ",
                                               "People: do delete from cache "}));
}

class QueryTraceTest : protected OwnRuntimeFolder, public fib_test::PeopleTest {};

// A statement learns once an execution whether a monitor listens: the rows
// of a cursor opened before the monitor attached are not traced, every row
// of the next execution is, the end of the data included.
TEST_F(QueryTraceTest, FetchesAreTracedFromTheFirstExecutionAMonitorHears) {
  if (!fresh_hook) GTEST_SKIP() << "the process's monitor hook was made by an earlier test";
  EXPECT_FALSE(MonitorBlockExists());
  auto query = NewQuery("Q", "select ID from PEOPLE order by ID");
  query->ExecQuery();  // nobody listens; the first row is fetched
  EXPECT_FALSE(MonitorBlockExists()) << "a statement makes no block";
  ForkedMonitor monitor({tcFetch}, "End of file reached");
  EXPECT_TRUE(MonitorBlockExists());
  TFIBSQLMonitorHook* hook = MonitorHookInstance();
  ASSERT_TRUE(WaitUntil([&] { return hook->Listening(); }, std::chrono::seconds(2)));
  while (query->Next()) {
  }
  query->Close();
  query->ExecQuery();
  while (query->Next()) {
  }
  std::vector<std::string> fetches;
  for (const std::string& message : Messages(monitor.Collect()))
    if (message.find(": [Fetch] ") != std::string::npos)
      fetches.push_back(message.substr(message.find("\r\n", 2) + 2));
  // The SQL text ends with its line break, and the trace adds one.
  const std::string head = "Form1.Q: [Fetch] select ID from PEOPLE order by ID\r\n\r\n";
  EXPECT_EQ(fetches, (std::vector<std::string>{head + "ID = 1\r\n", head + "ID = 2\r\n",
                                               head + "ID = 3\r\n", head + "  End of file reached"}));
}

TEST_F(SqlMonitorTest, ChannelThatCannotBeMadeRaisesClientError54) {
  // A block of another size under the channel's name cannot be mapped.
  platform::SharedMemory wrong(kMonitorSharedMemName, 16);
  try {
    TMonitorChannel channel;
    FAIL() << "no error";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 54);
    EXPECT_NE(e.Msg().find("Cannot create shared resource. (Windows error 22)"), std::string::npos);
  }
}

}  // namespace
}  // namespace fib
