// Reads two-task message fields from the incoming DATA stream of a
// TTnsConnection, by the representation the negotiation settled. Every
// malformed value raises ENetUnknownError 1; a stream that ends raises the
// packet layer's lost connection.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "dacore/util_bytes.h"
#include "dacore/util_encoding.h"
#include "oranet/tns_connection.h"

namespace oranet {

class TTtcReader {
 public:
  explicit TTtcReader(TTnsConnection& tns, const dacore::Encoding& encoding = dacore::Encoding::DefaultClass())
      : tns_(tns), encoding_(encoding) {}

  TTnsConnection& Connection() { return tns_; }

  uint8_t ReadUB1() { return tns_.ReadByte(); }
  // kind 1 (ub2) or 2 (ub4); see TRepresentation. Most integers of a row
  // (the return codes) are a compressed zero, a length byte alone: read
  // inline, as every value of every row has one.
  int64_t ReadCompressedInt(int kind) {
    if (!tns_.Representation().Compressed()) return ReadUncompressedInt(kind);
    const uint8_t lead = ReadUB1();
    if ((lead & 0x7F) == 0) return 0;
    return ReadCompressedIntAfter(kind, lead);
  }
  int ReadUB2() { return static_cast<int>(ReadCompressedInt(kIntUB2)); }
  int64_t ReadUB4() { return ReadCompressedInt(kIntUB4); }
  // Reads a message code; one other than `code` is Unknown error 1.
  void ExpectCode(int code);
  void Skip(int64_t count);
  void ReadRaw(uint8_t* to, int count) { tns_.ReadData(to, 0, count); }

  // In byte-string mode 2 the length comes first, else it is fixedCount.
  dacore::TBytes ReadCountedBytes(int fixedCount);
  // A chunked or plain byte string; null reads as empty.
  dacore::TBytes ReadChunkedBytes();
  // The same into `bytes`, whose room is kept for the next value.
  void ReadChunkedBytes(dacore::TBytes& bytes);
  // The same as a view: into the packet at hand when the value lies whole
  // in it with at least `after` more bytes behind it (so that reading those
  // keeps the packet), else into `bytes`. Valid until the reads go further.
  // Inline for the usual value: a length byte and the bytes, in the packet.
  std::span<const uint8_t> ReadChunkedView(dacore::TBytes& bytes, int after) {
    const uint8_t first = ReadUB1();
    // 0 and 255 are null, 253 a bad length, 254 announces chunks.
    if (first != 0 && first < 253 && tns_.AvailableInPacket() >= first + after)
      return {tns_.TakeFromPacket(first), first};
    ReadChunksAfter(first, false, bytes);
    return bytes;
  }
  // A chunked string converted from the session's encoding.
  std::string ReadTtcString();
  // Bytes up to a 0 byte (read and dropped) or `max` bytes.
  std::string ReadZeroTerminated(int max);

 private:
  void ReadChunks(bool skipEvery254, dacore::TBytes& bytes);
  void ReadChunksAfter(uint8_t first, bool skipEvery254, dacore::TBytes& bytes);
  int64_t ReadUncompressedInt(int kind);
  // The rest of a compressed integer whose length byte `lead` says it has value bytes.
  int64_t ReadCompressedIntAfter(int kind, uint8_t lead);

  TTnsConnection& tns_;
  const dacore::Encoding& encoding_;
};

}  // namespace oranet
