// The window's answers to the messages of auxiliary programs, called
// directly and through the receiver the programs send to.
#include "app/aux_messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/run_state.h"
#include "app/tests/aux_programs_test_support.h"
#include "platform/atoms.h"

namespace app {
namespace {

using testing::Ansi;

platform::WindowMessage Message(std::uint32_t msg, std::intptr_t wParam) {
  platform::WindowMessage message;
  message.msg = msg;
  message.wParam = static_cast<std::uintptr_t>(wParam);
  return message;
}

platform::WindowMessage Copy(const std::string& data) {
  return platform::WindowMessage::CopyDataMessage(0, platform::CopyData{7, data});
}

class ChildMessages : public platform::scratch::ScratchRegistryTest {
 protected:
  ChildMessages() {
    ResetRunState();
    ChildCommandLine = "\"C:\\Lx\\Utils\\ImportFromXML.exe\" LOGIN=\"a\"";
    ChildResultOk = true;
    SettingsItemNumber = 3;
  }
  ~ChildMessages() override { ResetRunState(); }

  // The error line of the only block logged so far.
  std::string LoggedError() const { return view_.details.size() == 7 ? view_.details[4] : "?"; }

  testing::FakeProgressView view_;
};

TEST_F(ChildMessages, ProgressIsTheItemsShareFromItsStartRoundedAndClamped) {
  ItemPercent = 33;
  ItemBasePosition = 66;
  EXPECT_EQ(WMChildProgress(view_, Message(WM_CHILD_PROGRESS, 100)), 0);
  EXPECT_EQ(view_.position, 99);
  EXPECT_EQ(view_.messages_processed, 1);

  ItemBasePosition = 0;
  WMChildProgress(view_, Message(WM_CHILD_PROGRESS, 50));  // 16.5
  EXPECT_EQ(view_.position, 16);
  WMChildProgress(view_, Message(WM_CHILD_PROGRESS, 1000));
  EXPECT_EQ(view_.position, 100);
  WMChildProgress(view_, Message(WM_CHILD_PROGRESS, -10));
  EXPECT_EQ(view_.position, 0);
  EXPECT_TRUE(view_.details.empty());
}

TEST_F(ChildMessages, AFailedResultIsLoggedForTheSettingsItemAndASuccessClearsIt) {
  EXPECT_EQ(WMChildResult(view_, Message(WM_CHILD_RESULT, 5)), 0);
  EXPECT_FALSE(ChildResultOk);
  ASSERT_EQ(view_.details.size(), 7u);
  EXPECT_EQ(view_.details[2], Ansi("Источник:элемент обновления конфигурации #3"));
  EXPECT_EQ(view_.details[4], Ansi("ошибка переноса данных"));

  WMChildResult(view_, Message(WM_CHILD_RESULT, 0));
  EXPECT_TRUE(ChildResultOk);
  EXPECT_EQ(view_.details.size(), 7u);
}

TEST_F(ChildMessages, AnErrorAtomGivesItsNameOrAnUndefinedError) {
  platform::Atom atom = platform::GlobalAddAtom(Ansi("Нет схемы"));
  ASSERT_NE(atom, 0);
  EXPECT_EQ(WMChildError(view_, Message(WM_CHILD_ERROR, atom)), 0);
  EXPECT_FALSE(ChildResultOk);
  EXPECT_EQ(view_.details[2], Ansi("Источник:") + ChildCommandLine);
  EXPECT_EQ(LoggedError(), Ansi("Нет схемы"));
  // The sender owns the atom; reading it leaves it alone.
  EXPECT_EQ(platform::GlobalGetAtomName(atom), Ansi("Нет схемы"));

  for (std::intptr_t gone : {std::intptr_t{atom}, std::intptr_t{0}, std::intptr_t{0x10000}}) {
    if (gone == atom) platform::GlobalDeleteAtom(atom);
    view_.details.clear();
    ChildResultOk = true;
    WMChildError(view_, Message(WM_CHILD_ERROR, gone));
    EXPECT_EQ(LoggedError(), Ansi("Неопределенная ошибка")) << gone;
    EXPECT_FALSE(ChildResultOk);
  }
}

TEST_F(ChildMessages, ALongErrorNameIsCutToTheBuffer) {
  const std::string name(platform::kMaxAtomName, 'e');
  platform::Atom atom = platform::GlobalAddAtom(name);
  ASSERT_NE(atom, 0);
  WMChildError(view_, Message(WM_CHILD_ERROR, atom));
  EXPECT_EQ(LoggedError(), std::string(kChildErrorTextMax, 'e'));
}

TEST_F(ChildMessages, CopiedTextEndsAtItsZeroOrItsLengthAndMeansWhatThePartMakesOfIt) {
  UpdatePhase = upReferenceGroups;
  WMCopyData(view_, Copy(std::string("bad data\0stale bytes", 20)));
  EXPECT_EQ(LoggedError(), "bad data");
  EXPECT_FALSE(ChildResultOk);

  view_.details.clear();
  WMCopyData(view_, Copy("no zero"));
  EXPECT_EQ(LoggedError(), "no zero");

  UpdatePhase = upSettings;
  ChildResultOk = true;
  view_.details.clear();
  WMCopyData(view_, Copy(std::string("step 2\0", 7)));
  EXPECT_EQ(view_.status, "step 2");
  EXPECT_TRUE(view_.details.empty());
  EXPECT_TRUE(ChildResultOk);

  UpdatePhase = upDatabase;
  WMCopyData(view_, Copy("ignored"));
  EXPECT_EQ(view_.status, "step 2");
  EXPECT_TRUE(view_.details.empty());
  EXPECT_TRUE(ChildResultOk);
}

TEST_F(ChildMessages, OnlyTheFourChildMessagesAreRouted) {
  ItemPercent = 100;
  EXPECT_EQ(DispatchChildMessage(view_, Message(WM_CHILD_PROGRESS, 40)), 0);
  EXPECT_EQ(view_.position, 40);
  EXPECT_EQ(DispatchChildMessage(view_, Message(WM_CHILD_RESULT, 1)), 0);
  EXPECT_EQ(view_.details.size(), 7u);
  EXPECT_EQ(DispatchChildMessage(view_, Message(platform::WM_USER + 5, 1)), std::nullopt);
  EXPECT_EQ(DispatchChildMessage(view_, Message(platform::WM_USER + 1, 1)), std::nullopt);
  EXPECT_EQ(view_.details.size(), 7u);
}

TEST_F(ChildMessages, TheReceiverIsTheWindowChildrenSendTo) {
  platform::PlainMessageLoop loop;
  auto receiver = std::make_unique<TChildMessageReceiver>(view_, loop);
  const platform::WindowHandle handle = receiver->Handle();
  EXPECT_EQ(MainWindowHandle, handle);

  // The sender waits until the loop is pumped, as a child waits for the
  // updater's next step; a message the handlers do not know gets 0 too.
  ItemPercent = 100;
  platform::SendResult progress, unknown;
  std::atomic<bool> done{false};
  std::thread child([&] {
    progress = platform::SendMessage(handle, Message(WM_CHILD_PROGRESS, 25), std::chrono::seconds(10));
    unknown = platform::SendMessage(handle, Message(platform::WM_USER + 9, 0), std::chrono::seconds(10));
    done = true;
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done && std::chrono::steady_clock::now() < deadline) {
    loop.ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  child.join();
  EXPECT_EQ(progress.status, platform::SendStatus::Ok);
  EXPECT_EQ(unknown.status, platform::SendStatus::Ok);
  EXPECT_EQ(unknown.result, 0);
  EXPECT_EQ(view_.position, 25);

  receiver.reset();
  EXPECT_EQ(MainWindowHandle, 0u);
}

}  // namespace
}  // namespace app
