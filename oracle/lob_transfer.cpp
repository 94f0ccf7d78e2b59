// TOraLob's data: whole reads into the pieces, writes of the pieces, and the
// blob operations that reach the server when the value is not in memory.
#include <algorithm>
#include <vector>

#include "oracle/call_binding.h"
#include "oracle/call_entries_values.h"
#include "oracle/call_state.h"
#include "oracle/error_ora.h"
#include "oracle/lob_ora_lob.h"

namespace oracle {

using dacore::PieceData;
using dacore::PieceHeader;

void TOraLob::CheckReadStatus(sword status, OCIError* error) {
  if (status != OCI_NEED_DATA) CheckOciStatus(status, error);
}

ub2 TOraLob::ClientCharsetId() { return IsUnicode() ? OCI_UTF16ID : 0; }

sword TOraLob::ReadPiece(PieceHeader* piece, bool first) {
  OCIError* const error = ErrorHandle();
  const ub1 form = static_cast<ub1>(GetCharsetForm());
  sword status;
  if (OCIVersion < 10000) {
    // Amount 0 streams the whole value, one buffer a call.
    ub4 amount = 0;
    status = OCILobRead(svc_ctx_, error, Locator(), &amount, 1, PieceData(piece), piece->size,
                        nullptr, nullptr, ClientCharsetId(), form);
    CheckReadStatus(status, error);
    piece->used = static_cast<uint32_t>(GetCharSize()) * amount;
  } else {
    ub8 bytes = 0, chars = 0;
    status = OCILobRead2(svc_ctx_, error, Locator(), &bytes, &chars, 1, PieceData(piece),
                         piece->size, first ? OCI_FIRST_PIECE : OCI_NEXT_PIECE, nullptr, nullptr,
                         ClientCharsetId(), form);
    CheckReadStatus(status, error);
    piece->used = static_cast<uint32_t>(bytes);
  }
  return status;
}

void TOraLob::ReadLob() {
  CheckAlloc();
  CheckSession();
  FreePieces();
  if (IsInit()) {
    GetCharsetForm();
    for (bool first = true;; first = false) {
      PieceHeader* piece = AllocPiece(PieceSize());
      sword status;
      try {
        status = ReadPiece(piece, first);
      } catch (...) {
        FreePiece(piece);
        throw;
      }
      if (piece->used == 0) {
        FreePiece(piece);
        break;
      }
      AppendPiece(piece);
      if (status != OCI_NEED_DATA) break;
    }
  }
  needs_read_ = false;
  cached_ = true;
}

void TOraLob::WriteLob() {
  CheckAlloc();
  CheckSession();
  CheckInit();
  const ub1 form = static_cast<ub1>(GetCharsetForm());
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCILobTrim(svc_ctx_, error, Locator(), 0), error);
  const bool character = lob_type_ == ltClob || lob_type_ == ltNClob;
  ub4 offset = 1;
  for (PieceHeader* piece = FirstPiece(); piece; piece = piece->next) {
    ub4 length = piece->used;
    // The network client hands text over zero-terminated; only that zero
    // is dropped, never a character of the value.
    if (IsDirectMode() && character && !IsUnicode() && length > 0 &&
        PieceData(piece)[length - 1] == 0)
      --length;
    if (length == 0) continue;
    ub4 amount = IsUnicode() ? length / static_cast<ub4>(GetCharSize()) : length;
    CheckOciStatus(OCILobWrite(svc_ctx_, error, Locator(), &amount, offset, PieceData(piece),
                               length, OCI_ONE_PIECE, nullptr, nullptr, ClientCharsetId(), form),
                   error);
    offset += amount;
  }
  SetModified(false);
}

uint32_t TOraLob::MaxCharBytes() const {
  if (lob_type_ == ltBlob) return 1;
  return IsUnicode() ? 2u : static_cast<uint32_t>(std::max(char_length_, 1));
}

uint32_t TOraLob::ReadChars(uint64_t offset, uint64_t chars, void* dest, uint32_t capacity,
                            uint64_t& chars_read) {
  const ub1 form = static_cast<ub1>(GetCharsetForm());
  OCIError* const error = ErrorHandle();
  if (OCIVersion < 10000) {
    // The older read turns into a polling read when the characters asked
    // for do not fit the buffer: ask for no more than surely fit, and end
    // a poll the server starts all the same, so the locator is free for
    // the next read.
    const uint64_t fit = std::max<uint64_t>(capacity / MaxCharBytes(), 1);
    ub4 amount = static_cast<ub4>(std::min(chars, fit));
    const sword status = OCILobRead(svc_ctx_, error, Locator(), &amount, static_cast<ub4>(offset), dest,
                                    capacity, nullptr, nullptr, ClientCharsetId(), form);
    CheckReadStatus(status, error);
    chars_read = amount;
    if (status == OCI_NEED_DATA) EndPolledRead(static_cast<ub4>(offset), form);
    return static_cast<uint32_t>(GetCharSize()) * amount;
  }
  ub8 bytes = chars, char_amount = chars;
  CheckReadStatus(OCILobRead2(svc_ctx_, error, Locator(), &bytes, &char_amount, offset, dest,
                              capacity, OCI_ONE_PIECE, nullptr, nullptr, ClientCharsetId(), form),
                  error);
  chars_read = char_amount;
  return static_cast<uint32_t>(bytes);
}

