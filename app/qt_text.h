// The window's text is QString; the libraries' text is ANSI (code page 1251).
// These are the only crossings between the two.
#pragma once

#include <QString>
#include <string>

#include "classlib/codepage.h"

namespace app {

inline std::string AnsiOf(const QString& text) {
  return classlib::Utf8ToCp1251(text.toStdString());
}

inline QString QStringOfAnsi(const std::string& ansi) {
  return QString::fromStdString(classlib::Cp1251ToUtf8(ansi));
}

}  // namespace app
