#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include "child_process.h"
#include "platform/message_frame.h"
#include "platform/plain_message_loop.h"
#include "platform/socket_io.h"
#include "platform/window_messages.h"
#include "temp_runtime_dir.h"

namespace platform {
namespace {

using std::chrono::milliseconds;

const std::string kSendMsg = UPDATER_BINARY_DIR "/tools/sendmsg";

// A window in this process that records what it receives and answers with
// msg + wParam, pumped by its own plain loop.
class WindowMessages : public testing::TempRuntimeDir {
 protected:
  void SetUp() override {
    TempRuntimeDir::SetUp();
    receiver = std::make_unique<WindowReceiver>(
        [this](const WindowMessage& m) {
          received.push_back(m);
          return static_cast<std::intptr_t>(m.msg + m.wParam);
        },
        loop);
    receiver->SetErrorHandler([this](const std::string& e) { errors.push_back(e); });
  }
  void TearDown() override {
    receiver.reset();
    TempRuntimeDir::TearDown();
  }

  testing::ProgramResult SendMsg(const std::vector<std::string>& args) {
    return testing::RunProgram(kSendMsg, args, [this] { loop.ProcessMessages(); });
  }

  // Pumps the loop until `done` or a bounded time has passed.
  bool PumpUntil(const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      loop.ProcessMessages();
      std::this_thread::sleep_for(milliseconds(1));
    }
    return done();
  }

  // Writes raw bytes to the window's socket as a misbehaving sender would.
  void WriteRaw(const std::string& bytes) {
    socket_io::Fd fd(socket_io::ConnectUnix(WindowSocketPath(receiver->Handle())));
    ASSERT_GE(fd.Get(), 0);
    ASSERT_EQ(socket_io::WriteAll(fd.Get(), bytes, socket_io::DeadlineAfter(std::chrono::seconds(2))),
              socket_io::IoStatus::Ok);
  }

  PlainMessageLoop loop;
  std::unique_ptr<WindowReceiver> receiver;
  std::vector<WindowMessage> received;
  std::vector<std::string> errors;
};

TEST_F(WindowMessages, TheCliSendsAUserMessageAndPrintsTheReply) {
  auto result = SendMsg({std::to_string(receiver->Handle()), "1027", "5", "-7"});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "1032\n");
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].msg, 1027u);
  EXPECT_EQ(received[0].wParam, 5u);
  EXPECT_EQ(received[0].lParam, -7);
  EXPECT_FALSE(received[0].copy);
}

TEST_F(WindowMessages, TheCliCopiesTextBytesIntactFromArgumentOrFile) {
  const std::string cyrillic = "ошибка переноса данных";
  auto result = SendMsg({"--copydata", std::to_string(receiver->Handle()), "42", cyrillic});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, std::to_string(WM_COPYDATA) + "\n");
  std::string cp1251 = "\xCE\xF8\xE8\xE1\xEA\xE0\r\n\t";  // bytes that are not UTF-8
  std::string file = dir_ + "/text.bin";
  std::ofstream(file, std::ios::binary) << cp1251;
  result = SendMsg({"--copydata", std::to_string(receiver->Handle()), "0x10", "--file", file});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  ASSERT_EQ(received.size(), 2u);
  ASSERT_TRUE(received[0].copy && received[1].copy);
  EXPECT_EQ(received[0].msg, WM_COPYDATA);
  EXPECT_EQ(received[0].copy->dwData, 42u);
  EXPECT_EQ(received[0].copy->data, cyrillic + '\0') << "zero-terminated for the receiver";
  EXPECT_EQ(received[1].copy->dwData, 16u);
  EXPECT_EQ(received[1].copy->data, cp1251 + '\0');
}

