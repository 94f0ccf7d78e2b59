#include "oranet/tns_connection.h"

#include <algorithm>

#include "classlib/exceptions.h"
#include "oranet/net_errors.h"
#include "oranet/net_socket_transport.h"

namespace oranet {

TTnsConnection::TTnsConnection(std::unique_ptr<TNetTransport> transport)
    : transport_(transport ? std::move(transport) : std::make_unique<TNetSocketTransport>()) {}

void TTnsConnection::SetSDU(int sdu) {
  if (sdu <= kTnsDataOffset || sdu > 65535) throw classlib::ERangeError("SDU out of range: " + std::to_string(sdu));
  sdu_ = sdu;
  send_limit_ = sdu < kTnsPacketBufferSize ? sdu : kTnsPacketBufferSize;
}

void TTnsConnection::SetTDU(int tdu) {
  if (tdu <= 0 || tdu > 65535) throw classlib::ERangeError("TDU out of range: " + std::to_string(tdu));
  tdu_ = tdu;
}

void TTnsConnection::Connect(const std::string& host, int port, int timeoutMs, const std::string& sid) {
  address_ = TTnsAddress{host, port, sid};
  timeout_ms_ = timeoutMs;
  write_pos_ = kTnsDataOffset;
  in_length_ = read_pos_ = 0;
  break_pending_ = break_sent_ = false;
  send_limit_ = std::min(sdu_, kTnsPacketBufferSize);
  representation_.Reset();
  byte_string_mode_ = 0;
  // Built first so that a descriptor too long is refused before connecting.
  TConnectPackets packets = BuildConnectPackets(ConnectDescriptor(host, port, sid), sdu_, tdu_);
  ConnectTransport(timeoutMs);
  try {
    Handshake(packets);
  } catch (...) {
    transport_->Close();  // a connect that failed leaves no socket open
    throw;
  }
}

void TTnsConnection::Handshake(TConnectPackets& packets) {
  int rounds = 0;
  for (;;) {
    SendWhole(packets.connect);
    if (!packets.data.empty()) SendWhole(packets.data);
    int type = 0, flags = 0;
    const int length = ReadPacket(type, flags);
    switch (type) {
      case kTnsAccept:
        AcceptSdu(length);
        return;
      case kTnsRefuse:
        throw ENetError(kNetRefused);
      case kTnsRedirect: {
        if (++rounds > kTnsMaxConnectRounds || length < kTnsDataOffset) throw ENetError(kNetUnexpectedPacket);
        transport_->Close();
        const std::string text(reinterpret_cast<const char*>(in_ + kTnsDataOffset), length - kTnsDataOffset);
        ApplyRedirect(text, address_);
        packets = BuildConnectPackets(ConnectDescriptor(address_.host, address_.port, address_.sid), sdu_, tdu_);
        // The new server gets the same time-outs as the first.
        ConnectTransport(timeout_ms_);
        break;
      }
      case kTnsResend:
        if (++rounds > kTnsMaxConnectRounds) throw ENetError(kNetUnexpectedPacket);
        break;
      default:
        throw ENetError(kNetUnexpectedPacket);
    }
  }
}

// The server may take a smaller session data unit than the one offered:
// no packet sent from now on is larger. One too small for any data is no
// answer a server gives; 0 states none and keeps the client's.
void TTnsConnection::AcceptSdu(int length) {
  const int accepted = AcceptedSdu(in_, length);
  if (accepted == 0) return;
  if (accepted <= kTnsDataOffset) throw ENetError(kNetUnexpectedPacket);
  send_limit_ = std::min(send_limit_, accepted);
}

void TTnsConnection::SendWhole(const dacore::TBytes& packet) {
  if (transport_->SendBuf(packet.data(), static_cast<int>(packet.size())) != static_cast<int>(packet.size()))
    throw ENetError(kNetLostConnection);
}

void TTnsConnection::MarkBroken() {
  transport_->Close();
  write_pos_ = kTnsDataOffset;
  in_length_ = read_pos_ = 0;
  break_pending_ = break_sent_ = false;
}

void TTnsConnection::ConnectTransport(int socketTimeoutMs) {
  transport_->ConnectTimeout(address_.host, address_.port, socketTimeoutMs, timeout_ms_);
}

void TTnsConnection::Disconnect() {
  try {
    if (transport_->Connected()) FlushData(kTnsLastDataFlag);
  } catch (...) {
    transport_->Close();
    throw;
  }
  transport_->Close();
}

void TTnsConnection::WritePacketHeader(uint8_t* packet, int length, uint8_t type, uint8_t flags) {
  FillPacketHeader(packet, length, type, flags);
  if (transport_->SendBuf(packet, length) != length) throw ENetError(kNetLostConnection);
}

void TTnsConnection::ReceiveExact(uint8_t* at, int count) {
  const int got = transport_->Receive(at, 0, count);
  if (got == kReceiveTimedOut) throw ENetError(kNetReceiveTimeout);
  if (got != count) throw ENetError(kNetLostConnection);
}

int TTnsConnection::ReadPacket(int& type, int& flags) {
  // Whatever DATA packet was being read is gone from the buffer now.
  in_length_ = read_pos_ = 0;
  ReceiveExact(in_, kTnsHeaderSize);
  type = in_[4];
  flags = in_[5];
  const int length = static_cast<int>(GetBigEndian16(in_));
  if (type > kTnsMaxPacketType) throw ENetError(kNetBadPacketType);
  if (length >= kTnsReceiveLimit || length > sdu_) throw ENetError(kNetPacketTooLong);
  if (length < kTnsHeaderSize) throw ENetError(kNetPacketTooShort);
  if (length > kTnsHeaderSize) ReceiveExact(in_ + kTnsHeaderSize, length - kTnsHeaderSize);
  return length;
}

void TTnsConnection::CheckConnected() {
  if (!transport_->Connected()) throw ENetError(kNetNotConnected);
}

void TTnsConnection::SendMarker(uint8_t kind) {
  auto packet = BuildMarkerPacket(kind);
  if (transport_->Send(packet.data(), kTnsMarkerSize) != kTnsMarkerSize) throw ENetError(kNetLostConnection);
}

void TTnsConnection::SendBreak() {
  CheckConnected();
  SendMarker(kMarkerBreak);
  break_sent_ = true;
}

void TTnsConnection::SendResetAndWait() {
  CheckConnected();
  SendMarker(kMarkerReset);
  while (break_pending_) {
    int type = 0, flags = 0;
    const int length = ReadPacket(type, flags);
    if (type == kTnsMarker && length >= kTnsMarkerSize && in_[8] == 1 && in_[10] == kMarkerReset) {
      break_pending_ = false;
    }
  }
}

}  // namespace oranet
