#include <algorithm>
#include <string_view>
#include <vector>

#include "classlib/float_text.h"
#include "classlib/format_settings.h"
#include "classlib/numconv.h"

namespace classlib {
namespace {

constexpr int kSignificant = 15;

// What one section of a picture asks for, gathered in a first pass; the
// second pass (Render) walks the section again and places the digits.
struct Picture {
  std::string_view text;
  int int_places = 0;   // "0"/"#" before the decimal point
  int min_int = 0;      // places from the first "0" before the point on
  int min_frac = 0;     // places up to the last "0" after the point
  int max_frac = 0;     // all places after the point
  bool thousands = false;
  bool exponent = false;
  bool exponent_plus = false;  // "E+" writes "+" for positive exponents
  int exponent_digits = 0;

  bool HasDigits() const { return int_places + max_frac > 0; }
};

// Quoted text runs to the matching quote (or the end of the section).
size_t SkipQuoted(std::string_view s, size_t pos) {
  size_t close = s.find(s[pos], pos + 1);
  return close == std::string_view::npos ? s.size() : close + 1;
}

bool IsExponentAt(std::string_view s, size_t pos) {
  return (s[pos] == 'E' || s[pos] == 'e') && pos + 1 < s.size() &&
         (s[pos + 1] == '+' || s[pos + 1] == '-');
}

std::vector<std::string_view> SplitSections(std::string_view format) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  for (size_t pos = 0; pos < format.size();) {
    if (format[pos] == '"' || format[pos] == '\'') {
      pos = SkipQuoted(format, pos);
    } else if (format[pos] == ';') {
      sections.push_back(format.substr(start, pos - start));
      start = ++pos;
    } else {
      ++pos;
    }
  }
  sections.push_back(format.substr(start));
  return sections;
}

Picture Analyse(std::string_view s) {
  Picture p;
  p.text = s;
  bool after_point = false;
  int first_zero = -1;
  for (size_t pos = 0; pos < s.size();) {
    char c = s[pos];
    if (c == '"' || c == '\'') {
      pos = SkipQuoted(s, pos);
      continue;
    }
    if (!p.exponent && IsExponentAt(s, pos)) {
      p.exponent = true;
      p.exponent_plus = s[pos + 1] == '+';
      for (pos += 2; pos < s.size() && s[pos] == '0' && p.exponent_digits < 4; ++pos)
        ++p.exponent_digits;
      continue;
    }
    if (c == '0' || c == '#') {
      if (after_point) {
        ++p.max_frac;
        if (c == '0') p.min_frac = p.max_frac;
      } else {
        if (c == '0' && first_zero < 0) first_zero = p.int_places;
        ++p.int_places;
      }
    } else if (c == '.') {
      after_point = true;
    } else if (c == ',') {
      p.thousands = true;
    }
    ++pos;
  }
  if (first_zero >= 0) p.min_int = p.int_places - first_zero;
  return p;
}

// The digits to place: the integer part (without the sign) and the fraction.
struct Placed {
  std::string int_digits;
  std::string frac_digits;
  int exponent = 0;
};

// Digit `index` counted from the first significant one; zeros outside.
char DigitAt(const SignificantDigits& d, int index) {
  bool inside = index >= 0 && index < static_cast<int>(d.digits.size());
  return inside ? d.digits[static_cast<size_t>(index)] : '0';
}

Placed PlaceFixed(const Picture& p, const SignificantDigits& d) {
  Placed out;
  for (int i = 0; i < d.exponent; ++i) out.int_digits += DigitAt(d, i);
  for (int i = 0; i < p.max_frac; ++i) out.frac_digits += DigitAt(d, d.exponent + i);
  return out;
}

// Scientific: the mantissa gets as many integer digits as the picture has
// places before the point, and the exponent makes up the difference.
Placed PlaceScientific(const Picture& p, const SignificantDigits& d) {
  Placed out;
  int int_count = std::max(p.int_places, 1);
  for (int i = 0; i < int_count + p.max_frac; ++i)
    (i < int_count ? out.int_digits : out.frac_digits) += DigitAt(d, i);
  out.exponent = d.IsZero() ? 0 : d.exponent - int_count;
  if (d.IsZero()) out.int_digits.clear();
  return out;
}

SignificantDigits RoundFor(const Picture& p, const SignificantDigits& exact) {
  if (!p.exponent) return RoundDigits(exact, kSignificant, p.max_frac);
  int significant = std::clamp(std::max(p.int_places, 1) + p.max_frac, 1, kSignificant);
  return RoundDigits(exact, significant, INT32_MAX);
}

class Renderer {
 public:
  Renderer(const Picture& p, Placed placed, const TFormatSettings& fs)
      : p_(p), placed_(std::move(placed)), fs_(fs) {
    std::string& ints = placed_.int_digits;
    if (!p.exponent) ints.erase(0, std::min(ints.find_first_not_of('0'), ints.size()));
    if (static_cast<int>(ints.size()) < p.min_int)
      ints.insert(0, static_cast<size_t>(p.min_int) - ints.size(), '0');
    std::string& frac = placed_.frac_digits;
    while (static_cast<int>(frac.size()) > p.min_frac && frac.back() == '0') frac.pop_back();
  }

