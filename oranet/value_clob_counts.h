// How CLOB amounts translate between the server's characters and the
// caller's bytes. The server counts characters (UTF-16 code units, so a
// character outside the basic plane counts twice); the caller's buffer
// holds the client character set's bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oranet {

constexpr int kCharsetUtf16 = 1000;

// The widest character of a character set in bytes: 3 for the UTF-8 and
// EUC sets, 2 for the double-byte sets and UTF-16, else 1.
int CharsetMaxCharWidth(int charsetId);

// The bytes the first `chars` characters of `text` occupy: 2 per character
// in UTF-16, 1 in a single-byte set, else walked by UTF-8 lead bytes. Never
// more than `size`, and never the first part of a character.
size_t ClobBytesForChars(int charsetId, const uint8_t* text, size_t size, size_t chars);

// The characters the server counts in `size` bytes of `text`; a character
// cut at the end counts as whole.
size_t ClobCharsInBytes(int charsetId, const uint8_t* text, size_t size);

}  // namespace oranet
