#include <cerrno>
#include <cstring>

#include "platform/message_frame.h"
#include "platform/runtime_dir.h"
#include "platform/socket_io.h"
#include "platform/window_messages.h"

namespace platform {

using socket_io::Fd;
using socket_io::IoStatus;

namespace {

// A posted message is handed over without waiting for its handling, but the
// hand-over itself must not hang on a receiver that stopped reading.
constexpr std::chrono::seconds kPostWriteLimit{5};

SendResult Failure(SendStatus status, std::string error) { return {status, 0, std::move(error)}; }

std::string Describe(WindowHandle handle) { return "window " + std::to_string(handle); }

// Connects to the window, or says why not.
std::optional<SendResult> Connect(WindowHandle handle, Fd& fd) {
  fd = Fd(socket_io::ConnectUnix(WindowSocketPath(handle)));
  if (fd.Get() >= 0) return std::nullopt;
  if (errno == ENOENT || errno == ECONNREFUSED || errno == ENOTSOCK)
    return Failure(SendStatus::NoSuchWindow, "no " + Describe(handle));
  return Failure(SendStatus::Failed, "cannot reach " + Describe(handle) + ": " + std::strerror(errno));
}

std::optional<SendResult> CheckSize(const WindowMessage& message) {
  if (message.copy && message.copy->data.size() > kMaxCopyData)
    return Failure(SendStatus::Failed, "copied data exceeds " + std::to_string(kMaxCopyData) + " bytes");
  if (message.copy.has_value() != (message.msg == WM_COPYDATA))
    return Failure(SendStatus::Failed, "copied data goes with WM_COPYDATA only");
  return std::nullopt;
}

SendResult WriteFailure(IoStatus status, WindowHandle handle) {
  if (status == IoStatus::Timeout) return Failure(SendStatus::Timeout, Describe(handle) + " is not reading");
  return Failure(SendStatus::Failed, Describe(handle) + " went away while the message was sent");
}

SendResult ReadReply(int fd, WindowHandle handle, socket_io::Deadline deadline) {
  unsigned char bytes[message_frame::kHeaderSize];
  IoStatus status = socket_io::ReadExact(fd, bytes, sizeof bytes, deadline);
  if (status == IoStatus::Timeout) return Failure(SendStatus::Timeout, Describe(handle) + " did not reply in time");
  if (status != IoStatus::Ok) return Failure(SendStatus::Failed, Describe(handle) + " closed without a reply");
  message_frame::Header header;
  std::string problem = message_frame::DecodeHeader(bytes, header);
  if (problem.empty() && header.kind != message_frame::Kind::Reply) problem = "not a reply";
  if (!problem.empty()) return Failure(SendStatus::Failed, "bad reply from " + Describe(handle) + ": " + problem);
  switch (header.status) {
    case message_frame::ReplyStatus::Handled:
      return {SendStatus::Ok, static_cast<std::intptr_t>(header.lParam), {}};
    case message_frame::ReplyStatus::WindowGone:
      return Failure(SendStatus::NoSuchWindow, Describe(handle) + " was destroyed before handling the message");
    default:
      return Failure(SendStatus::Failed, Describe(handle) + " failed to handle the message");
  }
}

}  // namespace

WindowMessage WindowMessage::CopyDataMessage(std::uintptr_t wParam, CopyData copy) {
  WindowMessage message;
  message.msg = WM_COPYDATA;
  message.wParam = wParam;
  message.copy = std::move(copy);
  return message;
}

std::string WindowSocketPath(WindowHandle handle) { return RuntimeDir() + "/wnd-" + std::to_string(handle); }

SendResult SendMessage(WindowHandle handle, const WindowMessage& message, WaitTimeout timeout) {
  if (auto bad = CheckSize(message)) return *bad;
  if (auto direct = WindowReceiver::DispatchDirect(handle, message)) return {SendStatus::Ok, *direct, {}};
  Fd fd;
  if (auto failed = Connect(handle, fd)) return *failed;
  auto deadline = socket_io::DeadlineAfter(timeout);
  IoStatus written = socket_io::WriteAll(fd.Get(), message_frame::EncodeMessage(message_frame::Kind::Send, message),
                                         deadline);
  if (written != IoStatus::Ok) return WriteFailure(written, handle);
  return ReadReply(fd.Get(), handle, deadline);
}

SendResult PostMessage(WindowHandle handle, const WindowMessage& message) {
  if (auto bad = CheckSize(message)) return *bad;
  Fd fd;
  if (auto failed = Connect(handle, fd)) return *failed;
  IoStatus written = socket_io::WriteAll(fd.Get(), message_frame::EncodeMessage(message_frame::Kind::Post, message),
                                         socket_io::DeadlineAfter(kPostWriteLimit));
  if (written != IoStatus::Ok) return WriteFailure(written, handle);
  return {SendStatus::Ok, 0, {}};
}

bool IsWindow(WindowHandle handle) {
  if (handle == 0) return false;
  Fd fd(socket_io::ConnectUnix(WindowSocketPath(handle)));
  return fd.Get() >= 0;
}

}  // namespace platform
