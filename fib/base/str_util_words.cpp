// Words, name/value pairs, string-list helpers and replacing.
#include "classlib/ansistr.h"
#include "fib/base/str_util.h"

namespace fib {

namespace {

// The [begin, end) byte ranges of the words of s.
template <typename Visit>
void ForEachWord(std::string_view s, const CharSet& delims, Visit visit) {
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && InSet(delims, s[i])) ++i;
    if (i == s.size()) break;
    const size_t begin = i;
    while (i < s.size() && !InSet(delims, s[i])) ++i;
    if (!visit(begin, i)) return;
  }
}

bool IsQuoteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string Fold(std::string_view s, bool ansi_fold) {
  return ansi_fold ? classlib::AnsiUpperCase(s) : UpperCaseASCII(s);
}

// Replaces every occurrence of old_sub in s found in `search` (s itself or
// its upper-cased copy, byte for byte aligned with s).
std::string ReplaceFound(std::string_view s, std::string_view search, std::string_view old_sub,
                         std::string_view new_sub) {
  if (old_sub.empty()) return std::string(s);
  std::string result;
  size_t from = 0;
  while (true) {
    const size_t at = search.find(old_sub, from);
    if (at == std::string_view::npos) break;
    result.append(s.substr(from, at - from));
    result.append(new_sub);
    from = at + old_sub.size();
  }
  result.append(s.substr(from));
  return result;
}

}  // namespace

int WordCount(std::string_view s, const CharSet& delims) {
  int count = 0;
  ForEachWord(s, delims, [&](size_t, size_t) {
    ++count;
    return true;
  });
  return count;
}

std::string ExtractWord(int n, std::string_view s, const CharSet& delims) {
  int count = 0;
  std::string result;
  ForEachWord(s, delims, [&](size_t begin, size_t end) {
    if (++count < n) return true;
    result = std::string(s.substr(begin, end - begin));
    return false;
  });
  // A text without a word counts as its own first word.
  if (count == 0 && n == 1) return std::string(s);
  return result;
}

std::string ValuePart(std::string_view s) {
  const size_t eq = s.find('=');
  return eq == std::string_view::npos ? std::string() : std::string(s.substr(eq + 1));
}

void SplitNameValue(std::string_view s, std::string& name, std::string& value) {
  const size_t eq = s.find('=');
  if (eq == std::string_view::npos) {
    name = std::string(s);
    value.clear();
    return;
  }
  name = std::string(s.substr(0, eq));
  value = std::string(s.substr(eq + 1));
}

std::string DequoteStr(std::string_view s) {
  size_t last = s.size();
  while (last > 0 && IsQuoteSpace(s[last - 1])) --last;
  if (last == 0) return std::string(s);
  const char quote = s[last - 1];
  if (quote != '"' && quote != '\'') return std::string(s);
  const char other = quote == '"' ? '\'' : '"';
  size_t first = 0;
  while (first < last - 1 && (IsQuoteSpace(s[first]) || s[first] == other)) ++first;
  if (first >= last - 1 || s[first] != quote) return std::string(s);
  return std::string(s.substr(first + 1, last - 1 - (first + 1)));
}

void DeleteEmptyStrings(classlib::TStrings& list) {
  classlib::TStrings::Updating updating(list);
  for (int i = list.Count() - 1; i >= 0; --i) {
    if (list.Strings(i).empty()) list.Delete(i);
  }
}

void CopyStringsExcept(const classlib::TStrings& source, const classlib::TStrings& exclude,
                       classlib::TStrings& dest) {
  classlib::TStrings::Updating updating(dest);
  dest.Clear();
  const auto* sorted = dynamic_cast<const classlib::TStringList*>(&exclude);
  for (int i = 0; i < source.Count(); ++i) {
    const std::string line = source.Strings(i);
    int index = -1;
    const bool excluded = (sorted != nullptr && sorted->Sorted()) ? sorted->Find(line, index)
                                                                  : exclude.IndexOf(line) >= 0;
    if (!excluded) dest.AddObject(line, source.Objects(i));
  }
}

std::string ReplaceSubStr(std::string_view s, std::string_view old_sub, std::string_view new_sub) {
  return ReplaceFound(s, s, old_sub, new_sub);
}

std::string ReplaceSubStrCI(std::string_view s, std::string_view old_sub, std::string_view new_sub,
                            bool ansi_fold) {
  const std::string up_s = Fold(s, ansi_fold);
  const std::string up_old = Fold(old_sub, ansi_fold);
  return ReplaceFound(s, up_s, up_old, new_sub);
}

std::string ReplaceInRange(std::string_view s, std::string_view old_sub, std::string_view new_sub,
                           int from, int to) {
  const int len = static_cast<int>(s.size());
  if (from < 1) from = 1;
  if (to > len) to = len;
  if (from > to) return std::string(s);
  const size_t begin = static_cast<size_t>(from - 1);
  const size_t end = static_cast<size_t>(to);
  std::string result(s.substr(0, begin));
  result += ReplaceSubStr(s.substr(begin, end - begin), old_sub, new_sub);
  result.append(s.substr(end));
  return result;
}

}  // namespace fib