void TOraLob::EndPolledRead(ub4 offset, ub1 form) {
  std::vector<uint8_t> rest(PieceSize());
  OCIError* const error = ErrorHandle();
  sword status = OCI_NEED_DATA;
  while (status == OCI_NEED_DATA) {
    ub4 amount = 0;
    status = OCILobRead(svc_ctx_, error, Locator(), &amount, offset, rest.data(),
                        static_cast<ub4>(rest.size()), nullptr, nullptr, ClientCharsetId(), form);
    CheckReadStatus(status, error);
  }
}

// ---- The blob's operations --------------------------------------------------

void TOraLob::CheckValue() {
  if (needs_read_) ReadLob();
}

uint32_t TOraLob::GetSize() {
  if (needs_read_ && char_length_ > 1 && !IsUnicode()) ReadLob();
  if (needs_read_) return static_cast<uint32_t>(GetCharSize()) * LengthLob();
  return TCompressedBlob::GetSize();
}

uint32_t TOraLob::Read(uint32_t position, uint32_t count, void* dest) {
  if (cached_) return TCompressedBlob::Read(position, count, dest);
  CheckAlloc();
  CheckSession();
  if (!IsInit()) return 0;
  GetCharsetForm();
  const uint32_t char_size = static_cast<uint32_t>(GetCharSize());
  const uint64_t chars = count == 0 ? LengthLob() : count / char_size;
  const uint32_t capacity = count == 0 ? GetSize() : count;
  if (chars == 0 || capacity == 0) return 0;
  uint64_t chars_read = 0;
  return ReadChars(position / char_size + 1, chars, dest, capacity, chars_read);
}

void TOraLob::Write(uint32_t position, uint32_t count, const void* source) {
  // A write lands on the server value, not on pieces that a later read
  // would replace.
  CheckValue();
  SetCached(true);
  TCompressedBlob::Write(position, count, source);
}

void TOraLob::Clear() {
  needs_read_ = false;
  TCompressedBlob::Clear();
}

void TOraLob::Truncate(uint32_t new_size) {
  if (new_size != 0) CheckValue();
  else needs_read_ = false;
  TCompressedBlob::Truncate(new_size);
}

void TOraLob::LoadFromStream(classlib::TStream& stream) {
  SetCached(true);
  TCompressedBlob::LoadFromStream(stream);
}

void TOraLob::SaveToStream(classlib::TStream& stream) {
  if (cached_) {
    TCompressedBlob::SaveToStream(stream);
    return;
  }
  SaveUncachedToStream(stream);
}

void TOraLob::SaveUncachedToStream(classlib::TStream& stream) {
  CheckAlloc();
  CheckSession();
  stream.SetSize(0);
  if (!IsInit()) return;
  // The older read reports a multi-byte text's amount in bytes, which says
  // nothing of its characters: there the value is streamed as a whole read
  // does, without offsets.
  if (OCIVersion < 10000 && !IsUnicode() && char_length_ > 1) {
    StreamUncachedToStream(stream);
    return;
  }
  std::vector<uint8_t> buffer(PieceSize());
  const uint32_t char_size = static_cast<uint32_t>(GetCharSize());
  // Counters are characters and move by the characters the server handed
  // over, so a multi-byte text ends where the value does; an empty read
  // ends the loop however much the length promised.
  uint64_t remaining = LengthLob();
  uint64_t offset = 1;
  while (remaining > 0) {
    const uint64_t ask = std::min<uint64_t>(remaining, buffer.size() / char_size);
    uint64_t chars_read = 0;
    const uint32_t bytes = ReadChars(offset, ask, buffer.data(),
                                     static_cast<uint32_t>(buffer.size()), chars_read);
    if (bytes == 0 || chars_read == 0) break;
    stream.WriteBuffer(buffer.data(), static_cast<int>(bytes));
    remaining -= std::min(chars_read, remaining);
    offset += chars_read;
  }
}

void TOraLob::StreamUncachedToStream(classlib::TStream& stream) {
  PieceHeader* piece = AllocPiece(PieceSize());
  try {
    for (bool first = true;; first = false) {
      const sword status = ReadPiece(piece, first);
      if (piece->used == 0) break;
      stream.WriteBuffer(PieceData(piece), static_cast<int>(piece->used));
      if (status != OCI_NEED_DATA) break;
    }
  } catch (...) {
    FreePiece(piece);
    throw;
  }
  FreePiece(piece);
}

}  // namespace oracle
