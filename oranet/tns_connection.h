// One database connection's TNS layer: the connect handshake with the
// listener (ACCEPT, REFUSE, REDIRECT, RESEND), the DATA packet stream the
// message layer writes and reads, and the break and reset markers. Used by
// one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "oranet/net_representation.h"
#include "oranet/net_transport.h"
#include "oranet/tns_packet.h"

namespace oranet {

// REDIRECT and RESEND answers accepted in one connect; one more fails.
constexpr int kTnsMaxConnectRounds = 10;

class TTnsConnection {
 public:
  // Takes the transport; by default a TCP socket.
  explicit TTnsConnection(std::unique_ptr<TNetTransport> transport = nullptr);
  TTnsConnection(const TTnsConnection&) = delete;
  TTnsConnection& operator=(const TTnsConnection&) = delete;

  TNetTransport& Transport() { return *transport_; }
  const std::string& Host() const { return address_.host; }
  int Port() const { return address_.port; }
  const std::string& SID() const { return address_.sid; }
  int SDU() const { return sdu_; }
  // 11..65535; the packets sent stay within the 4096-byte buffer.
  void SetSDU(int sdu);
  int TDU() const { return tdu_; }
  void SetTDU(int tdu);

  // Connects to the listener and runs the handshake. timeoutMs (0: none)
  // bounds the socket connect and every later send and receive.
  void Connect(const std::string& host, int port, int timeoutMs, const std::string& sid);
  // Sends the final DATA packet and closes.
  void Disconnect();

  // --- the data stream ---
  // Appends to the outgoing DATA packet, sending each one that fills up.
  void WriteBytesRaw(const uint8_t* bytes, int offset, int count);
  void FlushData(uint16_t dataFlags);
  // Reads count bytes of the incoming DATA packets (sending what is
  // waiting first). A server error after a break raises EInternalError.
  int ReadData(uint8_t* destination, int offset, int count);
  // One byte: from the packet at hand without a call, else as ReadData.
  uint8_t ReadByte() {
    if (read_pos_ < in_length_) return in_[read_pos_++];
    uint8_t byte = 0;
    ReadData(&byte, 0, 1);
    return byte;
  }
  // Bytes of the packet at hand not yet read.
  int AvailableInPacket() const { return in_length_ - read_pos_; }
  // The next `count` bytes, read, when the packet at hand holds them all;
  // else null and nothing is read. Valid until the next packet arrives.
  const uint8_t* TakeFromPacket(int count) {
    if (count > in_length_ - read_pos_) return nullptr;
    const uint8_t* at = in_ + read_pos_;
    read_pos_ += count;
    return at;
  }
  // Drops what is left of the current incoming DATA packet.
  void SkipRestOfPacket() { read_pos_ = in_length_; }

  // --- packets ---
  // Reads one whole packet into the packet buffer; returns its length.
  int ReadPacket(int& type, int& flags);
  const uint8_t* PacketBuffer() const { return in_; }
  void SendBreak();
  void SendResetAndWait();
  bool BreakPending() const { return break_pending_; }
  // The largest packet sent: the session data unit both sides accepted.
  int SendLimit() const { return send_limit_; }

  // A call that broke off left the stream out of step: the socket is
  // closed, and every later read or write fails as not connected.
  void MarkBroken();

  // --- the message layer's state ---
  TRepresentation& Representation() { return representation_; }
  int ByteStringMode() const { return byte_string_mode_; }
  void SetByteStringMode(int mode) { byte_string_mode_ = mode; }
  // Client and server character sets differ: chunked strings read otherwise.
  bool ConversionFlag() const { return conversion_flag_; }
  void SetConversionFlag(bool on) { conversion_flag_ = on; }

 private:
  void ConnectTransport(int socketTimeoutMs);
  // Sends the CONNECT packet until the listener accepts; a REDIRECT
  // rebuilds the packet for the new address.
  void Handshake(TConnectPackets& packets);
  void AcceptSdu(int length);
  void SendWhole(const dacore::TBytes& packet);
  void WritePacketHeader(uint8_t* packet, int length, uint8_t type, uint8_t flags);
  void SendMarker(uint8_t kind);
  void ReceiveExact(uint8_t* at, int count);
  void CheckConnected();
  void NextDataPacket();
  void CheckErrorAfterBreak(bool breakSent);

  std::unique_ptr<TNetTransport> transport_;
  TTnsAddress address_{"local", 1521, "orcl"};
  int timeout_ms_ = 0;
  int sdu_ = 2048;
  int tdu_ = 32767;
  int send_limit_ = 2048;
  // Outgoing and incoming packets have buffers of their own: a reply can
  // ask for more data (bind rows) while its DATA packet is half read.
  uint8_t out_[kTnsPacketBufferSize] = {};
  uint8_t in_[kTnsPacketBufferSize] = {};
  int write_pos_ = kTnsDataOffset;
  int in_length_ = 0;
  int read_pos_ = 0;
  bool break_pending_ = false;
  bool break_sent_ = false;  // since the last reply began
  TRepresentation representation_;
  int byte_string_mode_ = 0;
  bool conversion_flag_ = false;
};

}  // namespace oranet
