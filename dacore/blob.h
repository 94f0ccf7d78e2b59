// The value of one large binary or text field: a chain of memory pieces,
// with an optional rollback copy that lets an edit be cancelled. Blobs are
// shared between record buffers by reference count.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/codepage.h"
#include "classlib/stream.h"
#include "dacore/object_shared.h"

namespace dacore {

class TBlob;

// One piece: this header, then `size` data bytes of which `used` hold content.
// `blob` is nil while the piece is not linked into a chain.
struct PieceHeader {
  TBlob* blob;
  uint32_t size;
  uint32_t used;
  PieceHeader* prev;
  PieceHeader* next;
};
using PPieceHeader = PieceHeader*;

inline uint8_t* PieceData(PieceHeader* piece) { return reinterpret_cast<uint8_t*>(piece) + sizeof(PieceHeader); }

// The data capacity of pieces made by loading and writing, so that a piece
// and its header take about 64 KB.
inline constexpr uint32_t kDefaultPieceSize = 65514;
uint32_t DefaultPieceSize();
void SetDefaultPieceSize(uint32_t size);

class TBlob : public TSharedObject {
  CLASSLIB_CLASS(TBlob, TSharedObject)
 public:
  explicit TBlob(bool is_unicode = false);

  virtual std::string GetAsString();
  virtual void SetAsString(const std::string& value);
  virtual classlib::WideString GetAsWideString();
  virtual void SetAsWideString(const classlib::WideString& value);
  // Drivers make sure the value is present (e.g. read it from the server).
  virtual void CheckValue() {}
  // Moves the current chain into a new rollback copy and keeps a copy of the
  // content; "Blob must be in cached mode" without rollback enabled.
  virtual void SaveToRollback();
  virtual uint32_t GetSize();
  virtual void SetSize(uint32_t size);
  virtual void SetIsUnicode(bool value);
  // Copies up to count bytes (0: to the end) from position into dest;
  // returns the number copied (0 beyond the end).
  virtual uint32_t Read(uint32_t position, uint32_t count, void* dest);
  // Overwrites and extends the content; a position beyond the end appends.
  virtual void Write(uint32_t position, uint32_t count, const void* source);
  virtual void Clear();
  virtual void Truncate(uint32_t new_size);
  // Joins all pieces into the first one.
  virtual void Defrag();
  virtual void LoadFromStream(classlib::TStream& stream);
  virtual void SaveToStream(classlib::TStream& stream);
  // Drops the rollback copy, or restores the content from it.
  virtual void Commit();
  virtual void Cancel();
  // Takes a copy of the content and modified state that saved holds (a
  // rollback copy kept elsewhere), as stored; drops this blob's own
  // rollback copy and keeps its rollback setting.
  void RestoreContent(const TBlob& saved);

  void LoadFromFile(const std::string& file_name);
  void SaveToFile(const std::string& file_name);
  // LF -> CR LF (only where no CR precedes), and CR LF -> LF.
  void AddCR();
  void RemoveCR();
  // Shrinks each piece to its content and frees empty ones.
  void TrimPieces();

  bool IsUnicode() const { return is_unicode_; }
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  void EnableRollback() { rollback_enabled_ = true; }
  bool RollbackEnabled() const { return rollback_enabled_; }
  TBlob* Rollback() const { return rollback_; }
  // Hands the rollback copy to the caller (cached updates keep it as the
  // old record's blob); the blob forgets it.
  TBlob* DetachRollback();
  uint32_t PieceSize() const { return piece_size_; }
  void SetPieceSize(uint32_t size) { piece_size_ = size; }

  PieceHeader* FirstPiece() const { return first_piece_; }
  int PieceCount() const;
  // Pieces: allocated unlinked, then appended to the chain or freed.
  static PieceHeader* AllocPiece(uint32_t size);
  void ReallocPiece(PieceHeader*& piece, uint32_t size);
  void FreePiece(PieceHeader* piece);
  void AppendPiece(PieceHeader* piece);
  void DeletePiece(PieceHeader* piece);

  // "Invalid BLOB" once destruction has begun.
  void CheckValid() const;

 protected:
  ~TBlob() override;
  // The rollback copy's class.
  virtual TBlob* CreateRollbackBlob();
  // Takes the rollback copy before the first change when rollback is on.
  void SaveToRollbackIfNeeded();
  // Frees every piece, without touching rollback or Modified.
  void FreePieces();
  // Gives this blob the chain of `from` (which keeps none).
  void TakePieces(TBlob& from);
  uint32_t RawSize() const;
  uint32_t RawRead(uint32_t position, uint32_t count, void* dest) const;
  void RawWrite(uint32_t position, uint32_t count, const void* source);

 private:
  void RewriteText(bool add_cr);

  static constexpr uint8_t kValid = 221;

  bool is_unicode_;
  PieceHeader* first_piece_ = nullptr;
  bool rollback_enabled_ = false;
  TBlob* rollback_ = nullptr;
  bool modified_ = false;
  uint32_t piece_size_;
  uint8_t valid_marker_ = kValid;
};

class TBlobUtils {
 public:
  static void SetModified(TBlob& blob, bool value) { blob.SetModified(value); }
};

}  // namespace dacore