TEST_F(WindowMessages, TheCliReportsAMissingWindowAndBadUsage) {
  WindowHandle dead = receiver->Handle();
  receiver.reset();
  auto result = SendMsg({std::to_string(dead), "1026", "1", "0"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.err.find("no window"), std::string::npos) << result.err;
  EXPECT_EQ(SendMsg({"12", "1026", "1"}).exit_code, 2);
  EXPECT_EQ(SendMsg({"12", "x1026", "1", "0"}).exit_code, 2);
  EXPECT_EQ(SendMsg({"--copydata", "12", "1"}).exit_code, 2);
  EXPECT_EQ(SendMsg({"--copydata", "12", "1", "--file", dir_ + "/missing"}).exit_code, 2);
}

TEST_F(WindowMessages, SendingToADeadHandleFailsAtOnceAndItsSocketIsReused) {
  WindowHandle dead = receiver->Handle();
  receiver.reset();
  EXPECT_FALSE(IsWindow(dead));
  auto start = std::chrono::steady_clock::now();
  SendResult result = SendMessage(dead, WindowMessage{1026, 1, 0, {}});
  EXPECT_EQ(result.status, SendStatus::NoSuchWindow);
  EXPECT_EQ(PostMessage(dead, WindowMessage{1026, 1, 0, {}}).status, SendStatus::NoSuchWindow);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

  // A receiver that died without cleaning up leaves its socket file behind.
  std::string path = WindowSocketPath(dead);
  int stale = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path.c_str());
  ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(stale);
  EXPECT_EQ(SendMessage(dead, WindowMessage{1026, 1, 0, {}}).status, SendStatus::NoSuchWindow);
  // Handles come round again; the one whose socket is stale must be usable.
  std::unique_ptr<WindowReceiver> reborn;
  for (int i = 0; i < 2048 && !(reborn && reborn->Handle() == dead); ++i)
    reborn = std::make_unique<WindowReceiver>([](const WindowMessage&) { return 5; }, loop);
  ASSERT_EQ(reborn->Handle(), dead) << "the stale socket of a dead receiver is replaced";
  EXPECT_EQ(SendMessage(dead, WindowMessage{1026, 1, 0, {}}).result, 5);
}

