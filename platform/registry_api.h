// The Windows registry API the libraries call, over the hive files of
// registry_store.h. ANSI functions: names and texts go in and come out in
// code page 1251 (the hives hold UTF-8). Results are Windows error codes.
// HKEY_CLASSES_ROOT stands for HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
//
// A damaged hive file raises ERegistryFileError rather than passing for a
// missing key, and failed file I/O raises EOSError: neither has a fitting
// result code, and both need a person to look.
#pragma once

#include <cstdint>

#include "platform/registry_hive.h"
#include "platform/windows_types.h"

namespace platform {

using REGSAM = uint32_t;
using HKEY = struct HKEY__*;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(uintptr_t{0x80000000});
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(uintptr_t{0x80000001});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(uintptr_t{0x80000002});

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_EXECUTE = KEY_READ;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Opens subKey below key (an empty subKey opens key itself again). Keys
// without KEY_SET_VALUE refuse value changes with ERROR_ACCESS_DENIED, and
// without KEY_CREATE_SUB_KEY they refuse to create subkeys.
LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM access, HKEY* result);
LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* keyClass, DWORD options,
                     REGSAM access, const void* security, HKEY* result, DWORD* disposition);
LONG RegCloseKey(HKEY key);

// Fails with ERROR_ACCESS_DENIED when the key has subkeys.
LONG RegDeleteKeyA(HKEY key, const char* subKey);

// name nullptr or "" is the key's default value. With data nullptr only the
// type and size are reported; a short buffer gives ERROR_MORE_DATA with the
// size needed in *dataSize. Texts come back with their terminating zero(s).
LONG RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* dataSize);
LONG RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataSize);
LONG RegDeleteValueA(HKEY key, const char* name);

// Enumeration by index; ERROR_NO_MORE_ITEMS past the end. *nameSize is the
// buffer's size in characters on entry and the name's length on return.
LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved,
                   char* keyClass, DWORD* classSize, void* lastWriteTime);
LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved,
                   DWORD* type, BYTE* data, DWORD* dataSize);

// Counts and the longest name and data lengths (ANSI, without terminators
// for names). Any pointer may be nullptr.
LONG RegQueryInfoKeyA(HKEY key, char* keyClass, DWORD* classSize, DWORD* reserved,
                      DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* maxClassLen, DWORD* values,
                      DWORD* maxValueNameLen, DWORD* maxValueLen, void* security,
                      void* lastWriteTime);

}  // namespace platform
