#include "dacore/util_marshal.h"

#include <cstdlib>
#include <new>

#include "dacore/util_wide_str.h"

namespace dacore {

void* Marshal::AllocMem(std::size_t size) {
  void* p = std::calloc(size == 0 ? 1 : size, 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void* Marshal::ReallocMem(void* p, std::size_t size) {
  void* q = std::realloc(p, size == 0 ? 1 : size);
  if (!q) throw std::bad_alloc();
  return q;
}

void Marshal::FreeMem(void* p) { std::free(p); }

std::string Marshal::ReadAnsiString(const void* p, int len) {
  const char* chars = static_cast<const char*>(p);
  if (len < 1) return std::string(chars);
  return std::string(chars, static_cast<std::size_t>(len));
}

classlib::WideString Marshal::ReadWideString(const void* p, int len) {
  const int count = len < 1 ? StrLenW(p) : len;
  classlib::WideString s(static_cast<std::size_t>(count), u'\0');
  std::memcpy(s.data(), p, static_cast<std::size_t>(count) * sizeof(char16_t));
  return s;
}

void Marshal::CopyBytesToPtr(const TBytes& bytes, int startIndex, void* dest, int length) {
  if (length > 0) std::memcpy(dest, bytes.data() + startIndex, static_cast<std::size_t>(length));
}

void Marshal::CopyPtrToBytes(const void* src, TBytes& bytes, int startIndex, int length) {
  if (length > 0) std::memcpy(bytes.data() + startIndex, src, static_cast<std::size_t>(length));
}

}  // namespace dacore
