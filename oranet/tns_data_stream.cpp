// The DATA packet stream of TTnsConnection: what the message layer writes
// is cut into packets of at most the send limit; what it reads is gathered
// from the DATA packets that arrive, answering markers on the way.
#include <algorithm>
#include <cstring>

#include "oranet/net_errors.h"
#include "oranet/tns_connection.h"

namespace oranet {

namespace {
constexpr int kStatusMessageCode = 4;
constexpr int kNoDataError = 1403;
}  // namespace

void TTnsConnection::FlushData(uint16_t dataFlags) {
  CheckConnected();
  PutBigEndian16(out_ + 8, dataFlags);
  const int length = write_pos_;
  write_pos_ = kTnsDataOffset;
  WritePacketHeader(out_, length, kTnsData, 0);
}

void TTnsConnection::WriteBytesRaw(const uint8_t* bytes, int offset, int count) {
  const uint8_t* from = bytes + offset;
  while (count > 0) {
    if (write_pos_ >= send_limit_) FlushData(0);  // the limit may have shrunk
    const int n = std::min(count, send_limit_ - write_pos_);
    std::memcpy(out_ + write_pos_, from, static_cast<size_t>(n));
    write_pos_ += n;
    from += n;
    count -= n;
    if (write_pos_ >= send_limit_) FlushData(0);
  }
}

int TTnsConnection::ReadData(uint8_t* destination, int offset, int count) {
  int done = 0;
  while (done < count) {
    const int available = in_length_ - read_pos_;
    if (available <= 0) {
      NextDataPacket();
      continue;
    }
    const int n = std::min(available, count - done);
    std::memcpy(destination + offset + done, in_ + read_pos_, static_cast<size_t>(n));
    read_pos_ += n;
    done += n;
  }
  return count;
}

void TTnsConnection::NextDataPacket() {
  if (write_pos_ > kTnsDataOffset) FlushData(0);
  CheckConnected();
  bool markerSeen = false;
  for (;;) {
    int type = 0, flags = 0;
    const int length = ReadPacket(type, flags);
    if (type == kTnsMarker) {
      if (length < kTnsMarkerSize) throw ENetError(kNetPacketTooShort);
      markerSeen = true;
      if (in_[8] == 0 || (in_[8] == 1 && in_[10] != kMarkerReset)) break_pending_ = true;
      SendResetAndWait();
      continue;
    }
    if (type != kTnsData) throw ENetError(kNetUnexpectedPacket);
    if (length < kTnsDataOffset) throw ENetError(kNetPacketTooShort);
    in_length_ = length;
    read_pos_ = kTnsDataOffset;
    break;
  }
  if (markerSeen) {
    const bool breakSent = break_sent_;
    break_sent_ = false;
    if (in_length_ > kTnsDataOffset && in_[kTnsDataOffset] == kStatusMessageCode) CheckErrorAfterBreak(breakSent);
  }
}

// After a break the server's first message says whether the call ended in
// an error. "No data" is read by the caller as a normal status; any other
// error is raised with the stream left just after the message code. No
// error at all answers the client's own break as a cancel; a server that
// broke off a call by itself and names no error leaves nothing to go on.
void TTnsConnection::CheckErrorAfterBreak(bool breakSent) {
  int pos = kTnsDataOffset + 1;
  auto next = [&]() -> uint8_t {
    if (pos >= in_length_) throw ENetUnknownError(1);
    return in_[pos++];
  };
  DecodeInteger(representation_, kIntUB4, next);  // row count
  const int64_t error = DecodeInteger(representation_, kIntUB2, next);
  if (error == kNoDataError) {
    read_pos_ = kTnsDataOffset;
    return;
  }
  if (error == 0 && !breakSent) throw ENetProtocolError("the server broke off the call without an error");
  read_pos_ = kTnsDataOffset + 1;
  throw EInternalError(static_cast<int>(error), breakSent);
}

}  // namespace oranet
