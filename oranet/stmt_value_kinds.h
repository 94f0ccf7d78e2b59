// The kinds of values by their external type, and the access to the
// caller's buffers, shared by the bind rows and the row decoder. Caller
// buffers need not be aligned: every access copies.
#pragma once

#include <cstring>
#include <string>

#include "classlib/codepage.h"
#include "dacore/util_bytes.h"
#include "oracle/oci_defs.h"

namespace oranet::stmt {

using namespace oracle;  // external types
using dacore::TBytes;

// A value that is null but was fetched: its indicator stays 0.
constexpr int kNullButFetched = 3105;

inline bool IsCharType(int t) { return t == SQLT_CHR || t == SQLT_STR || t == SQLT_AFC || t == SQLT_AVC; }
inline bool IsTerminated(int t) { return t == SQLT_STR || t == SQLT_AVC; }
inline bool IsLobType(int t) { return t == SQLT_CLOB || t == SQLT_BLOB || t == SQLT_BFILEE; }
inline bool IsCursorType(int t) { return t == SQLT_CUR || t == SQLT_RSET; }
inline bool IsLongType(int t) { return t == SQLT_LNG || t == SQLT_LBI; }
inline bool IsDateTimeType(int t) { return t == SQLT_TIMESTAMP || t == SQLT_TIMESTAMP_TZ || t == SQLT_TIMESTAMP_LTZ; }
inline bool IsIntervalType(int t) { return t == SQLT_INTERVAL_YM || t == SQLT_INTERVAL_DS; }

template <class T>
void Store(void* at, T value) {
  if (at) std::memcpy(at, &value, sizeof value);
}
template <class T>
T Load(const void* at) {
  T value{};
  std::memcpy(&value, at, sizeof value);
  return value;
}

// The handle or descriptor whose address a buffer element holds.
inline void* HandleIn(const uint8_t* element) { return element ? Load<void*>(element) : nullptr; }

inline std::string Utf16BytesToUtf8(const uint8_t* bytes, size_t size) {
  std::u16string wide(size / 2, u'\0');
  if (!wide.empty()) std::memcpy(wide.data(), bytes, wide.size() * 2);
  return classlib::Utf16ToUtf8(wide);
}

inline TBytes Utf8ToUtf16Bytes(const TBytes& utf8) {
  const classlib::WideString wide =
      classlib::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
  TBytes bytes(wide.size() * 2);
  if (!bytes.empty()) std::memcpy(bytes.data(), wide.data(), bytes.size());
  return bytes;
}

}  // namespace oranet::stmt
