#include "testing/sequence_values.h"

#include <cmath>
#include <cstdio>

namespace sequences {

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string TextValue(bool short_text, int v) {
  std::string text = std::string(short_text ? "s" : "memo ") + std::to_string(v);
  if (v % 2 == 0) {
    text += " long:";
    while (text.size() < (short_text ? 60u : 700u)) text += " text " + std::to_string(v);
  }
  return text;
}

double FloatValue(int v) { return v * 0.25 - 1.0; }

classlib::TDateTime DateValue(int v) {
  return classlib::EncodeDate(2024, 1 + v % 12, v) + classlib::EncodeTime(v, 30, v * 5, 0);
}

std::string FloatText(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

std::string DateText(classlib::TDateTime value) { return std::to_string(std::llround(value * 86400.0)); }

}  // namespace sequences
