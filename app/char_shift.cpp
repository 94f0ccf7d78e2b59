#include "app/char_shift.h"

#include <array>

namespace app {

namespace {

using KeyTable = std::array<int, 10>;

constexpr KeyTable kStoredAccountKeys = {7, 14, 2, 9, 16, 4, 11, 1, 18, 5};
constexpr KeyTable kSettingsToolsKeys = {15, 3, 8, 16, 1, 12, 9, 14, 5, 18};

// The shifted bytes wrap within [kOffset, kOffset + kModulus).
constexpr int kModulus = 224;
constexpr int kOffset = 32;

const KeyTable* KeysOf(int mode) {
  switch (mode) {
    case kShiftModeStoredAccount: return &kStoredAccountKeys;
    case kShiftModeSettingsTools: return &kSettingsToolsKeys;
    default: return nullptr;
  }
}

int ByteAt(std::string_view text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

}  // namespace

std::string EncodeString(std::string_view text, int mode) {
  std::string result(text);
  const KeyTable* keys = KeysOf(mode);
  if (keys == nullptr) return result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int k = (*keys)[i % keys->size()];
    result[i] = static_cast<char>((ByteAt(text, i) + k - 1) % kModulus + kOffset);
  }
  return result;
}

std::string DecodeString(std::string_view text, int mode) {
  std::string result(text);
  const KeyTable* keys = KeysOf(mode);
  if (keys == nullptr) return result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int k = (*keys)[i % keys->size()];
    // t lies in -50..223 for any byte, so the result is always a byte.
    const int t = ByteAt(text, i) - kOffset - (k - 1);
    result[i] = static_cast<char>(t + kModulus < 256 ? t + kModulus : t);
  }
  return result;
}

}  // namespace app
