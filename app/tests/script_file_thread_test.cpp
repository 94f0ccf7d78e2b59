// Where a script file's work runs: its groups (conditions, statements,
// failures) on one thread of their own while the window's thread keeps
// handling its events and shows what the groups show as they go; the
// reconnection and the final commit on the window's thread.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ansi_text.h"
#include "app/run_state.h"
#include "app/script_file.h"
#include "script_file_test_support.h"

namespace app::testing {
namespace {

// Records the thread of every call; "SLOW" takes 400 ms, "FAIL" raises, and
// the table list raises once `catalogue_fails` is set.
class ThreadRecordingConnection : public IScriptConnection {
 public:
  TScriptServer Server() const override { return TScriptServer::MsSql; }
  void Reconnect() override { Record("reconnect"); }
  void Execute(const std::string& text) override {
    Record(text);
    if (text == "SLOW") std::this_thread::sleep_for(std::chrono::milliseconds(400));
    if (text == "FAIL") throw std::runtime_error("no such table");
  }
  void Commit() override { Record("commit"); }
  int64_t QueryCount(const std::string&) override { return 0; }
  bool QueryHasRow(const std::string&) override { return false; }
  std::vector<std::string> TableNames() override {
    Record("tables");
    if (catalogue_fails) throw std::runtime_error("catalogue lost");
    return {"BOOKS"};
  }
  std::vector<std::string> FieldNames(const std::string&) override { return {}; }
  std::string QueryText() const override { return ""; }
  void CloseQuery() override {}

  struct Call {
    std::string what;
    std::thread::id thread;
  };
  std::vector<Call> Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  bool catalogue_fails = false;

 private:
  void Record(const std::string& what) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back({what, std::this_thread::get_id()});
  }
  mutable std::mutex mutex_;
  std::vector<Call> calls_;
};

std::string Statement(const std::string& text, const char* flags = "STOP_ON_EXCEPTION=\"0\" LOG_ERROR=\"1\"") {
  return std::string("<S ") + flags + ">" + text + "</S>";
}

class ScriptFileThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetRunState(); }
  void TearDown() override { ResetRunState(); }

  bool Run(const std::string& body) {
    const std::string path = WriteScriptFile(dir_, "threads.xml", "<SCRIPTS>" + body + "</SCRIPTS>");
    return RunScriptFile({connection_, view_, false, 20, nullptr}, path);
  }

  ThreadRecordingConnection connection_;
  RecordingProgressView view_;
  QTemporaryDir dir_;
};

TEST_F(ScriptFileThreadTest, TheGroupsRunOnOneOtherThreadWhileTheWindowShowsThemAsTheyGo) {
  // What the window's thread sees of the run while its events are handled.
  std::vector<std::string> statuses_seen;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { statuses_seen.push_back(view_.status); });
  timer.start(20);
  EXPECT_TRUE(Run("<A CONDITION=\"EXIST_TABLE(BOOKS);\">" + Statement("FIRST") + Statement("SLOW") +
                  Statement("LAST") + "</A>"));
  timer.stop();

  const std::vector<ThreadRecordingConnection::Call> calls = connection_.Calls();
  std::vector<std::string> order;
  for (const auto& call : calls) order.push_back(call.what);
  ASSERT_EQ(order, (std::vector<std::string>{"reconnect", "tables", "FIRST", "SLOW", "LAST", "commit"}));
  const std::thread::id window = std::this_thread::get_id();
  EXPECT_EQ(calls[0].thread, window);
  EXPECT_EQ(calls[5].thread, window);
  for (size_t i = 1; i < 5; ++i) {
    EXPECT_NE(calls[i].thread, window) << calls[i].what;
    EXPECT_EQ(calls[i].thread, calls[1].thread) << calls[i].what;
  }
  // The timer kept firing during the slow statement, and the window showed
  // that statement's place while it ran.
  EXPECT_GE(statuses_seen.size(), 8u);
  EXPECT_NE(std::find(statuses_seen.begin(), statuses_seen.end(), Ansi("группа 1, элемент 2")),
            statuses_seen.end());
  // Every position the groups set reached the view, in order.
  EXPECT_EQ(view_.positions, (std::vector<int>{5, 11, 16, 20}));
}

TEST_F(ScriptFileThreadTest, ACatalogueFailureEndsTheRunAfterWhatWasLoggedBeforeIt) {
  connection_.catalogue_fails = true;
  EXPECT_THROW(Run("<A>" + Statement("FAIL") + "</A><B CONDITION=\"EXIST_TABLE(BOOKS);\">" +
                   Statement("NEVER") + "</B>"),
               std::runtime_error);
  // The failed statement's block reached the view before the error did.
  EXPECT_NE(std::find(view_.details.begin(), view_.details.end(), "FAIL"), view_.details.end());
  EXPECT_NE(std::find(view_.details.begin(), view_.details.end(), "no such table"), view_.details.end());
  EXPECT_TRUE(view_.details_enabled);
  for (const auto& call : connection_.Calls()) EXPECT_NE(call.what, "NEVER");
}

}  // namespace
}  // namespace app::testing
