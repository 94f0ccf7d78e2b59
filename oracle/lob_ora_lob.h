// TOraLob: the value of a BLOB, CLOB or NCLOB column or parameter. It is a
// compressed blob of the record store that also holds a LOB locator and the
// service context of its connection, and moves data between its pieces and
// the server. Cached (the default), the whole value lives in the pieces and
// the server is read once and written once; uncached, reads go straight to
// the server. Amounts exchanged with the server are characters for
// character LOBs and bytes for BLOBs.
#pragma once

#include <cstdint>

#include "dacore/blob_compressed.h"
#include "oracle/conn_svc_ctx_liveness.h"
#include "oracle/oci_defs.h"

namespace oracle {

// The kinds of LOB a value holds (also what CreateTemporary makes).
enum TLobType : uint8_t { ltBlob = 0, ltClob = 1, ltNClob = 2 };

class TOraLob : public dacore::TCompressedBlob {
  CLASSLIB_CLASS(TOraLob, dacore::TCompressedBlob)
 public:
  explicit TOraLob(OCISvcCtx* svc_ctx, bool is_unicode = false);

  // ---- The blob's operations, served from the server where needed.
  void CheckValue() override;
  uint32_t GetSize() override;
  // Uncached: positions and counts are bytes of the read form; a position
  // maps to the character GetCharSize bytes a character.
  uint32_t Read(uint32_t position, uint32_t count, void* dest) override;
  void Write(uint32_t position, uint32_t count, const void* source) override;
  void Clear() override;
  void Truncate(uint32_t new_size) override;
  void LoadFromStream(classlib::TStream& stream) override;
  void SaveToStream(classlib::TStream& stream) override;

  // 2 for a Unicode LOB (UTF-16 on the client side), else 1.
  virtual int GetCharSize();
  // Allocates the locator when there is none; frees it (a temporary LOB first).
  virtual void AllocLob();
  virtual void FreeLob();
  // The charset form, asked of the server on first need (1 implicit, 2 national).
  virtual int GetCharsetForm();

  // ---- Server side.
  void CreateTemporary(TLobType lob_type);
  void FreeTemporary();
  bool IsTemporary();
  bool IsInit();
  // Characters for character LOBs, bytes for BLOBs; 0 for no initialised locator.
  uint32_t LengthLob();
  // The whole server value into the pieces; the pieces to the server value.
  void ReadLob();
  void WriteLob();

  // ---- Locator and session.
  // Allocates the locator on first use.
  OCILobLocator* GetOCILobLocator();
  // The cell that holds the locator, for defines and binds: its address is
  // fixed for the object's life and the client library writes into it.
  OCILobLocator** GetOCILobLocatorCell() { return locator_cell_; }
  // Adopts a locator the LOB does not own (nil drops the current one).
  void SetOCILobLocator(OCILobLocator* locator);
  OCISvcCtx* GetOCISvcCtx() const { return svc_ctx_; }
  OCIEnv* GetOCIEnv() const { return env_; }
  // Takes the context with the liveness of its session: once its
  // connection ends the session (or reconnects), the value keeps what it
  // holds on the client and never passes the context again.
  void SetOCISvcCtx(OCISvcCtx* svc_ctx);
  // A context is set and its session is still open.
  bool SessionOpen() const;
  // The error handle the value's calls report through: its connection's
  // while the session is open, else the environment's.
  OCIError* ErrorHandle() const { return ErrorHandleOf(svc_token_); }

  bool Cached() const { return cached_; }
  void SetCached(bool value);
  TLobType LobType() const { return lob_type_; }
  void SetLobType(TLobType value) { lob_type_ = value; }
  // Bytes a character of the database character set (1 single-byte).
  int CharLength() const { return char_length_; }
  void SetCharLength(int value) { char_length_ = value; }
  // Set after a fetch: the pieces do not hold the server value yet.
  bool NeedsRead() const { return needs_read_; }
  void SetNeedsRead(bool value) { needs_read_ = value; }

  // "Lob is not allocated", "OCISvcCtx is not defined" (or "Session is not
  // connected" once the context's session has ended), "Lob locator should
  // be inited".
  void CheckAlloc();
  void CheckSession();
  void CheckInit();

 protected:
  ~TOraLob() override;
  // The environment the locator is allocated in: the session's, else the process's.
  OCIEnv* LocatorEnv() const;
  OCILobLocator* Locator() const { return *locator_cell_; }
  void SetLocator(OCILobLocator* locator) { *locator_cell_ = locator; }
  bool OwnsLocator() const { return owns_locator_; }
  void SetOwnsLocator(bool value) { owns_locator_ = value; }
  void ResetCharsetForm() { charset_form_ = 0; }
  // Reads up to `chars` characters (bytes for a BLOB) from the 1-based
  // offset into dest, which holds `capacity` bytes; returns the bytes read
  // and sets chars_read.
  uint32_t ReadChars(uint64_t offset, uint64_t chars, void* dest, uint32_t capacity,
                     uint64_t& chars_read);

 private:
  // The status of a read: 99 (more to come) passes, anything else is checked.
  static void CheckReadStatus(sword status, OCIError* error);
  ub2 ClientCharsetId();
  // The most bytes one character takes in the client's buffer.
  uint32_t MaxCharBytes() const;
  // Reads the rest of a polling read the server started, into nothing.
  void EndPolledRead(ub4 offset, ub1 form);
  // One streamed piece of a whole read into `piece`; answers the status.
  sword ReadPiece(dacore::PieceHeader* piece, bool first);
  void SaveUncachedToStream(classlib::TStream& stream);
  void StreamUncachedToStream(classlib::TStream& stream);

  OCILobLocator** locator_cell_;
  OCISvcCtx* svc_ctx_ = nullptr;
  TSvcCtxToken svc_token_;  // nil for a context no connection of ours opened
  OCIEnv* env_ = nullptr;
  bool owns_locator_ = false;
  bool cached_ = true;
  int charset_form_ = 0;
  TLobType lob_type_ = ltBlob;
  int char_length_ = 1;
  bool needs_read_ = false;
};

// BLOB compression as a data set's CompressBlobMode asks: a BLOB read from
// the server stays compressed in memory under the client modes and is held
// uncompressed otherwise; a BLOB is compressed before it is written under
// the server modes (the server then keeps the compressed form) and is
// written uncompressed otherwise. Character LOBs are never compressed.
void CompressAfterRead(TOraLob& lob, bool is_blob, dacore::TCompressBlobMode mode);
void CompressBeforeWrite(TOraLob& lob, bool is_blob, dacore::TCompressBlobMode mode);

}  // namespace oracle
