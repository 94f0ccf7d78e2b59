// TGUID with the braced text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
// In memory it is the 16 bytes that GUID columns store.
#pragma once

#include <cstdint>
#include <string>

namespace classlib {

struct TGUID {
  uint32_t D1 = 0;
  uint16_t D2 = 0;
  uint16_t D3 = 0;
  uint8_t D4[8] = {};

  friend bool operator==(const TGUID& a, const TGUID& b);
};

std::string GUIDToString(const TGUID& g);  // upper-case hex, braced
TGUID StringToGUID(const std::string& s);  // raises EConvertError
bool TryStringToGUID(const std::string& s, TGUID& g);
TGUID CreateGUID();  // random (version 4)

}  // namespace classlib
