#include "oranet/ttc_writer.h"

#include <algorithm>

#include "oranet/ttc_codes.h"

namespace oranet {

void TTtcWriter::WriteUB2(uint16_t value) {
  if (value == 0) {
    WriteUB1(0);
    return;
  }
  const uint8_t bytes[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  WriteRaw(bytes, 2);
}

void TTtcWriter::WriteUB4(uint32_t value) {
  uint8_t bytes[5] = {};
  int count = 0;
  for (uint32_t rest = value; rest != 0; rest >>= 8) ++count;
  bytes[0] = static_cast<uint8_t>(count);
  for (int i = 0; i < count; ++i) bytes[1 + i] = static_cast<uint8_t>(value >> (8 * (count - 1 - i)));
  WriteRaw(bytes, 1 + count);
}

void TTtcWriter::WriteBytes(const uint8_t* bytes, int count) {
  if (count <= kTtcMaxShortBytes) {
    if (tns_.ByteStringMode() == 2) WriteUB1(static_cast<uint8_t>(count));
    WriteRaw(bytes, count);
    return;
  }
  WriteUB1(kTtcChunkedMarker);
  WriteChunks(bytes, static_cast<size_t>(count));
  WriteUB1(0);
}

void TTtcWriter::WriteChunks(const uint8_t* bytes, size_t count) {
  for (size_t done = 0; done < count;) {
    const int n = static_cast<int>(std::min<size_t>(kTtcMaxShortBytes, count - done));
    WriteUB1(static_cast<uint8_t>(n));
    WriteRaw(bytes + done, n);
    done += static_cast<size_t>(n);
  }
}

void TTtcWriter::WriteByteArray(const dacore::TBytes& bytes) {
  if (!bytes.empty()) WriteBytes(bytes.data(), static_cast<int>(bytes.size()));
}

void TTtcWriter::WriteTtcString(const std::string& text) { WriteByteArray(encoding_.GetBytesAnsi(text)); }

void TTtcWriter::WriteUB4Array(const std::vector<uint32_t>& values) {
  for (const uint32_t v : values) WriteUB4(v);
}

void WriteFunctionHeader(TTtcWriter& writer, int functionCode) {
  writer.WriteUB1(kTtcFunctionCall);
  writer.WriteUB1(static_cast<uint8_t>(functionCode));
  writer.WriteUB1(0);
}

}  // namespace oranet
