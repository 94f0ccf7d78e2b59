#include <cstdint>

#include "classlib/ansistr.h"

namespace classlib {

namespace {

// Cyrillic letters in alphabet order, the Ukrainian, Belarusian, Serbian and
// Macedonian ones where their alphabets put them. Ё is not here: it sorts as
// Е with a mark, so "ёлка" falls among the words with "е".
constexpr std::u16string_view kCyrillicOrder =
    u"абвгґдђѓеєжзѕиіїйјклљмнњопрстћќуўфхцчџшщъыьэюя";
constexpr char16_t kSmallYo = u'ё';
constexpr char16_t kSmallIe = u'е';

enum Group : std::uint32_t { kSymbol, kDigit, kLatin, kCyrillic, kOtherLetter };

// What one code unit weighs at each level of the comparison.
struct Weight {
  std::uint32_t primary = 0;  // group << 16 | place within the group
  std::uint32_t mark = 0;     // 1 for Ё/ё
  std::uint32_t upper = 0;    // 1 for an upper-case letter
  bool deferred = false;      // word sort: weighed only on otherwise equal text
};

bool IsSymbol(char16_t c) {
  bool ascii_alnum = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') ||
                     (c >= u'A' && c <= u'Z');
  return (c < 0xC0 && !ascii_alnum) || c == 0xD7 || c == 0xF7 || (c >= 0x2000 && c < 0x2C00);
}

std::uint32_t Primary(Group g, std::uint32_t place) { return (std::uint32_t(g) << 16) | place; }

Weight Weigh(char16_t c, bool string_sort) {
  Weight w;
  if (IsSymbol(c)) {
    w.primary = Primary(kSymbol, c);
    w.deferred = !string_sort && (c == u'-' || c == u'\'');
    return w;
  }
  if (c >= u'0' && c <= u'9') {
    w.primary = Primary(kDigit, c);
    return w;
  }
  char16_t lower = WideLowerChar(c);
  w.upper = lower != c;
  if (lower >= u'a' && lower <= u'z') {
    w.primary = Primary(kLatin, lower);
  } else if (lower == kSmallYo) {
    w.primary = Primary(kCyrillic, kCyrillicOrder.find(kSmallIe));
    w.mark = 1;
  } else if (size_t place = kCyrillicOrder.find(lower); place != kCyrillicOrder.npos) {
    w.primary = Primary(kCyrillic, place);
  } else {
    w.primary = Primary(kOtherLetter, lower);
  }
  return w;
}

int Sign(long long d) { return d < 0 ? -1 : d > 0 ? 1 : 0; }

// Compares one level over the code units that are not deferred; a text that
// runs out first sorts first.
template <class Level>
int CompareLevel(std::u16string_view a, std::u16string_view b, bool string_sort, Level level) {
  size_t i = 0, j = 0;
  for (;;) {
    while (i < a.size() && Weigh(a[i], string_sort).deferred) ++i;
    while (j < b.size() && Weigh(b[j], string_sort).deferred) ++j;
    bool a_done = i == a.size(), b_done = j == b.size();
    if (a_done || b_done) return int(b_done) - int(a_done);
    long long d = (long long)level(Weigh(a[i], string_sort)) - level(Weigh(b[j], string_sort));
    if (d != 0) return Sign(d);
    ++i, ++j;
  }
}

}  // namespace

int WideCollate(std::u16string_view a, std::u16string_view b, int flags) {
  const bool string_sort = flags & cfStringSort;
  const bool ignore_case = flags & cfIgnoreCase;
  if (int r = CompareLevel(a, b, string_sort, [](const Weight& w) { return w.primary; })) return r;
  if (int r = CompareLevel(a, b, string_sort, [](const Weight& w) { return w.mark; })) return r;
  if (!ignore_case)
    if (int r = CompareLevel(a, b, string_sort, [](const Weight& w) { return w.upper; })) return r;
  // Equal but for deferred marks: the text with fewer of them first, then
  // plain code order so that only equal texts compare equal.
  size_t marks_a = 0, marks_b = 0;
  for (char16_t c : a) marks_a += Weigh(c, string_sort).deferred;
  for (char16_t c : b) marks_b += Weigh(c, string_sort).deferred;
  if (marks_a != marks_b) return marks_a < marks_b ? -1 : 1;
  for (size_t k = 0; k < a.size() && k < b.size(); ++k) {
    char16_t x = ignore_case ? WideLowerChar(a[k]) : a[k];
    char16_t y = ignore_case ? WideLowerChar(b[k]) : b[k];
    if (x != y) return x < y ? -1 : 1;
  }
  return Sign((long long)a.size() - (long long)b.size());
}

int AnsiCollate(std::string_view a, std::string_view b, int flags) {
  int r = WideCollate(Cp1251ToUtf16(a), Cp1251ToUtf16(b), flags);
  // Byte 0x98 has no character and widens to '?'; only the bytes tell such
  // texts apart, and only equal texts may compare equal.
  if (r == 0 && a != b)
    r = flags & cfIgnoreCase ? CompareStr(AnsiLowerCase(a), AnsiLowerCase(b)) : CompareStr(a, b);
  return r;
}

int AnsiCompareStr(std::string_view a, std::string_view b) { return AnsiCollate(a, b, 0); }
int AnsiCompareText(std::string_view a, std::string_view b) {
  return AnsiCollate(a, b, cfIgnoreCase);
}
bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }
bool AnsiSameStr(std::string_view a, std::string_view b) { return a == b; }

}  // namespace classlib
