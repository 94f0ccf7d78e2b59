// Copying and filling memory and strings, byte-order reversal, and the
// handle shims that bracket each place where the address of a variable or
// an object is handed to a client library. Native code needs no pinning, so
// the shims hand their argument back unchanged and the releases do nothing;
// they keep those places visible in the callers.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/codepage.h"
#include "dacore/util_bytes.h"

namespace dacore {

// Memory moves of count bytes (the areas may overlap); from a string's
// characters for the string forms.
void CopyBuffer(const void* src, void* dest, int count);
void CopyBufferAnsi(const std::string& s, void* dest, int count);
void CopyBufferUni(const classlib::WideString& ws, void* dest, int count);
void FillBuffer(void* dest, int count, uint8_t value);
// s becomes count characters of one byte value.
void FillString(std::string& s, int count, char value);
void CopyBytes(const TBytes& src, int srcOffset, TBytes& dest, int destOffset, int count);
// Sets s to len characters and returns the address of its characters, for
// use as an output buffer.
char* GetStringBuffer(std::string& s, int len);
inline void ReleaseStringBuffer(std::string&) {}

// The four bytes of v in reverse order.
constexpr uint32_t SwapBytes32(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

// ---- Handle and address shims ------------------------------------------------

inline void* AllocObjectHandle(void* obj) { return obj; }
inline void FreeObjectHandle(void*) {}
inline void* HandleToObject(void* handle) { return handle; }
inline void* ObjectHandleAddress(void* handle) { return handle; }

// Any variable's address, unchanged; the matching release does nothing.
template <class T>
T* GetBufferPtr(T* p) { return p; }
template <class T>
void ReleaseBufferPtr(T*) {}

}  // namespace dacore
