// Tests, copying, trimming, case and searching of the text toolbox.
#include "fib/base/str_util.h"

#include <cstring>

#include "classlib/ansistr.h"

namespace fib {

namespace {

char UpperASCII(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char LowerASCII(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool HasPrefix4(std::string_view name, const char* prefix) {
  if (name.size() < 5 || name[3] != '_') return false;
  for (int i = 0; i < 3; ++i) {
    if (UpperASCII(name[i]) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

CharSet MakeCharSet(std::string_view chars) {
  CharSet set;
  for (char c : chars) set.set(static_cast<unsigned char>(c));
  return set;
}

bool IsOldParamName(std::string_view name) { return HasPrefix4(name, "OLD"); }
bool IsNewParamName(std::string_view name) { return HasPrefix4(name, "NEW"); }
bool IsMasterParamName(std::string_view name) { return HasPrefix4(name, "MAS"); }

bool IsBlankStr(std::string_view s) {
  for (char c : s) {
    if (!IsBlankChar(c)) return false;
  }
  return true;
}

bool StartsWithStr(std::string_view prefix, std::string_view s) { return s.starts_with(prefix); }

bool IsEmptyStrings(const classlib::TStrings& list) {
  for (int i = 0; i < list.Count(); ++i) {
    if (!IsBlankStr(list.Strings(i))) return false;
  }
  return true;
}

bool EqualStr(bool ignore_case, std::string_view s1, std::string_view s2) {
  if (s1.size() != s2.size()) return false;
  return ignore_case ? classlib::AnsiSameText(s1, s2) : s1 == s2;
}

bool SameStrASCII(std::string_view s1, std::string_view s2, bool case_sensitive) {
  if (case_sensitive) return s1 == s2;
  if (s1.size() != s2.size()) return false;
  for (size_t i = 0; i < s1.size(); ++i) {
    const int a = static_cast<unsigned char>(s1[i]);
    const int b = static_cast<unsigned char>(s2[i]);
    if (a != b && a - b != 32 && b - a != 32) return false;
  }
  return true;
}

bool StrInArray(std::string_view s, const std::vector<std::string>& strings) {
  for (const std::string& item : strings) {
    if (item == s) return true;
  }
  return false;
}

std::string FastCopy(std::string_view s, int index, int count) {
  std::string result;
  FastCopyTo(s, result, index, count);
  return result;
}

void FastCopyTo(std::string_view s, std::string& result, int index, int count) {
  if (index < 1) index = 1;
  if (count <= 0 || index > static_cast<int>(s.size())) {
    result.clear();
    return;
  }
  const size_t start = static_cast<size_t>(index - 1);
  const size_t n = std::min(static_cast<size_t>(count), s.size() - start);
  if (result.size() != n) result.resize(n);
  std::memcpy(result.data(), s.data() + start, n);
}

std::string FastTrim(std::string_view s) {
  size_t first = 0;
  size_t last = s.size();
  while (first < last && IsBlankChar(s[first])) ++first;
  while (last > first && IsBlankChar(s[last - 1])) --last;
  return std::string(s.substr(first, last - first));
}

void TrimInPlace(std::string& s) {
  size_t first = 0;
  while (first < s.size() && IsBlankChar(s[first])) ++first;
  s.erase(0, first);
  TrimRightInPlace(s);
}

void TrimRightInPlace(std::string& s) {
  size_t last = s.size();
  while (last > 0 && IsBlankChar(s[last - 1])) --last;
  s.resize(last);
}

std::string UpperCaseASCII(std::string_view s) {
  std::string result(s);
  for (char& c : result) c = UpperASCII(c);
  return result;
}

void UpperCaseRange(std::string& s, int from, int to) {
  const int len = static_cast<int>(s.size());
  if (to <= 0 || to > len) to = len;
  if (from < 1) from = 1;
  for (int i = from; i <= to; ++i) s[i - 1] = UpperASCII(s[i - 1]);
}

void LowerCaseInPlace(std::string& s) {
  for (char& c : s) c = LowerASCII(c);
}

std::string MakeStr(char ch, int count) {
  return count < 1 ? std::string() : std::string(static_cast<size_t>(count), ch);
}

std::string IIfStr(bool condition, const std::string& if_true, const std::string& if_false) {
  return condition ? if_true : if_false;
}

int FastStrLen(const char* p) { return p == nullptr ? 0 : static_cast<int>(std::strlen(p)); }

int CharPos(char ch, std::string_view s) {
  const size_t at = s.find(ch);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

int PosFrom(std::string_view sub, std::string_view s, int start, int last) {
  if (sub.empty() || s.empty()) return 0;
  if (start < 1) start = 1;
  const int len = static_cast<int>(s.size());
  if (last <= 0 || last > len) last = len;
  if (start > last) return 0;
  const size_t at =
      s.substr(0, static_cast<size_t>(last)).find(sub, static_cast<size_t>(start - 1));
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

int PosDelimited(std::string_view sub, std::string_view s, const CharSet& delims_before,
                 const CharSet& delims_after, bool ansi_fold) {
  if (sub.empty() || s.empty()) return 0;
  const std::string up_sub = ansi_fold ? classlib::AnsiUpperCase(sub) : UpperCaseASCII(sub);
  const std::string up_s = ansi_fold ? classlib::AnsiUpperCase(s) : UpperCaseASCII(s);
  size_t from = 0;
  while (true) {
    const size_t at = up_s.find(up_sub, from);
    if (at == std::string::npos) return 0;
    const size_t end = at + up_sub.size();
    const bool starts_word = at == 0 || InSet(delims_before, up_s[at - 1]);
    const bool ends_word = end == up_s.size() || InSet(delims_after, up_s[end]);
    if (starts_word && ends_word) return static_cast<int>(at) + 1;
    from = end;
  }
}

}  // namespace fib
