#include "dacore/util_wide_str.h"

#include <cstring>

#include "dacore/util_bytes.h"

namespace dacore {

namespace {

char16_t WideAt(const void* s, int i) { return LoadUnaligned<char16_t>(OffsetPtr(s, 2 * i)); }
void PutWideAt(void* s, int i, char16_t c) { StoreUnaligned(OffsetPtr(s, 2 * i), c); }

}  // namespace

int StrLenW(const void* s) {
  int n = 0;
  while (WideAt(s, n) != 0) ++n;
  return n;
}

int StrNLenW(const void* s, int max_chars) {
  int n = 0;
  while (n < max_chars && WideAt(s, n) != 0) ++n;
  return n;
}

void StrCopyW(void* dest, const void* src) {
  std::memmove(dest, src, (static_cast<std::size_t>(StrLenW(src)) + 1) * 2);
}

void StrLCopyW(void* dest, const void* src, int n) {
  const int count = StrNLenW(src, n);
  std::memmove(dest, src, static_cast<std::size_t>(count) * 2);
  PutWideAt(dest, count, 0);
}

void TrimTrailingBlanks(void* buf, int len) {
  char* chars = static_cast<char*>(buf);
  if (len == -1) len = static_cast<int>(std::strlen(chars));
  for (int i = len - 1; i >= 0 && (chars[i] == ' ' || chars[i] == '\0'); --i) chars[i] = '\0';
}

void TrimTrailingBlanksW(void* buf, int len) {
  if (len == -1) len = StrLenW(buf);
  for (int i = len - 1; i >= 0; --i) {
    const char16_t c = WideAt(buf, i);
    if (c != u' ' && c != 0) break;
    PutWideAt(buf, i, 0);
  }
}

}  // namespace dacore
