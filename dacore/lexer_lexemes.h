// Lexeme tables of the SQL lexer: texts with integer codes, kept sorted so
// that the scanner finds symbols and keywords by binary search. Texts
// compare with ASCII letters folded to upper case, so "and" finds "AND".
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dacore {

// Token codes the scanner answers besides the codes of its tables (1 and up).
inline constexpr int lcEnd = 0;
inline constexpr int lcSymbol = -102;   // a symbol character that no table entry starts
inline constexpr int lcIdent = -103;    // identifier, plain or quoted
inline constexpr int lcNumber = -105;
inline constexpr int lcString = -106;   // string literal
inline constexpr int lcBlank = -107;    // only when blanks are not omitted
inline constexpr int lcComment = -108;  // only when comments are not omitted

class TLexemeList {
 public:
  TLexemeList(std::initializer_list<std::pair<const char*, int>> entries);

  // Index of the entry equal to text, -1 when none.
  int IndexOf(std::string_view text) const;
  // Whether some entry begins with prefix.
  bool HasPrefix(std::string_view prefix) const;
  const std::string& Text(int index) const { return entries_[static_cast<size_t>(index)].first; }
  int Code(int index) const { return entries_[static_cast<size_t>(index)].second; }
  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  size_t LowerBound(std::string_view text) const;

  std::vector<std::pair<std::string, int>> entries_;
};

// <0, 0, >0 with ASCII letters compared without regard to case.
int CompareLexemes(std::string_view a, std::string_view b);

// The generic tables: symbols "!" 1 ... "`" 28 and the keywords AND 29, NOT 30, OR 31.
const TLexemeList& SqlSymbolLexemes();
const TLexemeList& SqlKeywordLexemes();

}  // namespace dacore
