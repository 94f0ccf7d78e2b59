#include "dacore/util_memory.h"

#include <cstring>

namespace dacore {

void CopyBuffer(const void* src, void* dest, int count) {
  if (count > 0) std::memmove(dest, src, static_cast<std::size_t>(count));
}

void CopyBufferAnsi(const std::string& s, void* dest, int count) { CopyBuffer(s.data(), dest, count); }

void CopyBufferUni(const classlib::WideString& ws, void* dest, int count) {
  CopyBuffer(ws.data(), dest, count);
}

void FillBuffer(void* dest, int count, uint8_t value) {
  if (count > 0) std::memset(dest, value, static_cast<std::size_t>(count));
}

void FillString(std::string& s, int count, char value) {
  s.assign(static_cast<std::size_t>(count > 0 ? count : 0), value);
}

void CopyBytes(const TBytes& src, int srcOffset, TBytes& dest, int destOffset, int count) {
  Buffer::CopyBlock(src, srcOffset, dest, destOffset, count);
}

char* GetStringBuffer(std::string& s, int len) {
  s.resize(static_cast<std::size_t>(len > 0 ? len : 0));
  return s.data();
}

}  // namespace dacore
