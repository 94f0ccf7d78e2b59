#include "dacore/blob_compressed.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "classlib/exceptions.h"
#include "dacore/messages.h"
#include "dacore/util_bytes.h"
#include "dacore/util_compress.h"

namespace dacore {

TBlob* TCompressedBlob::CreateRollbackBlob() { return new TCompressedBlob(IsUnicode()); }

bool TCompressedBlob::IsCompressed() const {
  const PieceHeader* first = FirstPiece();
  return first && first->used > kCompressedHeaderSize &&
         std::memcmp(PieceData(const_cast<PieceHeader*>(first)), kCompressedBlobSignature,
                     sizeof kCompressedBlobSignature) == 0;
}

uint32_t TCompressedBlob::CompressedSize() const { return IsCompressed() ? FirstPiece()->used : 0; }

uint32_t TCompressedBlob::StoredSize() const {
  PieceHeader* first = FirstPiece();
  const int32_t size = LoadUnaligned<int32_t>(PieceData(first) + 16);
  const uint64_t stream = first->used - kCompressedHeaderSize;
  if (size <= 0 || static_cast<uint64_t>(size) > kMaxInflateRatio * stream)
    throw classlib::Exception(SInvalidUnCompressedBlobSize);
  return static_cast<uint32_t>(size);
}

bool TCompressedBlob::Compress(const void* source, uint32_t count) {
  CheckCompressProcs();
  // The size must fit the header's Int32 and the piece's capacity.
  if (count == 0 || count > static_cast<uint32_t>(std::numeric_limits<int32_t>::max() / 2)) return false;
  PieceHeader* piece = AllocPiece(count + count / 5 + 32);
  int32_t produced = static_cast<int32_t>(count + count / 5 + 12);
  bool smaller = false;
  try {
    DoCompress(PieceData(piece) + kCompressedHeaderSize, produced, source, static_cast<int32_t>(count));
    smaller = produced + kCompressedHeaderSize < count;
  } catch (const classlib::Exception&) {
    smaller = false;
  }
  if (!smaller) {
    FreePiece(piece);
    return false;
  }
  std::memcpy(PieceData(piece), kCompressedBlobSignature, sizeof kCompressedBlobSignature);
  StoreUnaligned<int32_t>(PieceData(piece) + 16, static_cast<int32_t>(count));
  piece->used = produced + kCompressedHeaderSize;
  ReallocPiece(piece, piece->used);
  FreePieces();
  AppendPiece(piece);
  SetModified(true);
  return true;
}

void TCompressedBlob::Uncompress(void* dest, uint32_t& count) {
  CLASSLIB_ASSERT(FirstPiece() != nullptr);
  Defrag();
  CLASSLIB_ASSERT(FirstPiece()->next == nullptr);
  PieceHeader* piece = FirstPiece();
  if (piece->used <= kCompressedHeaderSize) throw classlib::Exception(SInvalidCompressedBlobSize);
  if (std::memcmp(PieceData(piece), kCompressedBlobSignature, sizeof kCompressedBlobSignature) != 0)
    throw classlib::Exception(SInvalidCompressedBlobHeader);
  CheckCompressProcs();
  int32_t produced = static_cast<int32_t>(count);
  try {
    DoUncompress(dest, produced, PieceData(piece) + kCompressedHeaderSize,
                 static_cast<int32_t>(piece->used - kCompressedHeaderSize));
  } catch (const classlib::Exception&) {
    throw classlib::Exception(SInvalidCompressedBlobData);
  }
  count = static_cast<uint32_t>(produced);
}

void TCompressedBlob::SetCompressed(bool value) {
  CheckValid();
  if (!FirstPiece() || value == IsCompressed()) return;
  if (value) {
    if (GetSize() <= kMaxUncompressedBlobSize) return;
    Defrag();
    Compress(PieceData(FirstPiece()), FirstPiece()->used);
  } else {
    CheckValue();
    const uint32_t size = StoredSize();
    PieceHeader* piece = AllocPiece(size);
    uint32_t produced = size;
    try {
      Uncompress(PieceData(piece), produced);
      if (produced != size) throw classlib::Exception(SInvalidUnCompressedBlobSize);
    } catch (...) {
      FreePiece(piece);
      throw;
    }
    piece->used = size;
    FreePieces();
    AppendPiece(piece);
  }
  SetModified(true);
}

uint32_t TCompressedBlob::GetSize() {
  CheckValid();
  return IsCompressed() ? StoredSize() : RawSize();
}

void TCompressedBlob::SetSize(uint32_t size) {
  CheckValid();
  if (IsCompressed()) CLASSLIB_ASSERT(size == 0 || size == StoredSize());
  TBlob::SetSize(size);
}

uint32_t TCompressedBlob::Read(uint32_t position, uint32_t count, void* dest) {
  CheckValid();
  if (!IsCompressed()) return TBlob::Read(position, count, dest);
  CheckValue();
  const uint32_t size = StoredSize();
  if (position == 0 && (count == 0 || count == size)) {
    // A whole read inflates straight into the caller's buffer.
    uint32_t produced = size;
    Uncompress(dest, produced);
    CLASSLIB_ASSERT(produced == size);
    return size;
  }
  SetCompressed(false);
  return TBlob::Read(position, count, dest);
}

void TCompressedBlob::Write(uint32_t position, uint32_t count, const void* source) {
  CheckValid();
  // The rollback copy keeps the compressed chain as it was.
  SaveToRollbackIfNeeded();
  if (IsCompressed()) {
    if (position == 0 && count == GetSize()) {
      Clear();
      if (count > kMaxUncompressedBlobSize && Compress(source, count)) return;
    } else {
      SetCompressed(false);
    }
  }
  TBlob::Write(position, count, source);
}

void TCompressedBlob::Truncate(uint32_t new_size) {
  CheckValid();
  SaveToRollbackIfNeeded();
  if (new_size != 0 && IsCompressed()) SetCompressed(false);
  TBlob::Truncate(new_size);
}

}  // namespace dacore
