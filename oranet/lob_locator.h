// The LOB and BFILE locator descriptors of direct mode: the locator bytes
// as the server sent them in a row, the LOB's kind and character set, and
// where a streaming read stands.
#pragma once

#include <cstdint>

#include "dacore/util_bytes.h"
#include "oranet/oci_handle.h"

namespace oranet {

// The kinds of LOB by their external types.
constexpr int kLobClob = oracle::SQLT_CLOB;
constexpr int kLobBlob = oracle::SQLT_BLOB;
constexpr int kLobBfile = oracle::SQLT_BFILEE;

class TNetLobLocator : public TNetDescriptor {
 public:
  // Type 50 (LOB) or 56 (file).
  TNetLobLocator(const void* owner, ub4 descriptorType) : TNetDescriptor(owner), type_(descriptorType) {}
  ub4 HandleType() const override { return type_; }

  // 45: the "empty" mark, a ub4.
  sword GetAttr(ub4 attr, void* value, ub4* size) override;
  sword SetAttr(ub4 attr, void* value, ub4 size) override;

  const dacore::TBytes& Bytes() const { return bytes_; }
  void SetBytes(dacore::TBytes bytes) { bytes_ = std::move(bytes); }
  bool IsInit() const { return !bytes_.empty(); }

  // kLobClob, kLobBlob or kLobBfile; a locator not yet filled is a BLOB
  // when it is a LOB descriptor and a BFILE when it is a file descriptor.
  int LobType() const;
  void SetLobType(int type) { lob_type_ = type; }
  bool IsCharacter() const { return LobType() == kLobClob; }
  // 0: the session's client character set.
  int CharsetId() const { return charset_id_; }
  void SetCharsetId(int id) { charset_id_ = id; }
  bool Temporary() const { return temporary_; }
  void SetTemporary(bool on) { temporary_ = on; }

  // A read with amount 0 streams the value: where the next piece starts
  // (1-based, in the server's units); 0 when no stream is open.
  uint32_t StreamOffset() const { return stream_offset_; }
  void SetStreamOffset(uint32_t offset) { stream_offset_ = offset; }

  // A write in pieces under way: where the next piece goes (1-based, in
  // the server's units), the units it may write in all (-1: no limit),
  // those written, and the bytes of a character cut at a piece's end.
  struct TPieceWrite {
    bool open = false;
    int64_t at = 0;
    int64_t limit = -1;
    int64_t written = 0;
    dacore::TBytes carry;
  };
  TPieceWrite& PieceWrite() { return piece_write_; }

 private:
  ub4 type_;
  dacore::TBytes bytes_;
  int lob_type_ = 0;
  int charset_id_ = 0;
  bool temporary_ = false;
  ub4 empty_ = 0;
  uint32_t stream_offset_ = 0;
  TPieceWrite piece_write_;
};

}  // namespace oranet
