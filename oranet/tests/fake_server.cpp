#include "oranet/tests/fake_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "oranet/tests/test_packets.h"
#include "oranet/tns_packet.h"

namespace oranet::testing {

namespace io = platform::socket_io;

namespace {

// A socket bound to 127.0.0.1 at a port of the system's choosing.
io::Fd Bind(int& port) {
  io::Fd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.Get() < 0) throw std::runtime_error("socket failed");
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  at.sin_port = 0;
  if (bind(fd.Get(), reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) throw std::runtime_error("bind failed");
  socklen_t len = sizeof at;
  getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&at), &len);
  port = ntohs(at.sin_port);
  return fd;
}

io::Fd Listen(int backlog, int& port) {
  io::Fd fd = Bind(port);
  if (listen(fd.Get(), backlog) != 0) throw std::runtime_error("listen failed");
  return fd;
}

bool WaitReadable(int fd, std::chrono::milliseconds timeout) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, static_cast<int>(timeout.count())) > 0;
}

// Readable with nothing to read: the client closed its side.
bool PeerClosed(int fd) {
  char byte;
  return recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

}  // namespace

TFakeServer::TFakeServer(std::vector<TFakeScript> scripts, std::chrono::milliseconds stepTimeout,
                         TRequestChecks checks)
    : scripts_(std::move(scripts)),
      step_timeout_(stepTimeout),
      listener_(Listen(8, port_)),
      checkers_(scripts_.size(), TRequestChecker(checks)) {
  thread_ = std::thread([this] { Serve(); });
}

TFakeServer::~TFakeServer() {
  Join();
  for (const std::string& failure : request_failures_) ADD_FAILURE() << "the fake server received " << failure;
}

void TFakeServer::Join() {
  if (thread_.joinable()) thread_.join();
}

void TFakeServer::Serve() {
  for (int i = 0; i < static_cast<int>(scripts_.size()); ++i) {
    if (!WaitReadable(listener_.Get(), step_timeout_)) {
      Fail("connection " + std::to_string(i) + ": no client came");
      break;
    }
    io::Fd client(accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (client.Get() < 0) {
      Fail("accept failed");
      break;
    }
    if (!RunScript(i, client.Get())) break;
  }
  // Stops listening: a client that comes later is refused.
  listener_ = io::Fd();
}

bool TFakeServer::RunScript(int index, int fd) {
  bool closed = false;
  bool ok = true;
  for (const TFakeStep& step : scripts_[index]) {
    if (!RunStep(index, fd, step, closed)) {
      ok = false;
      break;
    }
    if (closed) break;
  }
  checkers_[index].EndOfConnection();
  CollectChecks(index);
  return ok;
}

void TFakeServer::CollectChecks(int index) {
  const std::vector<std::string> found = checkers_[index].TakeFailures();
  std::lock_guard<std::mutex> lock(mutex_);
  for (const std::string& what : found) {
    const std::string failure = "connection " + std::to_string(index) + ": " + what;
    failures_.push_back(failure);
    request_failures_.push_back(failure);
  }
}

bool TFakeServer::RunStep(int index, int fd, const TFakeStep& step, bool& closed) {
  const auto deadline = io::DeadlineAfter(step_timeout_);
  switch (step.kind) {
    case TFakeStep::kExpect:
      return ReadPacket(index, fd, step.type);
    case TFakeStep::kExpectBurst:
      if (!ReadPacket(index, fd, step.type)) return false;
      // More of the request, until a pause; a client that closed ends it.
      while (WaitReadable(fd, std::chrono::milliseconds(step.ms)) && !PeerClosed(fd))
        if (!ReadPacket(index, fd, step.type)) return false;
      return true;
    case TFakeStep::kSend:
    case TFakeStep::kSendRaw: {
      const dacore::TBytes bytes = step.kind == TFakeStep::kSend ? TnsPacket(step.type, step.bytes) : step.bytes;
      checkers_[index].ServerBytes(bytes);
      CollectChecks(index);
      if (io::WriteAll(fd, std::string(bytes.begin(), bytes.end()), deadline) != io::IoStatus::Ok) {
        Fail("connection " + std::to_string(index) + ": send failed");
        return false;
      }
      return true;
    }
    case TFakeStep::kClose:
      shutdown(fd, SHUT_WR);
      closed = true;
      return true;
    case TFakeStep::kReset: {
      const linger abort{1, 0};  // close with RST instead of FIN
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
      closed = true;
      return true;
    }
    case TFakeStep::kSilent: {
      const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(step.ms);
      char drop[256];
      for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !WaitReadable(fd, left)) return true;
        if (recv(fd, drop, sizeof drop, 0) <= 0) return true;  // the client closed
      }
    }
  }
  return false;
}

