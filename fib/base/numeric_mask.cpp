#include "fib/base/numeric_mask.h"

#include <algorithm>
#include <vector>

#include "classlib/format_settings.h"
#include "fib/base/numeric_text.h"

namespace fib {

namespace {

bool IsPlaceholder(char c) { return c == '#' || c == '0'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A number text split into its parts; digits only, no leading zeros beyond
// one "0".
struct Number {
  bool negative = false;
  std::string integer;
  std::string fraction;
};

bool ParseNumber(std::string_view text, char separator, Number& number) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) number.negative = text[i++] == '-';
  while (i < text.size() && IsDigit(text[i])) number.integer += text[i++];
  if (i < text.size() && text[i] == separator) {
    ++i;
    while (i < text.size() && IsDigit(text[i])) number.fraction += text[i++];
  }
  if (i != text.size() || (number.integer.empty() && number.fraction.empty())) return false;
  number.integer.erase(0, std::min(number.integer.find_first_not_of('0'), number.integer.size()));
  if (number.integer.empty()) number.integer = "0";
  return true;
}

// Rounds half away from zero to `places` decimals, carrying into the
// integer part when the fraction overflows (9.995 to 2 places is 10.00).
void RoundFraction(Number& number, size_t places) {
  if (number.fraction.size() <= places) return;
  bool up = number.fraction[places] >= '5';
  number.fraction.resize(places);
  if (!up) return;
  std::string digits = number.integer + number.fraction;
  size_t i = digits.size();
  while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
  if (i == 0)
    digits.insert(0, 1, '1');
  else
    ++digits[i - 1];
  number.integer = digits.substr(0, digits.size() - places);
  number.fraction = digits.substr(digits.size() - places);
}

// The mask taken apart around its placeholders.
struct Picture {
  std::string prefix;       // before the first integer placeholder
  std::string integer_tail;  // between the last integer placeholder and "."
  bool has_point = false;
  std::string fraction_head;  // between "." and the first decimal placeholder
  std::string suffix;         // after the last placeholder
  size_t min_integer_digits = 0;
  size_t min_decimals = 0;
  size_t max_decimals = 0;
  bool thousands = false;
};

// The first and one-past-last placeholder of a part; first == last when none.
std::pair<size_t, size_t> PlaceholderSpan(std::string_view part) {
  auto first = std::find_if(part.begin(), part.end(), IsPlaceholder);
  if (first == part.end()) return {part.size(), part.size()};
  auto last = std::find_if(part.rbegin(), part.rend(), IsPlaceholder).base();
  return {static_cast<size_t>(first - part.begin()), static_cast<size_t>(last - part.begin())};
}

// The decimal point is the "." right before the first placeholder or the
// first "." after it; a "." in leading literal text ("No. #") is text.
size_t FindPoint(std::string_view mask) {
  size_t first = std::find_if(mask.begin(), mask.end(), IsPlaceholder) - mask.begin();
  if (first > 0 && mask[first - 1] == '.') return first - 1;
  return mask.find('.', first);
}

Picture ReadPicture(std::string_view mask) {
  Picture picture;
  picture.thousands = mask.find(',') != std::string_view::npos;
  size_t point = FindPoint(mask);
  picture.has_point = point != std::string_view::npos;
  std::string_view integer = mask.substr(0, point);
  std::string_view decimals = picture.has_point ? mask.substr(point + 1) : std::string_view();

  auto [int_first, int_end] = PlaceholderSpan(integer);
  picture.prefix = integer.substr(0, int_first);
  if (picture.has_point)
    picture.integer_tail = integer.substr(int_end);
  else
    picture.suffix = integer.substr(int_end);
  std::string_view int_digits = integer.substr(int_first, int_end - int_first);
  picture.min_integer_digits = std::count(int_digits.begin(), int_digits.end(), '0');

  auto [dec_first, dec_end] = PlaceholderSpan(decimals);
  if (picture.has_point) {
    picture.fraction_head = decimals.substr(0, dec_first);
    picture.suffix = decimals.substr(dec_end);
  }
  std::string_view dec_digits = decimals.substr(dec_first, dec_end - dec_first);
  picture.max_decimals = std::count_if(dec_digits.begin(), dec_digits.end(), IsPlaceholder);
  size_t last_zero = dec_digits.rfind('0');
  if (last_zero != std::string_view::npos)
    picture.min_decimals = std::count_if(dec_digits.begin(), dec_digits.begin() + last_zero + 1,
                                         IsPlaceholder);
  return picture;
}

std::string GroupThousands(const std::string& digits, char separator) {
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
    grouped += digits[i];
  }
  return grouped;
}

// The number rounded, padded and grouped as the picture asks, with its
// literal text around it.
std::string LayOut(Number number, const Picture& picture, bool point_first) {
  const classlib::TFormatSettings& fs = classlib::FormatSettings();
  RoundFraction(number, picture.max_decimals);
  size_t significant = number.fraction.find_last_not_of('0');
  number.fraction.resize(std::max(significant == std::string::npos ? 0 : significant + 1,
                                  picture.min_decimals),
                         '0');
  if (number.integer.size() < picture.min_integer_digits)
    number.integer.insert(0, picture.min_integer_digits - number.integer.size(), '0');
  bool zero = number.integer.find_first_not_of('0') == std::string::npos &&
              number.fraction.find_first_not_of('0') == std::string::npos;
  if (point_first && number.integer == "0") number.integer.clear();
  if (picture.thousands) number.integer = GroupThousands(number.integer, fs.ThousandSeparator);

  std::string result = number.negative && !zero ? "-" : "";
  result += picture.prefix + number.integer + picture.integer_tail;
  if (!number.fraction.empty())
    result += fs.DecimalSeparator + picture.fraction_head + number.fraction;
  return result + picture.suffix;
}

std::string FormatSection(std::string_view mask, std::string_view text) {
  if (mask.empty()) return std::string(text);
  size_t kept = mask.find_last_not_of(" \t;");
  if (kept == std::string_view::npos) return {};
  mask = mask.substr(0, kept + 1);
  if (std::none_of(mask.begin(), mask.end(), IsPlaceholder)) return std::string(mask);
  Number number;
  if (!ParseNumber(text, classlib::FormatSettings().DecimalSeparator, number))
    return std::string(text);
  return LayOut(number, ReadPicture(mask), mask[0] == '.');
}

// The positive, negative or zero section for the number's first character.
std::string_view ChooseSection(std::string_view mask, std::string_view number) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  for (size_t semicolon; (semicolon = mask.find(';', start)) != std::string_view::npos;
       start = semicolon + 1)
    sections.push_back(mask.substr(start, semicolon - start));
  sections.push_back(mask.substr(start));
  if (number[0] == '-') return sections[1];
  if (number[0] == '0' && sections.size() > 2 && IsZeroText(number)) return sections[2];
  return sections[0];
}

}  // namespace

std::string FormatNumericMask(std::string_view mask, std::string_view number, bool no_sections) {
  if (number.empty()) return {};
  if (no_sections || mask.find(';') == std::string_view::npos) return FormatSection(mask, number);
  std::string_view section = ChooseSection(mask, number);
  if (section.empty()) return std::string(number);
  // The negative section writes its own sign, or none.
  if (number[0] == '-') number.remove_prefix(1);
  return FormatSection(section, number);
}

}  // namespace fib
