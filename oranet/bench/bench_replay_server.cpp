#include "oranet/bench/bench_replay_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <stdexcept>
#include <string>

#include "oranet/tns_packet.h"

namespace oranet::bench {

namespace io = platform::socket_io;

namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  at.sin_port = htons(static_cast<uint16_t>(port));
  return at;
}

void NoDelay(int fd) {
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// One whole packet, header included; empty when the peer closed.
dacore::TBytes ReadPacket(int fd) {
  dacore::TBytes packet(kTnsHeaderSize);
  if (io::ReadExact(fd, packet.data(), packet.size(), std::nullopt) != io::IoStatus::Ok) return {};
  const size_t length = GetBigEndian16(packet.data());
  if (length < static_cast<size_t>(kTnsHeaderSize)) return {};
  packet.resize(length);
  if (length > static_cast<size_t>(kTnsHeaderSize) &&
      io::ReadExact(fd, packet.data() + kTnsHeaderSize, length - kTnsHeaderSize, std::nullopt) != io::IoStatus::Ok)
    return {};
  return packet;
}

bool Send(int fd, const dacore::TBytes& bytes) {
  return io::WriteAll(fd, std::string(bytes.begin(), bytes.end()), std::nullopt) == io::IoStatus::Ok;
}

}  // namespace

TReplayServer::TReplayServer(std::vector<dacore::TBytes> answers)
    : answers_(std::move(answers)), listener_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
  sockaddr_in at = Loopback(0);
  if (bind(listener_.Get(), reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(listener_.Get(), 4) != 0)
    throw std::runtime_error("the replay server cannot listen");
  socklen_t size = sizeof at;
  getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&at), &size);
  port_ = ntohs(at.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

TReplayServer::~TReplayServer() {
  stopping_ = true;
  thread_.join();
}

std::vector<dacore::TBytes> TReplayServer::LastRequests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_requests_;
}

void TReplayServer::Serve() {
  while (!stopping_) {
    pollfd p{listener_.Get(), POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    io::Fd client(accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (client.Get() >= 0) ServeConnection(client.Get());
  }
}

void TReplayServer::ServeConnection(int fd) {
  NoDelay(fd);
  std::vector<dacore::TBytes> requests;
  for (size_t n = 0;; ++n) {
    dacore::TBytes packet = ReadPacket(fd);
    if (packet.empty()) break;
    requests.push_back(std::move(packet));
    if (n < answers_.size() && !Send(fd, answers_[n])) break;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  last_requests_ = std::move(requests);
}

bool ReplayRequests(int port, const std::vector<dacore::TBytes>& requests, const std::vector<dacore::TBytes>& answers,
                    const TAnswerSink& answered) {
  io::Fd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in at = Loopback(port);
  if (connect(fd.Get(), reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) return false;
  NoDelay(fd.Get());
  std::vector<uint8_t> received(64 * 1024);
  for (size_t n = 0; n < requests.size(); ++n) {
    if (!Send(fd.Get(), requests[n])) return false;
    if (n >= answers.size()) continue;
    const size_t size = answers[n].size();
    if (answered && received.size() < size) received.resize(size);
    // Dropped answers are read into the start of the buffer over and over.
    for (size_t done = 0; done < size;) {
      uint8_t* into = answered ? received.data() + done : received.data();
      const size_t room = answered ? size - done : std::min(size - done, received.size());
      const ssize_t got = recv(fd.Get(), into, room, 0);
      if (got <= 0) return false;
      done += static_cast<size_t>(got);
    }
    if (answered && !answered(n, std::span<const uint8_t>(received.data(), size))) return false;
  }
  return true;
}

}  // namespace oranet::bench
