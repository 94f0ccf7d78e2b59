#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <map>
#include <mutex>

#include "classlib/exceptions.h"
#include "platform/message_frame.h"
#include "platform/socket_io.h"
#include "platform/window_messages.h"

namespace platform {

using socket_io::Fd;
using socket_io::IoStatus;

struct WindowReceiver::State {
  State(Handler h, MessageLoop& l) : handler(std::move(h)), loop(l) {}
  Handler handler;
  MessageLoop& loop;
  WindowHandle handle = 0;
  std::thread::id owner = std::this_thread::get_id();
  ErrorHandler on_error;  // touched on the owner thread only
  std::atomic<bool> alive{true};
};

namespace {

// A slow or stuck sender holds up the listener no longer than this.
constexpr std::chrono::seconds kFrameReadLimit{2};
constexpr std::chrono::seconds kReplyWriteLimit{2};

// The receivers of this process, for messages a thread sends to its own
// windows (which must not go through the socket: that thread is the one
// that would have to answer).
std::mutex local_mutex;
std::map<WindowHandle, std::weak_ptr<WindowReceiver::State>> local_windows;

using StatePtr = std::shared_ptr<WindowReceiver::State>;

void ReportError(const StatePtr& state, const std::string& text) {
  state->loop.Post([state, text] {
    std::string full = "window " + std::to_string(state->handle) + ": dropped a message: " + text;
    if (state->alive && state->on_error) state->on_error(full);
    else std::cerr << full << '\n';
  });
}

void Reply(const std::shared_ptr<Fd>& to, message_frame::ReplyStatus status, std::intptr_t result) {
  if (!to) return;
  // A sender that went away meanwhile is no error of ours.
  socket_io::WriteAll(to->Get(), message_frame::EncodeReply(status, result),
                      socket_io::DeadlineAfter(kReplyWriteLimit));
}

// Runs on the loop's thread; `reply_to` is empty for posted messages.
void Deliver(const StatePtr& state, const WindowMessage& message, const std::shared_ptr<Fd>& reply_to) {
  if (!state->alive) {
    Reply(reply_to, message_frame::ReplyStatus::WindowGone, 0);
    return;
  }
  std::intptr_t result = 0;
  try {
    result = state->handler(message);
  } catch (...) {
    // The sender learns that the message failed; the error itself belongs
    // to this process and goes on up the loop.
    Reply(reply_to, message_frame::ReplyStatus::HandlerFailed, 0);
    throw;
  }
  Reply(reply_to, message_frame::ReplyStatus::Handled, result);
}

std::string IoProblem(IoStatus status, const char* part) {
  switch (status) {
    case IoStatus::Truncated:
    case IoStatus::Closed:
      return std::string("truncated frame (") + part + ")";
    case IoStatus::Timeout:
      return std::string("frame not completed in time (") + part + ")";
    default:
      return std::string("read error (") + part + "): " + std::strerror(errno);
  }
}

// Reads one frame from a fresh connection and hands it to the loop.
void ServeConnection(const StatePtr& state, Fd connection) {
  auto deadline = socket_io::DeadlineAfter(kFrameReadLimit);
  unsigned char bytes[message_frame::kHeaderSize];
  IoStatus status = socket_io::ReadExact(connection.Get(), bytes, sizeof bytes, deadline);
  if (status == IoStatus::Closed) return;  // someone checked the window exists
  if (status != IoStatus::Ok) return ReportError(state, IoProblem(status, "header"));
  message_frame::Header header;
  std::string problem = message_frame::DecodeHeader(bytes, header);
  if (!problem.empty()) return ReportError(state, problem);
  if (header.kind == message_frame::Kind::Reply) return ReportError(state, "a reply frame sent to a window");
  std::string data(header.data_size, '\0');
  status = socket_io::ReadExact(connection.Get(), data.data(), data.size(), deadline);
  if (status != IoStatus::Ok) return ReportError(state, IoProblem(status, "copied data"));

  WindowMessage message = message_frame::ToMessage(header, std::move(data));
  std::shared_ptr<Fd> reply_to;
  if (header.kind == message_frame::Kind::Send) reply_to = std::make_shared<Fd>(std::move(connection));
  state->loop.Post([state, message = std::move(message), reply_to] { Deliver(state, message, reply_to); });
}

bool Listening(const std::string& path) {
  Fd probe(socket_io::ConnectUnix(path));
  return probe.Get() >= 0;
}

int BindSocket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path)
    throw classlib::EOSError("Window socket path too long: " + path, ENAMETOOLONG);
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  for (int attempt = 0; attempt < 2; ++attempt) {
    Fd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.Get() < 0) throw classlib::EOSError("Cannot create a window socket", static_cast<unsigned>(errno));
    if (bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      // Restrict the file before anyone can connect: connects fail until listen.
      if (chmod(path.c_str(), 0600) != 0 || listen(fd.Get(), 64) != 0) {
        unlink(path.c_str());
        throw classlib::EOSError("Cannot listen on " + path, static_cast<unsigned>(errno));
      }
      return fd.Release();
    }
    if (errno != EADDRINUSE) throw classlib::EOSError("Cannot bind " + path, static_cast<unsigned>(errno));
    if (Listening(path)) return -1;
    unlink(path.c_str());  // left behind by a receiver that died
  }
  return -1;
}

