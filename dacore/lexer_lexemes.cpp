// Lexeme tables and the generic SQL symbols and keywords.
#include "dacore/lexer_lexemes.h"

#include <algorithm>

namespace dacore {

namespace {

char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

int CompareLexemes(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(FoldAscii(a[i]));
    const auto cb = static_cast<unsigned char>(FoldAscii(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

TLexemeList::TLexemeList(std::initializer_list<std::pair<const char*, int>> entries) {
  for (const auto& [text, code] : entries) entries_.emplace_back(text, code);
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const auto& a, const auto& b) { return CompareLexemes(a.first, b.first) < 0; });
}

size_t TLexemeList::LowerBound(std::string_view text) const {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), text,
                             [](const auto& entry, std::string_view t) { return CompareLexemes(entry.first, t) < 0; });
  return static_cast<size_t>(it - entries_.begin());
}

int TLexemeList::IndexOf(std::string_view text) const {
  const size_t i = LowerBound(text);
  return i < entries_.size() && CompareLexemes(entries_[i].first, text) == 0 ? static_cast<int>(i) : -1;
}

bool TLexemeList::HasPrefix(std::string_view prefix) const {
  const size_t i = LowerBound(prefix);
  if (i >= entries_.size()) return false;
  const std::string& entry = entries_[i].first;
  return entry.size() >= prefix.size() && CompareLexemes(std::string_view(entry).substr(0, prefix.size()), prefix) == 0;
}

const TLexemeList& SqlSymbolLexemes() {
  static const TLexemeList table{{"!", 1},  {"\"", 2}, {"#", 3},  {"$", 4},  {"%", 5},  {"&", 6},  {"'", 7},
                                 {"(", 8},  {")", 9},  {"*", 10}, {"+", 11}, {",", 12}, {"-", 13}, {".", 14},
                                 {"/", 15}, {":", 16}, {";", 17}, {"<", 18}, {"=", 19}, {">", 20}, {"?", 21},
                                 {"@", 22}, {"[", 23}, {"\\", 24}, {"]", 25}, {"^", 26}, {"_", 27}, {"`", 28}};
  return table;
}

const TLexemeList& SqlKeywordLexemes() {
  static const TLexemeList table{{"AND", 29}, {"NOT", 30}, {"OR", 31}};
  return table;
}

}  // namespace dacore
