// Raw memory access for the layers that fill client-library buffers, lay
// out records and build packets: reads and writes of fixed-width values at
// any address (every access copies, so no alignment is needed), strings read
// from memory, and copies between byte arrays and memory. Nothing is
// checked: callers pass addresses and lengths that are valid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "classlib/codepage.h"
#include "dacore/util_bytes.h"

namespace dacore {

class Marshal {
 public:
  // Memory from the process's memory manager.
  static void* AllocMem(std::size_t size);
  static void* ReallocMem(void* p, std::size_t size);
  static void FreeMem(void* p);

  static uint8_t ReadByte(const void* p, int ofs = 0) { return LoadUnaligned<uint8_t>(OffsetPtr(p, ofs)); }
  // Unsigned as read: callers that hold a signed value sign-extend.
  static uint16_t ReadInt16(const void* p, int ofs = 0) { return LoadUnaligned<uint16_t>(OffsetPtr(p, ofs)); }
  static int32_t ReadInt32(const void* p, int ofs = 0) { return LoadUnaligned<int32_t>(OffsetPtr(p, ofs)); }
  static int64_t ReadInt64(const void* p, int ofs = 0) { return LoadUnaligned<int64_t>(OffsetPtr(p, ofs)); }
  static void* ReadPointer(const void* p, int ofs = 0) { return LoadUnaligned<void*>(OffsetPtr(p, ofs)); }

  static void WriteByte(void* p, uint8_t value) { StoreUnaligned(p, value); }
  static void WriteInt16(void* p, int16_t value) { StoreUnaligned(p, value); }
  static void WriteInt32(void* p, int32_t value) { StoreUnaligned(p, value); }
  static void WriteInt64(void* p, int64_t value) { StoreUnaligned(p, value); }
  static void WritePointer(void* p, void* value) { StoreUnaligned(p, value); }

  static void WriteByteAt(void* p, int ofs, uint8_t value) { WriteByte(OffsetPtr(p, ofs), value); }
  static void WriteInt16At(void* p, int ofs, int16_t value) { WriteInt16(OffsetPtr(p, ofs), value); }
  static void WriteInt32At(void* p, int ofs, int32_t value) { WriteInt32(OffsetPtr(p, ofs), value); }
  static void WriteInt64At(void* p, int ofs, int64_t value) { WriteInt64(OffsetPtr(p, ofs), value); }
  static void WritePointerAt(void* p, int ofs, void* value) { WritePointer(OffsetPtr(p, ofs), value); }

  // len characters from p; len < 1 reads up to the terminating zero.
  static std::string ReadAnsiString(const void* p, int len = 0);
  static classlib::WideString ReadWideString(const void* p, int len = 0);

  // The address of the string's characters, no copy; FreeStringPtr has
  // nothing to release.
  static char* AnsiStringToPtr(std::string& s) { return s.data(); }
  static char16_t* WideStringToPtr(classlib::WideString& s) { return s.data(); }
  static void FreeStringPtr(void*) {}

  static void CopyBytesToPtr(const TBytes& bytes, int startIndex, void* dest, int length);
  static void CopyPtrToBytes(const void* src, TBytes& bytes, int startIndex, int length);
};

}  // namespace dacore
