// The position-keyed character shift that protects the stored password and
// database account of older product releases (mode 1) and the account given
// to the product's settings tools (mode 2). Each byte is shifted by a key
// value chosen by its position and wrapped into the range 32..255, so the
// output holds no control bytes. Texts are code page 1251 bytes; the length
// never changes.
#pragma once

#include <string>
#include <string_view>

namespace app {

// Any mode other than these leaves the text unchanged.
inline constexpr int kShiftModeStoredAccount = 1;
inline constexpr int kShiftModeSettingsTools = 2;

std::string EncodeString(std::string_view text, int mode);

// Undoes EncodeString for bytes 32..255; bytes 0..31 cannot be told apart
// from bytes 224..255 after encoding and come back raised by 224.
std::string DecodeString(std::string_view text, int mode);

}  // namespace app
