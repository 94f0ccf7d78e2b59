#include "oranet/tns_connection.h"

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
  break_pending_ = false;
  representation_.Reset();
  byte_string_mode_ = 0;
  // Built first so that a descriptor too long is refused before connecting.
  dacore::TBytes packet = BuildConnectPacket(ConnectDescriptor(host, port, sid), sdu_, tdu_);
  ConnectTransport(timeoutMs);
  try {
    Handshake(packet);
  } catch (...) {
    transport_->Close();  // a connect that failed leaves no socket open
    throw;
  }
}

void TTnsConnection::Handshake(dacore::TBytes& packet) {
  int rounds = 0;
  for (;;) {
    WritePacketHeader(packet.data(), static_cast<int>(packet.size()), kTnsConnect, 0);
    int type = 0, flags = 0;
    const int length = ReadPacket(type, flags);
    switch (type) {
      case kTnsAccept:
        return;
      case kTnsRefuse:
        throw ENetError(kNetRefused);
      case kTnsRedirect: {
        if (++rounds > kTnsMaxConnectRounds || length < kTnsDataOffset) throw ENetError(kNetUnexpectedPacket);
        transport_->Close();
        const std::string text(reinterpret_cast<const char*>(in_ + kTnsDataOffset), length - kTnsDataOffset);
        ApplyRedirect(text, address_);
        packet = BuildConnectPacket(ConnectDescriptor(address_.host, address_.port, address_.sid), sdu_, tdu_);
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
  if (transport_->Receive(at, 0, count) != count) throw ENetError(kNetLostConnection);
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
