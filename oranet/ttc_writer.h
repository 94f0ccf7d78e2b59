// Writes two-task message fields into the outgoing DATA stream of a
// TTnsConnection, in the encodings the server reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dacore/util_bytes.h"
#include "dacore/util_encoding.h"
#include "oranet/tns_connection.h"

namespace oranet {

// Byte strings up to this length go in one piece; longer ones in chunks.
constexpr int kTtcMaxShortBytes = 64;
constexpr uint8_t kTtcChunkedMarker = 0xFE;

class TTtcWriter {
 public:
  explicit TTtcWriter(TTnsConnection& tns, const dacore::Encoding& encoding = dacore::Encoding::DefaultClass())
      : tns_(tns), encoding_(encoding) {}

  void WriteUB1(uint8_t value) { WriteRaw(&value, 1); }
  // 0 as one zero byte, else two bytes, low byte first.
  void WriteUB2(uint16_t value);
  // A length byte (0-4), then the significant bytes, most significant first.
  void WriteUB4(uint32_t value);
  void WriteBool(bool value) { WriteUB1(value ? 1 : 0); }
  // Announces a string: 1 when it is not empty.
  void WriteFlag(bool notEmpty) { WriteUB1(notEmpty ? 1 : 0); }
  // Short strings with a length byte in byte-string mode 2 (else bare);
  // from 65 bytes on 0xFE, chunks of at most 64 bytes each after its
  // length, and a 0.
  void WriteBytes(const uint8_t* bytes, int count);
  // The chunks of a long byte string, each of at most 64 bytes after its
  // length byte; the caller writes the 0xFE before the first and the 0
  // after the last, so that a value may come in pieces.
  void WriteChunks(const uint8_t* bytes, size_t count);
  // As WriteBytes; an empty array writes nothing.
  void WriteByteArray(const dacore::TBytes& bytes);
  // The text in the session's encoding, as a byte array.
  void WriteTtcString(const std::string& text);
  void WriteUB4Array(const std::vector<uint32_t>& values);
  void WriteRaw(const uint8_t* bytes, int count) { tns_.WriteBytesRaw(bytes, 0, count); }
  // The session's encoding of texts.
  const dacore::Encoding& TextEncoding() const { return encoding_; }

 private:
  TTnsConnection& tns_;
  const dacore::Encoding& encoding_;
};

// The call header: code 3, the function, sequence 0.
void WriteFunctionHeader(TTtcWriter& writer, int functionCode);

}  // namespace oranet
