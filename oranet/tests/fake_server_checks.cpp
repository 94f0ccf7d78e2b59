// The packet level of the fake server's checks, and what it reads of the
// server's own replies. The message level is in fake_server_calls.cpp.
#include "oranet/tests/fake_server_checks.h"

#include <algorithm>

#include "oranet/tests/fake_server_decoder.h"
#include "oranet/tns_packet.h"

namespace oranet::testing {

namespace {

constexpr int kConnectVersion = 0x0134;
constexpr int kLowestVersion = 0x012C;

int Get16(const TBytes& p, size_t at) { return static_cast<int>(GetBigEndian16(p.data() + at)); }

// A connect descriptor: "(DESCRIPTION=" ... with balanced parentheses.
bool IsDescriptor(const std::string& text) {
  if (text.rfind("(DESCRIPTION=", 0) != 0) return false;
  int depth = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '(') ++depth;
    if (text[i] == ')' && --depth == 0 && i + 1 != text.size()) return false;
    if (depth < 0) return false;
  }
  return depth == 0;
}

}  // namespace

void TRequestChecker::Fail(const std::string& what) { failures_.push_back(what); }

std::vector<std::string> TRequestChecker::TakeFailures() {
  std::vector<std::string> taken;
  taken.swap(failures_);
  return taken;
}

void TRequestChecker::ClientPacket(const TBytes& packet) {
  if (packet.size() < kTnsHeaderSize) return Fail("a packet of " + std::to_string(packet.size()) + " bytes");
  const int type = packet[4];
  if (Get16(packet, 0) != static_cast<int>(packet.size())) Fail("a packet whose length field is not its length");
  if (Get16(packet, 2) != 0 || Get16(packet, 6) != 0) Fail("a packet with checksums other than 0");
  if (packet[5] != 0) Fail("a packet with flags " + std::to_string(packet[5]));
  if (last_packet_seen_) Fail("a packet after the connection's last DATA packet");
  if (accepted_ && static_cast<int>(packet.size()) > agreed_sdu_)
    Fail("a packet of " + std::to_string(packet.size()) + " bytes beyond the agreed SDU of " +
         std::to_string(agreed_sdu_));
  switch (type) {
    case kTnsConnect:
      return CheckConnect(packet);
    case kTnsData:
      return CheckData(packet);
    case kTnsMarker:
      if (packet.size() != kTnsMarkerSize || packet[8] != 1 || packet[9] != 0 ||
          (packet[10] != kMarkerBreak && packet[10] != kMarkerReset))
        Fail("a malformed MARKER packet");
      return;
    default:
      Fail("a packet of type " + std::to_string(type) + " from the client");
  }
}

void TRequestChecker::CheckConnect(const TBytes& packet) {
  if (accepted_) Fail("a CONNECT packet after the ACCEPT");
  if (packet.size() < kTnsConnectHeaderSize) return Fail("a CONNECT packet shorter than its header");
  if (Get16(packet, 8) != kConnectVersion || Get16(packet, 10) != kLowestVersion)
    Fail("a CONNECT packet with versions " + std::to_string(Get16(packet, 8)) + "/" + std::to_string(Get16(packet, 10)));
  offered_sdu_ = Get16(packet, 14);
  if (offered_sdu_ <= kTnsDataOffset) Fail("a CONNECT packet offering an SDU of " + std::to_string(offered_sdu_));
  const int length = Get16(packet, 24);
  if (Get16(packet, 26) != kTnsConnectHeaderSize) Fail("connect data not at offset 34");
  if (length == 0) return Fail("a CONNECT packet without connect data");
  if (length > kTnsMaxInlineConnectData) {
    // Long connect data follow in a DATA packet of their own.
    if (packet.size() != kTnsConnectHeaderSize) Fail("connect data of " + std::to_string(length) + " bytes inline");
    connect_data_due_ = length;
    return;
  }
  if (static_cast<int>(packet.size()) != kTnsConnectHeaderSize + length)
    return Fail("a CONNECT packet whose data length is not its data");
  if (!IsDescriptor(std::string(packet.begin() + kTnsConnectHeaderSize, packet.end())))
    Fail("connect data that are no descriptor");
}

void TRequestChecker::CheckData(const TBytes& packet) {
  if (packet.size() < kTnsDataOffset) return Fail("a DATA packet without data flags");
  const int flags = Get16(packet, 8);
  if (connect_data_due_ > 0) {
    const std::string text(packet.begin() + kTnsDataOffset, packet.end());
    if (flags != 0 || static_cast<int>(text.size()) != connect_data_due_ || !IsDescriptor(text))
      Fail("long connect data that do not match the CONNECT packet");
    if (static_cast<int>(packet.size()) > offered_sdu_) Fail("long connect data beyond the SDU offered");
    connect_data_due_ = 0;
    return;
  }
  if (!accepted_) return Fail("a DATA packet before the ACCEPT");
  if (flags == kTnsLastDataFlag) {
    last_packet_seen_ = true;
    if (packet.size() != kTnsDataOffset) Fail("data in the connection's last DATA packet");
    return;
  }
  if (flags != 0) return Fail("a DATA packet with data flags " + std::to_string(flags));
  request_.insert(request_.end(), packet.begin() + kTnsDataOffset, packet.end());
  request_packets_.push_back(static_cast<int>(packet.size()));
}

void TRequestChecker::ServerBytes(const TBytes& bytes) {
  CheckRequest();
  for (size_t at = 0; at + kTnsHeaderSize <= bytes.size();) {
    const size_t length = static_cast<size_t>(Get16(bytes, at));
    if (length < kTnsHeaderSize || at + length > bytes.size()) return;  // broken on purpose: not read
    const TBytes packet(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
    if (packet[4] == kTnsAccept && packet.size() >= kTnsAcceptSduOffset + 2) {
      accepted_ = true;
      const int sdu = Get16(packet, kTnsAcceptSduOffset);
      agreed_sdu_ = sdu == 0 ? offered_sdu_ : std::min(sdu, offered_sdu_);
    }
    if (packet[4] == kTnsData && packet.size() > kTnsDataOffset)
      ReadServerPayload(TBytes(packet.begin() + kTnsDataOffset, packet.end()));
    at += length;
  }
}

void TRequestChecker::EndOfConnection() { CheckRequest(); }

// One request: the DATA packets the client sent since the server last
// spoke. Every packet but the last is full, and the messages read whole.
void TRequestChecker::CheckRequest() {
  if (request_packets_.empty()) return;
  ++requests_;
  const std::string where = "request " + std::to_string(requests_) + ": ";
  for (size_t i = 0; i + 1 < request_packets_.size(); ++i)
    if (request_packets_[i] != agreed_sdu_)
      Fail(where + "a DATA packet of " + std::to_string(request_packets_[i]) + " bytes before the request's last");
  if (checks_ == TRequestChecks::kMessages) {
    TRequestDecoder decoder(*this, request_);
    const std::string wrong = decoder.Run();
    if (!wrong.empty()) Fail(where + wrong);
  }
  request_.clear();
  request_packets_.clear();
  reply_started_ = false;
}

// Only the start of a reply tells the checker anything: a reply's later
// packets begin in the middle of its messages.
void TRequestChecker::ReadServerPayload(const TBytes& payload) {
  if (checks_ != TRequestChecks::kMessages || payload.empty() || reply_started_) return;
  reply_started_ = true;
  TRequestDecoder decoder(*this, payload);
  decoder.ReadServerReply();
}

}  // namespace oranet::testing
