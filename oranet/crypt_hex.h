// Bytes as hexadecimal text and back, as the logon exchanges keys and
// encrypted passwords.
#pragma once

#include <string>

#include "dacore/util_bytes.h"

namespace oranet {

// Two upper-case digits per byte.
std::string BytesToHex(const dacore::TBytes& bytes);
// True when the text is an even number of digits 0-9, a-f, A-F.
bool IsHexText(const std::string& text);
// Half as many bytes as digits; a text that is not IsHexText raises
// "Invalid hexadecimal text".
dacore::TBytes HexToBytes(const std::string& text);

}  // namespace oranet
