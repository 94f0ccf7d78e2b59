// A blob that keeps its content zlib-compressed in a single piece when that
// is smaller. Stored form of the piece: a 16-byte signature, the Int32
// uncompressed size (little-endian), then one zlib stream of the content.
#pragma once

#include <cstdint>

#include "dacore/blob.h"

namespace dacore {

// Where values are compressed; the drivers choose, blobs do the client side.
enum TCompressBlobMode { cbNone, cbClient, cbServer, cbClientServer };

inline constexpr uint8_t kCompressedBlobSignature[16] = {0x39, 0x8C, 0x9D, 0xF1, 0x58, 0x55, 0x49, 0x38,
                                                         0xA6, 0x52, 0x87, 0xCE, 0xE0, 0xC6, 0xDA, 0x7E};
inline constexpr uint32_t kCompressedHeaderSize = 20;
// Values up to this size are never compressed.
inline constexpr uint32_t kMaxUncompressedBlobSize = 50;
// Deflate's largest ratio: no stream of n bytes inflates to more than this
// many times n, so a header claiming more is damaged.
inline constexpr uint64_t kMaxInflateRatio = 1032;

class TCompressedBlob : public TBlob {
  CLASSLIB_CLASS(TCompressedBlob, TBlob)
 public:
  explicit TCompressedBlob(bool is_unicode = false) : TBlob(is_unicode) {}

  uint32_t GetSize() override;
  void SetSize(uint32_t size) override;
  uint32_t Read(uint32_t position, uint32_t count, void* dest) override;
  void Write(uint32_t position, uint32_t count, const void* source) override;
  void Truncate(uint32_t new_size) override;

  // A first piece of more than the header that begins with the signature.
  bool IsCompressed() const;
  void SetCompressed(bool value);
  // The stored size of a compressed blob (the used bytes of its piece).
  uint32_t CompressedSize() const;

  // Replaces the content by the compressed form of count bytes of source
  // when that is smaller; false (content unchanged) otherwise.
  bool Compress(const void* source, uint32_t count);
  // Inflates the stored stream into dest, which holds count bytes; count
  // receives the length produced.
  void Uncompress(void* dest, uint32_t& count);

 protected:
  ~TCompressedBlob() override = default;
  TBlob* CreateRollbackBlob() override;

 private:
  // The uncompressed size from the header; "Invalid uncompressed blob size"
  // when it cannot be what the stream holds.
  uint32_t StoredSize() const;
};

}  // namespace dacore
