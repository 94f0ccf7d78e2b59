// Window messages between processes. A window is a number; a receiver owns
// one and listens for messages on a Unix-domain socket named after it in the
// runtime folder. Senders either wait for the receiver's reply (SendMessage)
// or do not (PostMessage). Messages are handled on the thread that pumps the
// receiver's message loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/message_loop.h"
#include "platform/wait_result.h"

namespace platform {

using WindowHandle = std::uint32_t;

constexpr std::uint32_t WM_COPYDATA = 74;
constexpr std::uint32_t WM_USER = 0x400;

// The payload of WM_COPYDATA: a number and bytes copied to the receiver.
struct CopyData {
  std::uintptr_t dwData = 0;
  std::string data;
};

struct WindowMessage {
  std::uint32_t msg = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  std::optional<CopyData> copy;  // set exactly for WM_COPYDATA

  static WindowMessage CopyDataMessage(std::uintptr_t wParam, CopyData copy);
};

// The most copied data one message may carry.
constexpr std::size_t kMaxCopyData = 16u << 20;

// ---- receiving ------------------------------------------------------------

class WindowReceiver {
 public:
  using Handler = std::function<std::intptr_t(const WindowMessage&)>;
  using ErrorHandler = std::function<void(const std::string&)>;

  // Takes a free handle and starts listening. Messages reach `handler`
  // through `loop`, so they run where that loop is pumped. The receiver
  // must be destroyed on that thread. Raises EOSError.
  explicit WindowReceiver(Handler handler, MessageLoop& loop = MessageLoop::Current());
  ~WindowReceiver();
  WindowReceiver(const WindowReceiver&) = delete;
  WindowReceiver& operator=(const WindowReceiver&) = delete;

  WindowHandle Handle() const;

  // Told (on the loop's thread) about each frame that was dropped; by
  // default the text goes to standard error.
  void SetErrorHandler(ErrorHandler on_error);

  // A message sent to a receiver of this process from the thread that owns
  // it is handled at once, as Windows does; no value otherwise.
  static std::optional<std::intptr_t> DispatchDirect(WindowHandle handle, const WindowMessage& message);

  // What a receiver shares with its listener thread and queued messages
  // (defined with the receiver's code).
  struct State;

 private:
  void Listen();

  std::shared_ptr<State> state_;
  int listen_fd_ = -1;
  int wake_read_ = -1;
  int wake_write_ = -1;
  std::thread listener_;
};

// ---- sending ----------------------------------------------------------------

enum class SendStatus {
  Ok,
  NoSuchWindow,  // no receiver listens on that handle
  Timeout,       // the receiver did not answer in time
  Failed,        // the receiver dropped the message or went away
};

struct SendResult {
  SendStatus status = SendStatus::Failed;
  std::intptr_t result = 0;
  std::string error;  // empty when status is Ok
};

// Waits for the receiver's reply, for ever without a time-out. A handle
// nobody listens on fails at once with NoSuchWindow.
SendResult SendMessage(WindowHandle handle, const WindowMessage& message, WaitTimeout timeout = std::nullopt);
// Delivers the message without waiting for it to be handled.
SendResult PostMessage(WindowHandle handle, const WindowMessage& message);
// True when a receiver listens on the handle.
bool IsWindow(WindowHandle handle);

// The socket of a handle in the runtime folder.
std::string WindowSocketPath(WindowHandle handle);

}  // namespace platform
