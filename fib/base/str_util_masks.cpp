// Wildcard matching: SQL LIKE masks and the symmetric "*"/"?" masks.
#include <vector>

#include "classlib/ansistr.h"
#include "fib/base/str_util.h"

namespace fib {

bool MatchesSQLLike(std::string_view s, std::string_view mask) {
  return MatchesLikeMask(s, mask, '%', '_');
}

// Walks text and mask once; on a mismatch it returns to the last any-run and
// lets it take one more character. Every wildcard, also one right after an
// any-run, keeps its meaning, and no input makes this exponential.
bool MatchesLikeMask(std::string_view s, std::string_view mask, char any_run, char any_char) {
  constexpr size_t kNone = std::string_view::npos;
  size_t si = 0;
  size_t mi = 0;
  size_t run_mask = kNone;  // mask position just after the last any-run
  size_t run_text = 0;      // text position that any-run last stopped at
  while (si < s.size()) {
    if (mi < mask.size() && mask[mi] == any_run) {
      run_mask = ++mi;
      run_text = si;
    } else if (mi < mask.size() && (mask[mi] == any_char || mask[mi] == s[si])) {
      ++si;
      ++mi;
    } else if (run_mask != kNone) {
      si = ++run_text;
      mi = run_mask;
    } else {
      return false;
    }
  }
  while (mi < mask.size() && mask[mi] == any_run) ++mi;
  return mi == mask.size();
}

std::string NormalizeMask(std::string_view mask) {
  std::string result;
  result.reserve(mask.size());
  size_t i = 0;
  while (i < mask.size()) {
    if (mask[i] != '*' && mask[i] != '?') {
      result += mask[i++];
      continue;
    }
    // A run of wildcards means "at least <number of ?> characters", and
    // with any "*" in it, "or more".
    int singles = 0;
    bool any_run = false;
    for (; i < mask.size() && (mask[i] == '*' || mask[i] == '?'); ++i) {
      if (mask[i] == '*')
        any_run = true;
      else
        ++singles;
    }
    result.append(static_cast<size_t>(singles), '?');
    if (any_run) result += '*';
  }
  return result;
}

// match[i][j]: some text is matched both by a[i..] and b[j..]. Filled from
// the ends backwards; a "*" either stands for nothing or swallows the other
// side's next character (whatever that is, a wildcard included).
bool MatchesMask(std::string_view s1, std::string_view s2) {
  const std::string a = NormalizeMask(s1);
  const std::string b = NormalizeMask(s2);
  const size_t n = a.size();
  const size_t m = b.size();
  std::vector<char> match((n + 1) * (m + 1), 0);
  auto at = [&](size_t i, size_t j) -> char& { return match[i * (m + 1) + j]; };
  for (size_t i = n + 1; i-- > 0;) {
    for (size_t j = m + 1; j-- > 0;) {
      bool ok = false;
      if (i == n && j == m) {
        ok = true;
      } else if (i < n && a[i] == '*') {
        ok = at(i + 1, j) || (j < m && at(i, j + 1));
      } else if (j < m && b[j] == '*') {
        ok = at(i, j + 1) || (i < n && at(i + 1, j));
      } else if (i < n && j < m) {
        ok = (a[i] == '?' || b[j] == '?' || a[i] == b[j]) && at(i + 1, j + 1);
      }
      at(i, j) = ok;
    }
  }
  return at(0, 0);
}

int IndexOfMask(const classlib::TStrings& list, std::string_view s, bool case_sensitive) {
  const std::string key = case_sensitive ? std::string(s) : classlib::AnsiUpperCase(s);
  for (int i = 0; i < list.Count(); ++i) {
    const std::string line = list.Strings(i);
    if (MatchesMask(case_sensitive ? line : classlib::AnsiUpperCase(line), key)) return i;
  }
  return -1;
}

}  // namespace fib
