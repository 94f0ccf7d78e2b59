// Zero-terminated wide strings (UTF-16 characters) in raw memory, and the
// trimming of fixed-width text slots. Buffers may sit at any address: every
// character is copied, never read through a char16_t pointer.
#pragma once

namespace dacore {

// Copies src with its terminator.
void StrCopyW(void* dest, const void* src);
// Copies up to the first zero character but at most n characters, then
// writes a terminating zero (dest needs room for n + 1 characters).
void StrLCopyW(void* dest, const void* src, int n);
// Characters before the terminating zero.
int StrLenW(const void* s);
// Characters before the terminating zero, at most max_chars.
int StrNLenW(const void* s, int max_chars);

// Walking back from the end (len -1: the zero-terminated length), turns
// blanks and zero characters into zeros until another character or the
// start is reached.
void TrimTrailingBlanks(void* buf, int len);
void TrimTrailingBlanksW(void* buf, int len);

}  // namespace dacore
