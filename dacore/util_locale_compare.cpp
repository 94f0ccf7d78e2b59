#include "dacore/util_locale_compare.h"

#include <atomic>
#include <climits>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "dacore/util_marshal.h"
#include "dacore/util_wide_str.h"

namespace dacore {

namespace {

std::atomic<bool> win9x{false};

int Sign(int r) { return r < 0 ? -1 : r > 0 ? 1 : 0; }

int WideSort(const void* a, const void* b, int len, int flags) {
  classlib::Assert(!IsWin9x(), __FILE__, __LINE__, "Unicode support on Win9x");
  const auto wa = Marshal::ReadWideString(a, StrNLenW(a, len));
  const auto wb = Marshal::ReadWideString(b, StrNLenW(b, len));
  return Sign(classlib::WideCollate(wa, wb, flags | classlib::cfStringSort));
}

int AnsiSort(std::string_view a, std::string_view b, int flags) {
  return Sign(classlib::AnsiCollate(a, b, flags | classlib::cfStringSort));
}

}  // namespace

bool IsWin9x() { return win9x.load(); }
void SetWin9x(bool value) { win9x.store(value); }

int WideStrLComp(const void* a, const void* b, int len) { return WideSort(a, b, len, 0); }
int WideStrLIComp(const void* a, const void* b, int len) {
  return WideSort(a, b, len, classlib::cfIgnoreCase);
}
int WideStrComp(const void* a, const void* b) { return WideSort(a, b, INT_MAX, 0); }
int WideStrIComp(const void* a, const void* b) { return WideSort(a, b, INT_MAX, classlib::cfIgnoreCase); }

int AnsiStrCompSort(const char* a, const char* b) { return AnsiSort(a, b, 0); }
int AnsiStrICompSort(const char* a, const char* b) { return AnsiSort(a, b, classlib::cfIgnoreCase); }
int AnsiCompareStrSort(std::string_view a, std::string_view b) { return AnsiSort(a, b, 0); }
int AnsiCompareTextSort(std::string_view a, std::string_view b) {
  return AnsiSort(a, b, classlib::cfIgnoreCase);
}

}  // namespace dacore
