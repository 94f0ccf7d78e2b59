// The main window as the receiver of a real child's reports: the wait for
// the child lets the window system's loop run, and the reports show on the
// window's bar, status line and details list.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/aux_messages.h"
#include "app/macros.h"
#include "app/qt_message_loop.h"
#include "app/qt_text.h"
#include "app/run_process.h"
#include "app/run_state.h"
#include "app/tests/aux_programs_test_support.h"
#include "window_fixture.h"

namespace app::testing {
namespace {

class ChildProgramWindowTest : public WindowTest {
 protected:
  ChildProgramWindowTest() {
    platform::MessageLoop::SetCurrent(&loop_);
    ResetRunState();
    PtxDir = FakeReleaseDir();
    receiver_ = std::make_unique<TChildMessageReceiver>(window, loop_);
  }
  ~ChildProgramWindowTest() override {
    receiver_.reset();
    platform::MessageLoop::SetCurrent(nullptr);
    ResetRunState();
  }

  platform::scratch::ScratchFolder folder_;
  platform::scratch::ScopedEnv registry_{"UPDATER_REGISTRY", folder_.Path()};
  platform::scratch::ScopedRuntimeDir runtime_{folder_.Path()};
  platform::scratch::ScopedEnv record_{"FAKE_AUX_RECORD", folder_.Path() + "/record.txt"};
  platform::scratch::ScopedEnv script_{"FAKE_AUX_SCRIPT", std::nullopt};
  QtMessageLoop loop_;
  std::unique_ptr<TChildMessageReceiver> receiver_;
};

TEST_F(ChildProgramWindowTest, TheWindowShowsWhatTheChildReportsWhileItWaits) {
  ShowAllPages();
  window.SetProgressRange(0, 100);
  UpdatePhase = upSettings;
  ItemPercent = 50;
  ItemBasePosition = 10;
  ChildResultOk = true;
  const std::string command = ExpandMacros(
      Ansi("WNDHANDLE=<HANDLE> \"SCRIPT=progress 40;copydata Настройка форм;error Нет формы\""));

  ASSERT_TRUE(RunProcessAndWait(window, PtxDir + "Bin\\Pontarex.exe", command));
  EXPECT_EQ(MainWindowHandle, receiver_->Handle());
  EXPECT_EQ(window.pbCondition->value(), 30);
  EXPECT_EQ(window.lInfo->text(), QString::fromUtf8("Настройка форм"));
  const std::vector<std::string> details = window.DetailLines();
  ASSERT_EQ(details.size(), 7u);
  EXPECT_EQ(details[4], Ansi("Нет формы"));
  EXPECT_TRUE(window.sbDetails->isEnabled());
  EXPECT_FALSE(ChildResultOk);
}

}  // namespace
}  // namespace app::testing
