// UTF-8 literals of the tests as the updater's ANSI text (code page 1251).
#pragma once

#include <string>

#include "classlib/codepage.h"

namespace app::testing {

inline std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

}  // namespace app::testing
