#include "classlib/ansistr.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "classlib/exceptions.h"

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

// A wide text as the comparison sees it: weights, and the code units that
// break the last ties.
class WideText {
 public:
  WideText(std::u16string_view s, bool string_sort) : s_(s), string_sort_(string_sort) {}
  size_t size() const { return s_.size(); }
  Weight operator[](size_t i) const { return Weigh(s_[i], string_sort_); }
  unsigned Code(size_t i, bool ignore_case) const {
    return ignore_case ? WideLowerChar(s_[i]) : s_[i];
  }

 private:
  std::u16string_view s_;
  bool string_sort_;
};

// An ANSI text weighs its bytes through tables made once from their
// characters. The undefined byte 0x98 reads as the control character U+0098
// and weighs as a symbol.
class AnsiText {
 public:
  AnsiText(std::string_view s, bool string_sort)
      : s_(s), weights_(string_sort ? Tables().string_sort : Tables().word_sort) {}
  size_t size() const { return s_.size(); }
  Weight operator[](size_t i) const { return weights_[Byte(i)]; }
  unsigned Code(size_t i, bool ignore_case) const {
    return ignore_case ? static_cast<unsigned char>(AnsiLowerChar(s_[i])) : Byte(i);
  }

 private:
  struct WeightTables {
    std::array<Weight, 256> word_sort, string_sort;
    WeightTables() {
      for (int b = 0; b < 256; ++b) {
        char16_t c = Cp1251ToUtf16(std::string(1, static_cast<char>(b)))[0];
        word_sort[b] = Weigh(c, false);
        string_sort[b] = Weigh(c, true);
      }
    }
  };
  static const WeightTables& Tables() {
    static const WeightTables tables;
    return tables;
  }
  unsigned char Byte(size_t i) const { return static_cast<unsigned char>(s_[i]); }

  std::string_view s_;
  const std::array<Weight, 256>& weights_;
};

// Compares one level over the characters that are not deferred; a text that
// runs out first sorts first.
template <class Text, class Level>
int CompareLevel(const Text& a, const Text& b, Level level) {
  size_t i = 0, j = 0;
  for (;;) {
    while (i < a.size() && a[i].deferred) ++i;
    while (j < b.size() && b[j].deferred) ++j;
    bool a_done = i == a.size(), b_done = j == b.size();
    if (a_done || b_done) return int(b_done) - int(a_done);
    long long d = static_cast<long long>(level(a[i])) - level(b[j]);
    if (d != 0) return Sign(d);
    ++i, ++j;
  }
}

size_t DeferredCount(const auto& text) {
  size_t n = 0;
  for (size_t i = 0; i < text.size(); ++i) n += text[i].deferred;
  return n;
}

template <class Text>
int Collate(const Text& a, const Text& b, bool ignore_case) {
  if (int r = CompareLevel(a, b, [](const Weight& w) { return w.primary; })) return r;
  if (int r = CompareLevel(a, b, [](const Weight& w) { return w.mark; })) return r;
  if (!ignore_case)
    if (int r = CompareLevel(a, b, [](const Weight& w) { return w.upper; })) return r;
  // Equal but for deferred marks: the text with fewer of them first, then
  // plain code order so that only equal texts compare equal.
  size_t marks_a = DeferredCount(a), marks_b = DeferredCount(b);
  if (marks_a != marks_b) return marks_a < marks_b ? -1 : 1;
  for (size_t k = 0; k < a.size() && k < b.size(); ++k)
    if (long long d = static_cast<long long>(a.Code(k, ignore_case)) - b.Code(k, ignore_case))
      return Sign(d);
  return Sign(static_cast<long long>(a.size()) - static_cast<long long>(b.size()));
}

}  // namespace

int WideCollate(std::u16string_view a, std::u16string_view b, int flags) {
  const bool string_sort = flags & cfStringSort;
  return Collate(WideText(a, string_sort), WideText(b, string_sort), flags & cfIgnoreCase);
}

namespace {

// The string sort's weights of every byte as key bytes: the primary weight's
// rank among the primary weights of all bytes (from 1, so that 0 can end the
// first level), Ё's mark and the upper case as 1 or 2.
struct SortKeyTables {
  std::array<unsigned char, 256> primary{}, mark{}, upper{}, lower{};
  SortKeyTables() {
    std::array<std::uint32_t, 256> weights{};
    for (int b = 0; b < 256; ++b) {
      const char16_t c = Cp1251ToUtf16(std::string(1, static_cast<char>(b)))[0];
      const Weight w = Weigh(c, true);
      weights[b] = w.primary;
      mark[b] = static_cast<unsigned char>(1 + w.mark);
      upper[b] = static_cast<unsigned char>(1 + w.upper);
      lower[b] = static_cast<unsigned char>(AnsiLowerChar(static_cast<char>(b)));
    }
    std::array<std::uint32_t, 256> sorted = weights;
    std::sort(sorted.begin(), sorted.end());
    const auto end = std::unique(sorted.begin(), sorted.end());
    // Upper and lower case share their weights, so far fewer than 255 remain.
    CLASSLIB_ASSERT(end - sorted.begin() <= 255);
    for (int b = 0; b < 256; ++b)
      primary[b] = static_cast<unsigned char>(1 + (std::lower_bound(sorted.begin(), end, weights[b]) - sorted.begin()));
  }
};

}  // namespace

// The levels of Collate one after another: the primary weights and a 0 (a
// text that runs out first sorts first), then, for texts equal so far and
// so of one length, the marks, the case unless it is ignored, and the codes.
// The string sort defers no character, so its deferred count is 0 on both sides.
void AnsiSortKey(std::string_view text, int flags, std::string& key) {
  CLASSLIB_ASSERT(flags & cfStringSort);
  static const SortKeyTables tables;
  const bool ignore_case = flags & cfIgnoreCase;
  const size_t n = text.size();
  const size_t start = key.size();
  key.resize(start + n * (ignore_case ? 3 : 4) + 1);
  auto* out = reinterpret_cast<unsigned char*>(key.data()) + start;
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < n; ++i) *out++ = tables.primary[in[i]];
  *out++ = 0;
  for (size_t i = 0; i < n; ++i) *out++ = tables.mark[in[i]];
  if (!ignore_case)
    for (size_t i = 0; i < n; ++i) *out++ = tables.upper[in[i]];
  for (size_t i = 0; i < n; ++i) *out++ = ignore_case ? tables.lower[in[i]] : in[i];
}

int AnsiCollate(std::string_view a, std::string_view b, int flags) {
  const bool string_sort = flags & cfStringSort;
  return Collate(AnsiText(a, string_sort), AnsiText(b, string_sort), flags & cfIgnoreCase);
}

int AnsiCompareStr(std::string_view a, std::string_view b) { return AnsiCollate(a, b, 0); }
int AnsiCompareText(std::string_view a, std::string_view b) {
  return AnsiCollate(a, b, cfIgnoreCase);
}
bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }
bool AnsiSameStr(std::string_view a, std::string_view b) { return a == b; }

}  // namespace classlib