bool TFakeServer::ReadPacket(int index, int fd, int wantedType) {
  const auto deadline = io::DeadlineAfter(step_timeout_);
  dacore::TBytes packet(kTnsHeaderSize);
  const std::string where = "connection " + std::to_string(index) + ": ";
  if (io::ReadExact(fd, packet.data(), packet.size(), deadline) != io::IoStatus::Ok) {
    Fail(where + "no packet came (wanted type " + std::to_string(wantedType) + ")");
    return false;
  }
  const int length = static_cast<int>(GetBigEndian16(packet.data()));
  if (length < kTnsHeaderSize) {
    Fail(where + "packet length " + std::to_string(length));
    return false;
  }
  packet.resize(length);
  if (length > kTnsHeaderSize &&
      io::ReadExact(fd, packet.data() + kTnsHeaderSize, length - kTnsHeaderSize, deadline) != io::IoStatus::Ok) {
    Fail(where + "packet cut short");
    return false;
  }
  const int type = packet[4];
  {
    std::lock_guard<std::mutex> lock(mutex_);
    packets_.push_back({index, type, packet});
  }
  checkers_[index].ClientPacket(packet);
  if (wantedType != 0 && type != wantedType) {
    Fail(where + "packet type " + std::to_string(type) + ", wanted " + std::to_string(wantedType));
    return false;
  }
  return true;
}

void TFakeServer::Fail(const std::string& what) {
  std::lock_guard<std::mutex> lock(mutex_);
  failures_.push_back(what);
}

std::vector<TRecordedPacket> TFakeServer::Packets() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return packets_;
}

std::vector<dacore::TBytes> TFakeServer::PacketsOfType(int type) const {
  std::vector<dacore::TBytes> found;
  for (const TRecordedPacket& p : Packets()) {
    if (p.type == type) found.push_back(p.bytes);
  }
  return found;
}

std::vector<std::string> TFakeServer::Failures() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failures_;
}

std::vector<std::string> TFakeServer::TakeRequestFailures() {
  Join();
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> taken;
  taken.swap(request_failures_);
  return taken;
}

std::vector<TCheckedCall> TFakeServer::Calls(int connection) {
  Join();
  return checkers_.at(static_cast<size_t>(connection)).Calls();
}

int TFakeServer::AnnouncedCharset(int connection) {
  Join();
  return checkers_.at(static_cast<size_t>(connection)).AnnouncedCharset();
}

TFullBacklogListener::TFullBacklogListener() : listener_(Listen(0, port_)) {
  // Connect until one connect is left waiting: from then on the kernel
  // drops every new connection request to this port.
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  at.sin_port = htons(static_cast<uint16_t>(port_));
  for (int i = 0; i < 16; ++i) {
    io::Fd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    connect(fd.Get(), reinterpret_cast<sockaddr*>(&at), sizeof at);
    pollfd p{fd.Get(), POLLOUT, 0};
    const bool answered = poll(&p, 1, 200) > 0;
    fillers_.push_back(std::move(fd));
    if (!answered) return;
  }
  throw std::runtime_error("the accept queue never filled");
}

TRefusingPort::TRefusingPort() : socket_(Bind(port_)) {}

}  // namespace oranet::testing