  std::string Run() {
    std::string_view s = p_.text;
    bool after_point = false;
    for (size_t pos = 0; pos < s.size();) {
      char c = s[pos];
      if (c == '"' || c == '\'') {
        size_t end = SkipQuoted(s, pos);
        size_t close = end > pos + 1 && s[end - 1] == c ? end - 1 : end;
        out_.append(s, pos + 1, close - pos - 1);
        pos = end;
      } else if (!exponent_done_ && p_.exponent && IsExponentAt(s, pos)) {
        pos = Exponent(pos);
      } else if (c == '0' || c == '#') {
        after_point ? FracPlace() : IntPlace();
        ++pos;
      } else if (c == '.') {
        if (!after_point) Point();
        after_point = true;
        ++pos;
      } else {
        if (c != ',') out_ += c;
        ++pos;
      }
    }
    return out_;
  }

 private:
  // Integer place `int_index_` stands for the digit at position
  // int_places - 1 - int_index_ counted from the units; the first place also
  // takes every digit the picture has no room for.
  void IntPlace() {
    int position = p_.int_places - 1 - int_index_;
    if (int_index_ == 0) {
      int highest = static_cast<int>(placed_.int_digits.size()) - 1;
      EmitIntegerFrom(std::max(highest, position), position);
    } else {
      EmitDigit(position);
    }
    ++int_index_;
  }

  void EmitIntegerFrom(int high, int low = 0) {
    for (int position = high; position >= low; --position) EmitDigit(position);
  }

  void EmitDigit(int position) {
    const std::string& ints = placed_.int_digits;
    int size = static_cast<int>(ints.size());
    if (position >= size || position < 0) return;
    out_ += ints[static_cast<size_t>(size - 1 - position)];
    if (p_.thousands && position > 0 && position % 3 == 0) out_ += fs_.ThousandSeparator;
  }

  void Point() {
    // A picture without integer places ("#.00", ".00") still shows the
    // integer part, right before the point.
    if (p_.int_places == 0) EmitIntegerFrom(static_cast<int>(placed_.int_digits.size()) - 1);
    if (!placed_.frac_digits.empty()) out_ += fs_.DecimalSeparator;
  }

  void FracPlace() {
    if (frac_index_ < static_cast<int>(placed_.frac_digits.size()))
      out_ += placed_.frac_digits[static_cast<size_t>(frac_index_)];
    ++frac_index_;
  }

  size_t Exponent(size_t pos) {
    exponent_done_ = true;
    out_ += p_.text[pos];
    int e = placed_.exponent;
    if (e < 0) {
      out_ += '-';
    } else if (p_.exponent_plus) {
      out_ += '+';
    }
    std::string digits = std::to_string(e < 0 ? -e : e);
    if (static_cast<int>(digits.size()) < p_.exponent_digits)
      digits.insert(0, static_cast<size_t>(p_.exponent_digits) - digits.size(), '0');
    out_ += digits;
    return pos + 2 + static_cast<size_t>(p_.exponent_digits);
  }

  const Picture& p_;
  Placed placed_;
  const TFormatSettings& fs_;
  std::string out_;
  int int_index_ = 0;
  int frac_index_ = 0;
  bool exponent_done_ = false;
};

std::string RenderSection(const Picture& p, const SignificantDigits& d, const TFormatSettings& fs) {
  Placed placed = p.exponent ? PlaceScientific(p, d) : PlaceFixed(p, d);
  return Renderer(p, std::move(placed), fs).Run();
}

}  // namespace

std::string FormatFloat(const std::string& format, double value) {
  return FormatFloat(format, value, FormatSettings());
}

std::string FormatFloat(const std::string& format, double value, const TFormatSettings& fs) {
  std::string special = NonFiniteText(value);
  if (!special.empty()) return special;
  std::vector<std::string_view> sections = SplitSections(format);
  if (sections[0].empty()) return FloatToStr(value, fs);
  const SignificantDigits exact = ExactDigits(value);

  // A negative value takes the second section as it stands (no sign of its
  // own); without one it takes the first and a leading "-".
  bool own_negative = exact.negative && sections.size() > 1 && !sections[1].empty();
  Picture picture = Analyse(own_negative ? sections[1] : sections[0]);
  SignificantDigits rounded = RoundFor(picture, exact);
  // Whatever rounds to zero shows as an unsigned zero, through the third
  // section if there is one, else the first.
  if (rounded.IsZero()) {
    bool own_zero = sections.size() > 2 && !sections[2].empty();
    return RenderSection(Analyse(own_zero ? sections[2] : sections[0]), SignificantDigits{}, fs);
  }
  std::string text = RenderSection(picture, rounded, fs);
  return exact.negative && !own_negative ? "-" + text : text;
}

}  // namespace classlib