TEST_F(WindowMessages, SocketIsPrivateToTheUser) {
  struct stat info {};
  ASSERT_EQ(stat(WindowSocketPath(receiver->Handle()).c_str(), &info), 0);
  EXPECT_TRUE(S_ISSOCK(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(WindowMessages, SendFromAnotherThreadWaitsForThePumpAndCanTimeOut) {
  SendResult result;
  std::thread sender([&] { result = SendMessage(receiver->Handle(), WindowMessage{1026, 3, 0, {}}); });
  std::this_thread::sleep_for(milliseconds(50));
  EXPECT_TRUE(received.empty()) << "handled only where the loop is pumped";
  EXPECT_TRUE(PumpUntil([&] { return !received.empty(); }));
  sender.join();
  EXPECT_EQ(result.status, SendStatus::Ok);
  EXPECT_EQ(result.result, 1029);

  // Nobody pumps now: a send with a time-out gives up.
  auto start = std::chrono::steady_clock::now();
  std::thread([&] {
    result = SendMessage(receiver->Handle(), WindowMessage{1026, 3, 0, {}}, milliseconds(100));
  }).join();
  EXPECT_EQ(result.status, SendStatus::Timeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  loop.ProcessMessages();  // the late message is still handled; its reply finds nobody
  EXPECT_EQ(received.size(), 2u);
}

TEST_F(WindowMessages, SendFromTheOwningThreadIsHandledDirectly) {
  SendResult result = SendMessage(receiver->Handle(), WindowMessage{1027, 0, 0, {}});
  EXPECT_EQ(result.status, SendStatus::Ok);
  EXPECT_EQ(result.result, 1027);
  EXPECT_EQ(received.size(), 1u);
}

TEST_F(WindowMessages, PostedMessagesArriveInOrderWithoutWaiting) {
  for (std::uintptr_t i = 0; i < 20; ++i)
    ASSERT_EQ(PostMessage(receiver->Handle(), WindowMessage{WM_USER, i, 0, {}}).status, SendStatus::Ok);
  EXPECT_TRUE(received.empty());
  ASSERT_TRUE(PumpUntil([&] { return received.size() == 20; }));
  for (std::uintptr_t i = 0; i < 20; ++i) EXPECT_EQ(received[i].wParam, i);
}

TEST_F(WindowMessages, ReceiverDestroyedBeforeHandlingTellsTheSender) {
  SendResult result;
  // The handle is taken here: the receiver object goes away while the
  // sender still runs.
  const WindowHandle handle = receiver->Handle();
  std::thread sender([&] { result = SendMessage(handle, WindowMessage{1026, 3, 0, {}}, std::chrono::seconds(5)); });
  std::this_thread::sleep_for(milliseconds(100));  // the message is queued, not yet handled
  receiver.reset();
  loop.ProcessMessages();
  sender.join();
  EXPECT_EQ(result.status, SendStatus::NoSuchWindow);
  EXPECT_TRUE(received.empty());
}

TEST_F(WindowMessages, CopiedDataOverTheLimitIsRefusedByTheSender) {
  CopyData big{1, std::string(kMaxCopyData + 1, 'x')};
  SendResult result = SendMessage(receiver->Handle(), WindowMessage::CopyDataMessage(0, big));
  EXPECT_EQ(result.status, SendStatus::Failed);
  EXPECT_TRUE(received.empty());
}

TEST_F(WindowMessages, BadFramesAreDroppedWithAnErrorAndTheWindowKeepsWorking) {
  using message_frame::Kind;
  std::string good = message_frame::EncodeMessage(Kind::Post, WindowMessage{WM_USER, 1, 2, {}});
  std::string copy = message_frame::EncodeMessage(Kind::Post, WindowMessage::CopyDataMessage(0, {7, "abc"}));
  auto with = [](std::string frame, std::size_t at, std::string bytes) { return frame.replace(at, bytes.size(), bytes); };

  WriteRaw(good.substr(0, 20));                                      // truncated header
  WriteRaw(copy.substr(0, copy.size() - 1));                         // truncated copied data
  WriteRaw(with(good, 0, "XXXX"));                                   // bad magic
  WriteRaw(with(good, 4, std::string("\x02\x00", 2)));               // unknown version
  WriteRaw(with(copy, 40, std::string("\x01\x00\x00\x01", 4)));      // 16 MiB + 1 of data announced
  WriteRaw(with(good, 8, std::string("\x4A\x00", 2)));               // WM_COPYDATA without data
  WriteRaw(message_frame::EncodeReply(message_frame::ReplyStatus::Handled, 0));
  WriteRaw(good);
  ASSERT_TRUE(PumpUntil([&] { return received.size() == 1 && errors.size() == 7; }))
      << received.size() << " messages, " << errors.size() << " errors";
  EXPECT_EQ(received[0].lParam, 2);
  EXPECT_NE(errors[0].find("truncated"), std::string::npos) << errors[0];
  EXPECT_NE(errors[2].find("magic"), std::string::npos) << errors[2];
  EXPECT_NE(errors[4].find("limit"), std::string::npos) << errors[4];

  auto result = SendMsg({std::to_string(receiver->Handle()), "1028", "1", "0"});
  EXPECT_EQ(result.exit_code, 0) << result.err;
}

TEST(MessageFrame, RoundTripsEveryField) {
  WindowMessage m = WindowMessage::CopyDataMessage(~std::uintptr_t{0}, {0x1122334455667788ull, std::string("a\0b", 3)});
  m.lParam = -1;
  std::string frame = message_frame::EncodeMessage(message_frame::Kind::Send, m);
  ASSERT_EQ(frame.size(), message_frame::kHeaderSize + 3);
  message_frame::Header h;
  ASSERT_EQ(message_frame::DecodeHeader(reinterpret_cast<const unsigned char*>(frame.data()), h), "");
  WindowMessage back = message_frame::ToMessage(h, frame.substr(message_frame::kHeaderSize));
  EXPECT_EQ(back.msg, WM_COPYDATA);
  EXPECT_EQ(back.wParam, m.wParam);
  EXPECT_EQ(back.lParam, -1);
  EXPECT_EQ(back.copy->dwData, m.copy->dwData);
  EXPECT_EQ(back.copy->data, m.copy->data);
}

}  // namespace
}  // namespace platform
