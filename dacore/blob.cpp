#include "dacore/blob.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "classlib/exceptions.h"
#include "dacore/messages.h"

namespace dacore {

namespace {

std::atomic<uint32_t> default_piece_size{kDefaultPieceSize};

}  // namespace

uint32_t DefaultPieceSize() { return default_piece_size.load(); }
void SetDefaultPieceSize(uint32_t size) { default_piece_size.store(size); }

TBlob::TBlob(bool is_unicode) : is_unicode_(is_unicode), piece_size_(DefaultPieceSize()) {}

TBlob::~TBlob() {
  valid_marker_ = 0;
  rollback_enabled_ = false;
  FreePieces();
  ReleaseShared(rollback_);
}

void TBlob::CheckValid() const {
  if (valid_marker_ != kValid) throw classlib::Exception(SInvalidBlob);
}

// ---- Pieces ---------------------------------------------------------------

PieceHeader* TBlob::AllocPiece(uint32_t size) {
  CLASSLIB_ASSERT(size > 0);
  auto* piece = static_cast<PieceHeader*>(std::malloc(sizeof(PieceHeader) + size));
  if (!piece) throw std::bad_alloc();
  *piece = PieceHeader{nullptr, size, 0, nullptr, nullptr};
  return piece;
}

void TBlob::ReallocPiece(PieceHeader*& piece, uint32_t size) {
  if (size == 0) {
    FreePiece(piece);
    piece = nullptr;
    return;
  }
  auto* moved = static_cast<PieceHeader*>(std::realloc(piece, sizeof(PieceHeader) + size));
  if (!moved) throw std::bad_alloc();
  moved->size = size;
  moved->used = std::min(moved->used, size);
  if (moved->blob) {
    if (moved->prev) moved->prev->next = moved; else first_piece_ = moved;
    if (moved->next) moved->next->prev = moved;
  }
  piece = moved;
}

void TBlob::FreePiece(PieceHeader* piece) {
  if (!piece) return;
  if (piece->blob) {
    CLASSLIB_ASSERT(piece->blob == this);
    DeletePiece(piece);
  }
  std::free(piece);
}

void TBlob::AppendPiece(PieceHeader* piece) {
  piece->blob = this;
  piece->next = nullptr;
  piece->prev = nullptr;
  if (!first_piece_) {
    first_piece_ = piece;
    return;
  }
  PieceHeader* last = first_piece_;
  while (last->next) last = last->next;
  last->next = piece;
  piece->prev = last;
}

void TBlob::DeletePiece(PieceHeader* piece) {
  CLASSLIB_ASSERT(piece->blob == this);
  if (piece->prev) piece->prev->next = piece->next; else first_piece_ = piece->next;
  if (piece->next) piece->next->prev = piece->prev;
  piece->blob = nullptr;
  piece->prev = piece->next = nullptr;
}

int TBlob::PieceCount() const {
  int count = 0;
  for (PieceHeader* p = first_piece_; p; p = p->next) ++count;
  return count;
}

void TBlob::FreePieces() {
  while (first_piece_) FreePiece(first_piece_);
}

void TBlob::TakePieces(TBlob& from) {
  first_piece_ = from.first_piece_;
  from.first_piece_ = nullptr;
  for (PieceHeader* p = first_piece_; p; p = p->next) p->blob = this;
}

// ---- Content --------------------------------------------------------------

uint32_t TBlob::RawSize() const {
  uint32_t size = 0;
  for (PieceHeader* p = first_piece_; p; p = p->next) size += p->used;
  return size;
}

uint32_t TBlob::RawRead(uint32_t position, uint32_t count, void* dest) const {
  const uint32_t size = RawSize();
  if (!first_piece_ || position > size) return 0;
  if (count == 0 || count > size - position) count = size - position;
  auto* out = static_cast<uint8_t*>(dest);
  uint32_t start = 0, copied = 0;
  for (PieceHeader* p = first_piece_; p && copied < count; p = p->next) {
    const uint32_t end = start + p->used;
    if (position < end) {
      const uint32_t n = std::min(end - position, count - copied);
      std::memcpy(out + copied, PieceData(p) + (position - start), n);
      copied += n;
      position += n;
    }
    start = end;
  }
  return copied;
}

void TBlob::RawWrite(uint32_t position, uint32_t count, const void* source) {
  position = std::min(position, RawSize());
  auto* in = static_cast<const uint8_t*>(source);
  uint32_t start = 0;
  // Overwrite the content from position on; only the last piece is extended
  // into its spare capacity, so the content stays one contiguous run.
  for (PieceHeader* p = first_piece_; p && count > 0; p = p->next) {
    const uint32_t end = start + p->used;
    if (position < end || (!p->next && position == end)) {
      const uint32_t offset = position - start;
      const uint32_t room = (p->next ? p->used : p->size) - offset;
      const uint32_t n = std::min(room, count);
      std::memcpy(PieceData(p) + offset, in, n);
      p->used = std::max(p->used, offset + n);
      in += n;
      position += n;
      count -= n;
    }
    start = end;
  }
  while (count > 0) {
    const uint32_t n = std::min(count, piece_size_);
    PieceHeader* piece = AllocPiece(n);
    std::memcpy(PieceData(piece), in, n);
    piece->used = n;
    AppendPiece(piece);
    in += n;
    count -= n;
  }
}

uint32_t TBlob::GetSize() {
  CheckValid();
  return RawSize();
}

uint32_t TBlob::Read(uint32_t position, uint32_t count, void* dest) {
  CheckValid();
  CheckValue();
  return RawRead(position, count, dest);
}

void TBlob::Write(uint32_t position, uint32_t count, const void* source) {
  CheckValid();
  SaveToRollbackIfNeeded();
  RawWrite(position, count, source);
  modified_ = true;
}

void TBlob::Clear() {
  CheckValid();
  SaveToRollbackIfNeeded();
  FreePieces();
  modified_ = true;
}

void TBlob::Truncate(uint32_t new_size) {
  CheckValid();
  if (new_size == 0) {
    Clear();
    return;
  }
  SaveToRollbackIfNeeded();
  uint32_t start = 0;
  for (PieceHeader* p = first_piece_; p; p = p->next) {
    if (start + p->used > new_size) p->used = new_size > start ? new_size - start : 0;
    start += p->used;
  }
  modified_ = true;
}

void TBlob::SetSize(uint32_t size) {
  CheckValid();
  const uint32_t current = GetSize();
  if (size < current) {
    Truncate(size);
  } else if (size > current) {
    SaveToRollbackIfNeeded();
    PieceHeader* piece = AllocPiece(size - current);
    std::memset(PieceData(piece), 0, size - current);
    piece->used = size - current;
    AppendPiece(piece);
    modified_ = true;
  }
}

void TBlob::SetIsUnicode(bool value) {
  CheckValid();
  if (value == is_unicode_) return;
  if (GetSize() != 0) throw classlib::Exception(SCannotChangeIsUnicode);
  is_unicode_ = value;
}

void TBlob::Defrag() {
  CheckValid();
  if (!first_piece_ || !first_piece_->next) return;
  const uint32_t size = RawSize();
  PieceHeader* first = first_piece_;
  const uint32_t first_used = first->used;
  // Gather the rest before the first piece moves.
  PieceHeader* rest = first->next;
  ReallocPiece(first, size);
  uint32_t at = first_used;
  while (rest) {
    PieceHeader* next = rest->next;
    std::memcpy(PieceData(first) + at, PieceData(rest), rest->used);
    at += rest->used;
    FreePiece(rest);
    rest = next;
  }
  first->used = size;
}

void TBlob::TrimPieces() {
  CheckValid();
  PieceHeader* p = first_piece_;
  while (p) {
    PieceHeader* next = p->next;
    if (p->used == 0) FreePiece(p);
    else if (p->used < p->size) ReallocPiece(p, p->used);
    p = next;
  }
}

// ---- Rollback -------------------------------------------------------------

TBlob* TBlob::CreateRollbackBlob() { return new TBlob(is_unicode_); }

void TBlob::SaveToRollbackIfNeeded() {
  if (rollback_enabled_ && !rollback_) SaveToRollback();
}

void TBlob::SaveToRollback() {
  CheckValid();
  if (!rollback_enabled_) throw classlib::Exception(SBlobMustBeCached);
  const uint32_t size = GetSize();
  PieceHeader* copy = nullptr;
  if (size > 0) {
    copy = AllocPiece(size);
    try {
      copy->used = Read(0, size, PieceData(copy));
    } catch (...) {
      std::free(copy);
      throw;
    }
  }
  ReleaseShared(rollback_);
  rollback_ = CreateRollbackBlob();
  rollback_->modified_ = modified_;
  rollback_->TakePieces(*this);
  if (copy) AppendPiece(copy);
}

void TBlob::Commit() {
  CheckValid();
  ReleaseShared(rollback_);
  rollback_ = nullptr;
}

void TBlob::Cancel() {
  CheckValid();
  if (!rollback_) return;
  FreePieces();
  TakePieces(*rollback_);
  modified_ = rollback_->modified_;
  ReleaseShared(rollback_);
  rollback_ = nullptr;
}

void TBlob::RestoreContent(const TBlob& saved) {
  CheckValid();
  saved.CheckValid();
  FreePieces();
  for (PieceHeader* p = saved.first_piece_; p; p = p->next) {
    if (p->used == 0) continue;
    PieceHeader* copy = AllocPiece(p->used);
    std::memcpy(PieceData(copy), PieceData(p), p->used);
    copy->used = p->used;
    AppendPiece(copy);
  }
  modified_ = saved.modified_;
  ReleaseShared(rollback_);
  rollback_ = nullptr;
}

TBlob* TBlob::DetachRollback() {
  TBlob* rollback = rollback_;
  rollback_ = nullptr;
  return rollback;
}

// ---- Streams and files ----------------------------------------------------

void TBlob::LoadFromStream(classlib::TStream& stream) {
  Clear();
  stream.SetPosition(0);
  int64_t remaining = stream.Size();
  while (remaining > 0) {
    const uint32_t n = static_cast<uint32_t>(std::min<int64_t>(piece_size_, remaining));
    PieceHeader* piece = AllocPiece(n);
    AppendPiece(piece);
    stream.ReadBuffer(PieceData(piece), static_cast<int>(n));
    piece->used = n;
    remaining -= n;
  }
  modified_ = true;
}

void TBlob::SaveToStream(classlib::TStream& stream) {
  CheckValid();
  CheckValue();
  stream.SetSize(0);
  for (PieceHeader* p = first_piece_; p; p = p->next) stream.WriteBuffer(PieceData(p), static_cast<int>(p->used));
}

void TBlob::LoadFromFile(const std::string& file_name) {
  classlib::TFileStream stream(file_name, classlib::fmOpenRead | classlib::fmShareDenyWrite);
  LoadFromStream(stream);
}

void TBlob::SaveToFile(const std::string& file_name) {
  classlib::TFileStream stream(file_name, classlib::fmCreate);
  SaveToStream(stream);
}

}  // namespace dacore
