#include "classlib/ansistr.h"

#include <algorithm>

namespace classlib {

namespace {

int Length(std::string_view s) { return static_cast<int>(s.size()); }

}  // namespace

int Pos(std::string_view sub, std::string_view s) { return PosEx(sub, s, 1); }

// Code page 1251 has one byte per character, so byte and character
// positions agree.
int AnsiPos(std::string_view sub, std::string_view s) { return Pos(sub, s); }

// An empty pattern and an offset outside the text find nothing.
int PosEx(std::string_view sub, std::string_view s, int offset) {
  if (sub.empty() || offset < 1 || offset > Length(s)) return 0;
  size_t at = s.find(sub, static_cast<size_t>(offset - 1));
  return at == s.npos ? 0 : static_cast<int>(at) + 1;
}

int LastDelimiter(std::string_view delimiters, std::string_view s) {
  size_t at = s.find_last_of(delimiters);
  return at == s.npos ? 0 : static_cast<int>(at) + 1;
}

bool IsDelimiter(std::string_view delimiters, std::string_view s, int index) {
  if (index < 1 || index > Length(s)) return false;
  return delimiters.find(s[index - 1]) != delimiters.npos;
}

std::string Copy(std::string_view s, int index, int count) {
  index = std::max(index, 1);
  if (count <= 0 || index > Length(s)) return {};
  return std::string(s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count)));
}

// Out-of-range positions leave the text alone rather than clamping, as the
// platform's Delete does.
void Delete(std::string& s, int index, int count) {
  if (index < 1 || index > Length(s) || count <= 0) return;
  s.erase(static_cast<size_t>(index - 1), static_cast<size_t>(count));
}

void Insert(std::string_view src, std::string& s, int index) {
  index = std::clamp(index, 1, Length(s) + 1);
  s.insert(static_cast<size_t>(index - 1), src);
}

// Matches are found left to right without overlapping: the search resumes
// after the replaced text, never inside the replacement.
std::string StringReplace(std::string_view s, std::string_view old_pattern,
                          std::string_view new_pattern, int flags) {
  if (old_pattern.empty()) return std::string(s);
  const bool ignore_case = flags & rfIgnoreCase;
  const std::string folded_text = ignore_case ? AnsiUpperCase(s) : std::string();
  const std::string folded_pattern = ignore_case ? AnsiUpperCase(old_pattern) : std::string();
  const std::string_view text = ignore_case ? std::string_view(folded_text) : s;
  const std::string_view pattern = ignore_case ? std::string_view(folded_pattern) : old_pattern;

  std::string out;
  size_t from = 0;
  while (from <= text.size()) {
    size_t at = text.find(pattern, from);
    if (at == text.npos) break;
    out.append(s.substr(from, at - from)).append(new_pattern);
    from = at + pattern.size();
    if (!(flags & rfReplaceAll)) break;
  }
  out.append(s.substr(std::min(from, s.size())));
  return out;
}

std::vector<std::string> SplitNameList(std::string_view names) {
  std::vector<std::string> result;
  size_t start = 0;
  while (start <= names.size()) {
    size_t end = names.find(';', start);
    if (end == std::string_view::npos) end = names.size();
    std::string name = Trim(names.substr(start, end - start));
    if (!name.empty()) result.push_back(std::move(name));
    start = end + 1;
  }
  return result;
}

}  // namespace classlib
