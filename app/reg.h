// Registry routines of the updater. They never raise for a registry answer:
// each returns the platform's error code (0 on success) and leaves its output
// as it was on failure, so callers decide what a missing value means.
//
// Paths and names are ANSI (code page 1251). A key path that is empty after
// trimming blanks and control characters gives ERROR_INVALID_DATA (13)
// without touching the registry; so does a value of the wrong type. Values
// are read through a buffer of kRegReadBufferSize bytes: a longer value gives
// ERROR_MORE_DATA (234).
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry_api.h"

namespace app {

using platform::HKEY;
using platform::LONG;

inline constexpr int kRegReadBufferSize = 1024;

// Deletes a key that has no subkeys.
LONG DeleteRegKey(HKEY root, const std::string& path);
// Deletes a key that holds neither subkeys nor values; ERROR_ACCESS_DENIED
// when it holds any.
LONG DeleteEmptyRegKey(HKEY root, const std::string& path);
// True when the key opens for reading.
bool RegKeyExists(HKEY root, const std::string& path);

// Both create the key when needed. A string is stored with its terminating
// zero; a binary value is the text's bytes plus one zero byte, except that an
// empty text is stored as no bytes at all.
LONG WriteRegString(HKEY root, const std::string& path, const std::string& name,
                    const std::string& value);
LONG WriteRegBinary(HKEY root, const std::string& path, const std::string& name,
                    const std::string& value);

// A string, expandable string or multi-string without its terminator,
// trimmed of blanks and control characters at both ends.
LONG ReadRegString(HKEY root, const std::string& path, const std::string& name,
                   std::string& value);
// A 32-bit number in either byte order.
LONG ReadRegInteger(HKEY root, const std::string& path, const std::string& name,
                    int32_t& value);
// The bytes of a binary value without the last one (the zero that
// WriteRegBinary adds); not trimmed.
LONG ReadRegBinary(HKEY root, const std::string& path, const std::string& name,
                   std::string& value);

// Removes one value; ERROR_FILE_NOT_FOUND when it is not there.
LONG DeleteRegValue(HKEY root, const std::string& path, const std::string& name);

}  // namespace app
