#include "oranet/ttc_reader.h"

#include "oranet/net_errors.h"

namespace oranet {

namespace {
constexpr uint8_t kNullMarker = 0;
constexpr uint8_t kNullMarker2 = 255;
constexpr uint8_t kBadLength = 253;
constexpr uint8_t kChunked = 254;
}  // namespace

int64_t TTtcReader::ReadUncompressedInt(int kind) {
  return DecodeInteger(tns_.Representation(), kind, [this] { return ReadUB1(); });
}

int64_t TTtcReader::ReadCompressedIntAfter(int kind, uint8_t lead) {
  bool first = true;
  return DecodeInteger(tns_.Representation(), kind, [&]() -> uint8_t {
    if (!first) return ReadUB1();
    first = false;
    return lead;
  });
}

void TTtcReader::ExpectCode(int code) {
  if (ReadUB1() != code) throw ENetUnknownError(1);
}

void TTtcReader::Skip(int64_t count) {
  if (count < 0) throw ENetUnknownError(1);
  uint8_t drop[256];
  while (count > 0) {
    const int n = count < 256 ? static_cast<int>(count) : 256;
    tns_.ReadData(drop, 0, n);
    count -= n;
  }
}

dacore::TBytes TTtcReader::ReadCountedBytes(int fixedCount) {
  const int length = tns_.ByteStringMode() == 2 ? ReadUB1() : fixedCount;
  if (length < 0) throw ENetUnknownError(1);
  dacore::TBytes bytes(static_cast<size_t>(length));
  if (length > 0) ReadRaw(bytes.data(), length);
  return bytes;
}

dacore::TBytes TTtcReader::ReadChunkedBytes() {
  dacore::TBytes bytes;
  ReadChunks(false, bytes);
  return bytes;
}

void TTtcReader::ReadChunkedBytes(dacore::TBytes& bytes) { ReadChunks(false, bytes); }

std::string TTtcReader::ReadTtcString() {
  dacore::TBytes bytes;
  ReadChunks(true, bytes);
  return encoding_.GetString(bytes);
}

// With the conversion flag set, the server puts a length byte 254 between
// chunks that carries no data: after every chunk for strings, after a
// chunk shorter than 254 for other byte strings.
void TTtcReader::ReadChunks(bool skipEvery254, dacore::TBytes& bytes) { ReadChunksAfter(ReadUB1(), skipEvery254, bytes); }

void TTtcReader::ReadChunksAfter(uint8_t first, bool skipEvery254, dacore::TBytes& bytes) {
  bytes.clear();
  if (first == kNullMarker || first == kNullMarker2) return;
  if (first == kBadLength) throw ENetUnknownError(1);
  auto append = [&](int length) {
    // Most values lie whole in the packet at hand: copied without zeroing room first.
    if (const uint8_t* whole = tns_.TakeFromPacket(length)) {
      bytes.insert(bytes.end(), whole, whole + length);
      return;
    }
    const size_t at = bytes.size();
    bytes.resize(at + static_cast<size_t>(length));
    ReadRaw(bytes.data() + at, length);
  };
  if (first != kChunked) {
    append(first);
    return;
  }
  const bool conversion = tns_.ConversionFlag();
  int previous = -1;  // the length of the last chunk read; none yet
  for (;;) {
    const uint8_t length = ReadUB1();
    if (length == 0) return;
    if (conversion && length == kChunked && (skipEvery254 || (previous >= 0 && previous < kChunked))) continue;
    append(length);
    previous = length;
  }
}

std::string TTtcReader::ReadZeroTerminated(int max) {
  std::string text;
  while (static_cast<int>(text.size()) < max) {
    const uint8_t byte = ReadUB1();
    if (byte == 0) break;
    text.push_back(static_cast<char>(byte));
  }
  return text;
}

}  // namespace oranet