// Handles carry the process id in their high bits so that processes rarely
// compete for one; a handle still in use is skipped.
WindowHandle CandidateHandle() {
  static std::atomic<unsigned> serial{0};
  unsigned pid_part = (static_cast<unsigned>(getpid()) & 0x3FFFFF) << 10;
  return pid_part | (serial++ & 0x3FF);
}

}  // namespace

WindowReceiver::WindowReceiver(Handler handler, MessageLoop& loop)
    : state_(std::make_shared<State>(std::move(handler), loop)) {
  for (int attempt = 0; attempt < 4096 && listen_fd_ < 0; ++attempt) {
    WindowHandle handle = CandidateHandle();
    if (handle == 0) continue;
    listen_fd_ = BindSocket(WindowSocketPath(handle));
    state_->handle = handle;
  }
  if (listen_fd_ < 0) throw classlib::EOSError("No free window handle", EADDRINUSE);
  int wake[2];
  if (pipe2(wake, O_CLOEXEC) != 0) {
    int code = errno;
    close(listen_fd_);
    unlink(WindowSocketPath(state_->handle).c_str());
    throw classlib::EOSError("Cannot create a pipe", static_cast<unsigned>(code));
  }
  wake_read_ = wake[0];
  wake_write_ = wake[1];
  {
    std::lock_guard lock(local_mutex);
    local_windows[state_->handle] = state_;
  }
  listener_ = std::thread([this] { Listen(); });
}

WindowReceiver::~WindowReceiver() {
  state_->alive = false;
  {
    std::lock_guard lock(local_mutex);
    local_windows.erase(state_->handle);
  }
  unlink(WindowSocketPath(state_->handle).c_str());
  char stop = 1;
  while (write(wake_write_, &stop, 1) < 0 && errno == EINTR) {
  }
  listener_.join();
  close(wake_read_);
  close(wake_write_);
  close(listen_fd_);
}

WindowHandle WindowReceiver::Handle() const { return state_->handle; }

void WindowReceiver::SetErrorHandler(ErrorHandler on_error) { state_->on_error = std::move(on_error); }

void WindowReceiver::Listen() {
  for (;;) {
    pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {wake_read_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    if (fds[0].revents & POLLIN) {
      int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) ServeConnection(state_, Fd(fd));
    }
  }
}

std::optional<std::intptr_t> WindowReceiver::DispatchDirect(WindowHandle handle, const WindowMessage& message) {
  StatePtr state;
  {
    std::lock_guard lock(local_mutex);
    auto it = local_windows.find(handle);
    if (it != local_windows.end()) state = it->second.lock();
  }
  if (!state || !state->alive || state->owner != std::this_thread::get_id()) return std::nullopt;
  return state->handler(message);
}

}  // namespace platform
