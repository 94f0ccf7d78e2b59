// The DBMS_LOB blocks behind the LOB entries of direct mode: each server
// operation runs a small PL/SQL block on a statement of its own. Reads and
// writes go in pieces of at most kLobPieceBytes; CLOB amounts are
// characters on the server and bytes (UTF-16 units for set 1000) in the
// caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "oranet/lob_locator.h"
#include "oranet/oci_context.h"
#include "oranet/oci_error.h"
#include "oranet/value_clob_counts.h"

namespace oranet {

// The pieces a LOB travels in, at most.
constexpr int kLobPieceBytes = 32512;

// One bind of a block, by position.
struct TBlockBind {
  int type;
  void* value;
  int size;
  ub2* length = nullptr;
  int charsetId = 0;
};

// Runs a block on a statement of its own, closed afterwards unless the
// call broke off (then the stream holds no clean reply).
sword RunBlock(TNetServiceContext& context, TNetError* error, const std::string& sql,
               std::initializer_list<TBlockBind> binds);

// The locator as a bind: its buffer holds the locator's handle.
struct TLocatorCell {
  explicit TLocatorCell(TNetLobLocator& locator) : handle(HandleOf(&locator)), type(locator.LobType()) {}
  TBlockBind Bind() { return {type, &handle, static_cast<int>(sizeof handle)}; }
  void* handle;
  int type;
};

inline TBlockBind IntegerBind(int64_t& value) { return {oracle::SQLT_INT, &value, static_cast<int>(sizeof value)}; }

// One LOB operation's parties: the session, the error handle, the LOB and
// the character set the caller's buffer is in (csid 1000: UTF-16).
struct TLobCall {
  TNetServiceContext& context;
  TNetError* error;
  TNetLobLocator& locator;
  ub2 csid;

  bool Clob() const { return locator.IsCharacter(); }
  // The character set a CLOB's bytes are counted in.
  int Charset() const;
};

// Reads from `offset` (moved on by what was read) into `capacity` bytes
// until `wanted` units (0: as many as fit) are read, the buffer is full or
// the LOB ends (`ended`).
sword ReadInto(TLobCall& call, int64_t& offset, int64_t wanted, uint8_t* buffer, size_t capacity, size_t& filled,
               bool& ended);

// Writes the whole characters (all bytes of a BLOB) of `size` bytes at
// `at` (moved on), at most `maxUnits` units (-1: no limit). `units` gets
// the units written, `consumed` the bytes they took: fewer than `size`
// when the amount ran out or a character is cut at the end, unless the
// data are `final` (then a character cut at the end goes as it is).
sword WriteUnits(TLobCall& call, int64_t& at, const uint8_t* data, size_t size, int64_t maxUnits, bool final,
                 int64_t& units, size_t& consumed);

// Buffer units of `bytes`: bytes, or UTF-16 units for set 1000.
inline ub4 BufferUnits(size_t bytes, ub2 csid) {
  return static_cast<ub4>(csid == kCharsetUtf16 ? bytes / 2 : bytes);
}

}  // namespace oranet
