#include "loopback_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

namespace app::testing {

LoopbackServer::LoopbackServer(std::function<void(int socket)> serve) : serve_(std::move(serve)) {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      listen(listener_, 4) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
    ADD_FAILURE() << "cannot listen on 127.0.0.1";
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { AcceptAll(); });
}

LoopbackServer::~LoopbackServer() {
  shutdown(listener_, SHUT_RDWR);  // ends the accept that waits
  thread_.join();
  close(listener_);
}

void LoopbackServer::AcceptAll() {
  for (int client; (client = accept(listener_, nullptr, nullptr)) >= 0;) {
    // A client that stops talking must not hold the test up.
    const timeval limit{5, 0};
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ++accepted_;
    serve_(client);
    close(client);
  }
}

namespace {

bool ReadAll(int socket, uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t got = recv(socket, data, size, 0);
    if (got <= 0) return false;
    data += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

void SendAll(int socket, const std::vector<uint8_t>& bytes) {
  send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

std::atomic<int> tds_refused{0};

// One TDS message: its packets' payloads joined; false on a malformed
// packet header or a closed connection.
bool ReadTdsMessage(int socket, uint8_t& type, std::vector<uint8_t>& payload) {
  payload.clear();
  for (bool last = false; !last;) {
    uint8_t header[8];
    if (!ReadAll(socket, header, sizeof header)) return false;
    const size_t length = static_cast<size_t>(header[2] << 8 | header[3]);
    if (length < sizeof header) return false;
    type = header[0];
    last = (header[1] & 0x01) != 0;  // end of message
    const size_t start = payload.size();
    payload.resize(start + length - sizeof header);
    if (!ReadAll(socket, payload.data() + start, length - sizeof header)) return false;
  }
  return true;
}

std::vector<uint8_t> TdsPacket(uint8_t type, const std::vector<uint8_t>& payload) {
  const size_t length = payload.size() + 8;
  std::vector<uint8_t> packet = {type, 0x01, static_cast<uint8_t>(length >> 8),
                                 static_cast<uint8_t>(length), 0, 0, 1, 0};
  packet.insert(packet.end(), payload.begin(), payload.end());
  return packet;
}

void PutLittle(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutUcs2(std::vector<uint8_t>& out, const std::u16string& text) {
  for (char16_t c : text) PutLittle(out, c, 2);
}

// VERSION 15.0.2000 and ENCRYPTION "not supported", each located by its
// offset and length after the option table.
std::vector<uint8_t> PreloginAnswer() {
  return {0x00, 0x00, 0x0B, 0x00, 0x06,  // VERSION at 11, 6 bytes
          0x01, 0x00, 0x11, 0x00, 0x01,  // ENCRYPTION at 17, 1 byte
          0xFF,                          // end of the table
          0x0F, 0x00, 0x07, 0xD0, 0x00, 0x00,
          0x02};
}

// An ERROR token with error 18456, class 14, then DONE with its error bit,
// as a TDS 7.2 or later server writes them.
std::vector<uint8_t> LoginRefusal() {
  std::vector<uint8_t> error;
  PutLittle(error, 18456, 4);
  error.push_back(1);   // state
  error.push_back(14);  // class
  const std::u16string message = u"Login failed for user 'sa'.";
  PutLittle(error, message.size(), 2);
  PutUcs2(error, message);
  const std::u16string server = u"FAKE";
  error.push_back(static_cast<uint8_t>(server.size()));
  PutUcs2(error, server);
  error.push_back(0);      // no procedure
  PutLittle(error, 1, 4);  // line
  std::vector<uint8_t> tokens = {0xAA};
  PutLittle(tokens, error.size(), 2);
  tokens.insert(tokens.end(), error.begin(), error.end());
  tokens.push_back(0xFD);
  PutLittle(tokens, 0x0002, 2);  // DONE_ERROR
  PutLittle(tokens, 0, 2);
  PutLittle(tokens, 0, 8);
  return tokens;
}

constexpr uint8_t kTabularResult = 0x04;
constexpr uint8_t kLogin7 = 0x10;
constexpr uint8_t kPrelogin = 0x12;

}  // namespace

void RejectFirebirdConnection(int socket) {
  uint8_t request[4096];
  if (recv(socket, request, sizeof request, 0) <= 0) return;
  SendAll(socket, {0, 0, 0, 3});  // op_reject, in network order
}

void RefuseSqlServerLogin(int socket) {
  uint8_t type = 0;
  std::vector<uint8_t> payload;
  if (!ReadTdsMessage(socket, type, payload)) return;
  if (type == kPrelogin) {
    SendAll(socket, TdsPacket(kTabularResult, PreloginAnswer()));
    if (!ReadTdsMessage(socket, type, payload)) return;
  }
  if (type != kLogin7) {
    ++tds_refused;
    return;
  }
  SendAll(socket, TdsPacket(kTabularResult, LoginRefusal()));
}

int TdsRequestsRefused() { return tds_refused; }

}  // namespace app::testing
