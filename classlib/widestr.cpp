#include "classlib/ansistr.h"

namespace classlib {

namespace {

// Upper-case letters first..last (every stride-th one) whose lower-case
// partners lie delta code units higher. The blocks cover the scripts the
// libraries' text comes in; a character outside them has no case.
struct CaseBlock {
  char16_t first, last;
  int delta, stride;
};

constexpr CaseBlock kCaseBlocks[] = {
    {0x0041, 0x005A, 0x20, 1},  {0x00C0, 0x00D6, 0x20, 1},  {0x00D8, 0x00DE, 0x20, 1},
    {0x0100, 0x012E, 1, 2},     {0x0132, 0x0136, 1, 2},     {0x0139, 0x0147, 1, 2},
    {0x014A, 0x0176, 1, 2},     {0x0178, 0x0178, -0x79, 1}, {0x0179, 0x017D, 1, 2},
    {0x0386, 0x0386, 0x26, 1},  {0x0388, 0x038A, 0x25, 1},  {0x038C, 0x038C, 0x40, 1},
    {0x038E, 0x038F, 0x3F, 1},  {0x0391, 0x03A1, 0x20, 1},  {0x03A3, 0x03AB, 0x20, 1},
    {0x0400, 0x040F, 0x50, 1},  {0x0410, 0x042F, 0x20, 1},  {0x0460, 0x0480, 1, 2},
    {0x048A, 0x04BE, 1, 2},     {0x04C0, 0x04C0, 0x0F, 1},  {0x04C1, 0x04CD, 1, 2},
    {0x04D0, 0x052E, 1, 2},     {0xFF21, 0xFF3A, 0x20, 1},
};

bool InBlock(const CaseBlock& b, int upper) {
  return upper >= b.first && upper <= b.last && (upper - b.first) % b.stride == 0;
}

template <char16_t (*Map)(char16_t)>
WideString MapEach(std::u16string_view s) {
  WideString out(s);
  for (char16_t& c : out) c = Map(c);
  return out;
}

}  // namespace

char16_t WideLowerChar(char16_t c) {
  for (const CaseBlock& b : kCaseBlocks)
    if (InBlock(b, c)) return static_cast<char16_t>(c + b.delta);
  return c;
}

char16_t WideUpperChar(char16_t c) {
  for (const CaseBlock& b : kCaseBlocks)
    if (InBlock(b, c - b.delta)) return static_cast<char16_t>(c - b.delta);
  return c;
}

WideString WideUpperCase(std::u16string_view s) { return MapEach<WideUpperChar>(s); }
WideString WideLowerCase(std::u16string_view s) { return MapEach<WideLowerChar>(s); }

int WideCompareStr(std::u16string_view a, std::u16string_view b) { return WideCollate(a, b, 0); }

int WideCompareText(std::u16string_view a, std::u16string_view b) {
  return WideCollate(a, b, cfIgnoreCase);
}

bool WideSameText(std::u16string_view a, std::u16string_view b) {
  return WideCompareText(a, b) == 0;
}

bool WideSameStr(std::u16string_view a, std::u16string_view b) { return a == b; }

}  // namespace classlib
