// What the window gives the Firebird layer, offscreen: the busy cursor of
// its data sets (also when they work on another thread) and a box for what
// its timers raise, instead of the end of the program.
#include "app/fib_window_hooks.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/qt_message_loop.h"
#include "classlib/codepage.h"
#include "classlib/exceptions.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_database_app.h"
#include "window_test_support.h"

namespace app::testing {
namespace {

constexpr int kSQLWait = -17;

// Processes the window's events until `done` or five seconds.
bool ProcessEventsUntil(const std::function<bool()>& done) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!done()) {
    if (elapsed.elapsed() > 5000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

int OverrideShape() {
  const QCursor* cursor = QGuiApplication::overrideCursor();
  return cursor != nullptr ? cursor->shape() : -1;
}

// A connection to a fresh database and a data set over the system tables,
// made and used on the thread that creates it.
struct Connection {
  explicit Connection(const std::string& path) {
    db.SetDBName(path);
    db.DBParams().SetText("user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=WIN1251");
    transaction.SetDefaultDatabase(&db);
    db.SetDefaultTransaction(&transaction);
    db.Connect();
    data_set.SetDatabase(&db);
    data_set.SetTransaction(&transaction);
    data_set.SelectSQL().SetText("select RDB$RELATION_NAME from RDB$RELATIONS");
    data_set.SetSQLScreenCursor(kSQLWait);
  }
  fib::TFIBDatabase db{nullptr};
  fib::TFIBTransaction transaction{nullptr};
  fib::TFIBDataSet data_set{nullptr};
};

class FibWindowHooksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.filePath("hooks.fdb").toStdString();
    CreateFirebirdDatabase(path_);
  }
  QTemporaryDir dir_;
  std::string path_;
  const TFibWindowHooks hooks_;
};

TEST_F(FibWindowHooksTest, DataSetsShowTheirBusyCursorWhileTheyWork) {
  Connection connection(path_);
  fib::TFIBDataSet& ds = connection.data_set;
  int shape_at_fetch = -2;
  ds.SetBeforeFetchRecord(fib::TFetchRecordEvent::Function(
      [&](fib::TFIBQuery*, int, bool&) { shape_at_fetch = OverrideShape(); }));
  ds.Open();
  ds.Last();
  EXPECT_EQ(shape_at_fetch, Qt::BusyCursor);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// Statements of a run work on a thread of their own: the cursor still
// changes on the window's thread, while the work goes on.
TEST_F(FibWindowHooksTest, ABusyCursorOfAnotherThreadShowsOnTheWindowsThread) {
  std::atomic<bool> fetching{false}, seen{false};
  std::thread worker([&] {
    Connection connection(path_);
    fib::TFIBDataSet& ds = connection.data_set;
    ds.Open();
    ds.SetBeforeFetchRecord(fib::TFetchRecordEvent::Function([&](fib::TFIBQuery*, int, bool&) {
      fetching = true;
      for (int i = 0; i < 500 && !seen; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }));
    ds.Last();
  });
  const bool shown = ProcessEventsUntil([&] { return fetching && OverrideShape() == Qt::BusyCursor; });
  seen = true;
  worker.join();
  EXPECT_TRUE(shown);
  EXPECT_TRUE(ProcessEventsUntil([] { return QGuiApplication::overrideCursor() == nullptr; }));
}

// The idle time-out runs from the window's event loop; a disconnect it
// cannot make is shown in a box and the program goes on.
TEST_F(FibWindowHooksTest, AnErrorOfATimerIsShownInABox) {
  ScriptedMessageBoxes boxes;
  QtMessageLoop loop;
  platform::MessageLoop::SetCurrent(&loop);
  {
    Connection connection(path_);
    connection.db.BeforeDisconnect = classlib::TNotifyEvent::Function(
        [](classlib::TObject*) { throw classlib::Exception(classlib::Utf8ToCp1251("занято")); });
    connection.db.SetTimeout(20);
    EXPECT_TRUE(ProcessEventsUntil([&] { return !boxes.shown.empty(); }));
    connection.db.SetTimeout(0);
    connection.db.BeforeDisconnect = {};
  }
  platform::MessageLoop::SetCurrent(nullptr);
  ASSERT_FALSE(boxes.shown.empty());
  EXPECT_EQ(boxes.shown[0].caption, kErrorCaption);
  EXPECT_TRUE(boxes.shown[0].text.endsWith(QStringLiteral("BeforeDisconnect. занято")))
      << boxes.shown[0].text.toStdString();
  // The message a lost connection shows before the program ends, too.
  boxes.shown.clear();
  fib::ShowErrorMessage(classlib::Utf8ToCp1251("связь потеряна"));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QStringLiteral("связь потеряна"));
}

}  // namespace
}  // namespace app::testing
