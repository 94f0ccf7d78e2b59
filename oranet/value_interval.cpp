#include "oranet/value_interval.h"

#include <cstdlib>
#include <cstring>
#include <typeinfo>

#include "oranet/value_datetime.h"

namespace oranet {

namespace {

const char* const kInvalidInterval = "ORA-01867: the interval is invalid";
const char* const kNotComparable = "ORA-01870 the intervals or datetimes are not mutually comparable";
const char* const kLeadTooSmall = "ORA-01873: the leading pricision of interval is too small";
constexpr int kFractionDigits = 9;

// A precision as the digits of a power of ten: above 9 counts as 9, 0 as 1.
int PrecisionDigits(int precision) { return precision > 9 ? 9 : precision < 1 ? 1 : precision; }

int64_t PowerOfTen(int digits) {
  int64_t p = 1;
  for (int i = 0; i < digits; ++i) p *= 10;
  return p;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

struct TFieldRule {
  char terminator;       // 0: the field runs to the end
  int64_t max;           // largest value allowed
  const char* message;   // raised above max; null: not checked
  bool fraction = false; // nanoseconds from the first 9 digits
  bool terminatorOptional = false;
};

// Reads one field at `at` and moves past it and its terminator.
int64_t ReadIntervalField(std::string_view text, size_t& at, const TFieldRule& rule) {
  while (at < text.size() && text[at] == ' ') ++at;
  size_t end = text.size();
  size_t next = text.size();
  if (rule.terminator) {
    const size_t found = text.find(rule.terminator, at);
    if (found == std::string_view::npos) {
      if (!rule.terminatorOptional) RaiseNetException(kInvalidInterval);
    } else {
      end = found;
      next = found + 1;
    }
  }
  const std::string_view field = Trim(text.substr(at, end - at));
  at = next;
  if (field.empty() || !IsDigit(field.front())) RaiseNetException(kInvalidInterval);
  int64_t value = 0;
  int digits = 0;
  for (char c : field) {
    if (!IsDigit(c)) RaiseNetException(kInvalidInterval);
    if (rule.fraction) {
      if (digits < kFractionDigits) value = value * 10 + (c - '0');
    } else if (value <= rule.max) {
      value = value * 10 + (c - '0');  // stops growing once past the maximum
    }
    ++digits;
  }
  if (rule.fraction) {
    for (; digits < kFractionDigits; ++digits) value *= 10;
    return value;
  }
  if (value > rule.max) RaiseNetException(rule.message ? rule.message : kInvalidInterval);
  return value;
}

// Reads an optional sign; true for "-".
bool ReadSign(std::string_view text, size_t& at) {
  while (at < text.size() && text[at] == ' ') ++at;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) return text[at++] == '-';
  return false;
}

// A field's absolute value zero-padded to `width` digits (longer numbers whole).
void AppendPadded(std::string& text, int64_t value, int width) {
  const std::string digits = std::to_string(std::llabs(value));
  if (static_cast<int>(digits.size()) < width) text.append(static_cast<size_t>(width) - digits.size(), '0');
  text += digits;
}

int SignOf(int64_t v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

}  // namespace

void TNetInterval::SetBytes(const uint8_t* bytes, size_t size) {
  if (size != 0 && size != ValueSize()) RaiseNetException("ORA-01891 Datetime/Interval internal error");
  if (size) std::memcpy(value_, bytes, size);
  size_ = size;
}

void TNetInterval::AllocZeros() {
  std::memset(value_, 0, sizeof value_);
  size_ = ValueSize();
}

void TNetInterval::PutBiased32(size_t at, int32_t value) {
  const uint32_t biased = static_cast<uint32_t>(value) ^ 0x80000000u;
  for (int i = 0; i < 4; ++i) value_[at + i] = static_cast<uint8_t>(biased >> (24 - 8 * i));
}

int32_t TNetInterval::GetBiased32(size_t at) const {
  uint32_t biased = 0;
  for (int i = 0; i < 4; ++i) biased = biased << 8 | value_[at + i];
  return static_cast<int32_t>(biased ^ 0x80000000u);
}

void TNetInterval::PutBiased8(size_t at, int value) {
  if (value < -60 || value > 195) RaiseNetException(kInvalidInterval);
  value_[at] = static_cast<uint8_t>(value + 60);
}

void TNetInterval::Assign(const TNetHandle& source) {
  if (typeid(source) != typeid(*this)) RaiseNetException(kNotComparable);
  const auto& from = static_cast<const TNetInterval&>(source);
  std::memcpy(value_, from.value_, sizeof value_);
  size_ = from.size_;
  leadPrecision_ = from.leadPrecision_;
  fracPrecision_ = from.fracPrecision_;
}

int TNetInterval::Compare(const TNetInterval& other) const {
  if (typeid(other) != typeid(*this) || IsEmpty() || other.IsEmpty()) RaiseNetException(kNotComparable);
  const int c = std::memcmp(value_, other.value_, size_);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// ---- year to month ----------------------------------------------------------

void TNetIntervalYM::SetYearMonth(int32_t years, int32_t months) {
  if (IsEmpty()) AllocValue();
  PutBiased32(0, years);
  PutBiased8(4, months);
}

void TNetIntervalYM::GetYearMonth(int32_t& years, int32_t& months) const {
  if (IsEmpty()) {
    years = months = 0;
    return;
  }
  years = GetBiased32(0);
  months = GetBiased8(4);
}

ub4 TNetIntervalYM::Check() const {
  int32_t years, months;
  GetYearMonth(years, months);
  ub4 flags = 0;
  if (std::llabs(years) > PowerOfTen(PrecisionDigits(LeadPrecision())) - 1) {
    flags |= kIntervalInvalidYear | (years < 0 ? kIntervalYearBelowValid : 0u);
  }
  if (std::abs(months) >= 12 || SignOf(years) * SignOf(months) < 0) flags |= kIntervalInvalidMonth;
  return flags;
}

void TNetIntervalYM::FromText(std::string_view text) {
  size_t at = 0;
  const bool negative = ReadSign(text, at);
  const int64_t years =
      ReadIntervalField(text, at, {'-', PowerOfTen(PrecisionDigits(LeadPrecision())) - 1, kLeadTooSmall});
  SetYearMonth(static_cast<int32_t>(negative ? -years : years), 0);
  const int64_t months = ReadIntervalField(text, at, {0, 11, "ORA-01843: not a valid month"});
  SetYearMonth(static_cast<int32_t>(negative ? -years : years), static_cast<int32_t>(negative ? -months : months));
}

std::string TNetIntervalYM::ToText(int leadPrecision, int) const {
  if (IsEmpty()) return "";
  int32_t years, months;
  GetYearMonth(years, months);
  const bool negative = years != 0 ? years < 0 : months < 0;
  std::string text = negative ? "-" : "+";
  AppendPadded(text, years, PrecisionDigits(leadPrecision));
  text += '-';
  AppendPadded(text, months, 2);
  return text;
}

// ---- day to second ----------------------------------------------------------

void TNetIntervalDS::SetDaySecond(int32_t days, int hours, int minutes, int seconds, int32_t fraction) {
  if (IsEmpty()) AllocValue();
  PutBiased32(0, days);
  PutBiased8(4, hours);
  PutBiased8(5, minutes);
  PutBiased8(6, seconds);
  PutBiased32(7, fraction);
}

void TNetIntervalDS::GetDaySecond(int32_t& days, int& hours, int& minutes, int& seconds, int32_t& fraction) const {
  if (IsEmpty()) {
    days = fraction = 0;
    hours = minutes = seconds = 0;
    return;
  }
  days = GetBiased32(0);
  hours = GetBiased8(4);
  minutes = GetBiased8(5);
  seconds = GetBiased8(6);
  fraction = GetBiased32(7);
}

ub4 TNetIntervalDS::Check() const {
  int32_t days, fraction;
  int hours, minutes, seconds;
  GetDaySecond(days, hours, minutes, seconds, fraction);
  // Every field of a negative interval is negative: a field is checked by
  // its size and by a sign that agrees with the interval's.
  int sign = 0;
  for (int64_t field : {int64_t{days}, int64_t{hours}, int64_t{minutes}, int64_t{seconds}, int64_t{fraction}}) {
    if (field != 0) {
      sign = SignOf(field);
      break;
    }
  }
  auto wrongSign = [&](int64_t field) { return SignOf(field) * sign < 0; };
  ub4 flags = 0;
  if (std::llabs(days) > PowerOfTen(PrecisionDigits(LeadPrecision())) - 1 || wrongSign(days)) {
    flags |= kIntervalInvalidDay | (days < 0 ? kIntervalDayBelowValid : 0u);
  }
  if (std::abs(hours) > 23 || wrongSign(hours)) flags |= kIntervalInvalidHour;
  if (std::abs(minutes) > 59 || wrongSign(minutes)) flags |= kIntervalInvalidMinute;
  if (std::abs(seconds) > 59 || wrongSign(seconds)) flags |= kIntervalInvalidSecond;
  if (std::llabs(fraction) > 999999999 || wrongSign(fraction)) flags |= kIntervalInvalidFraction;
  return flags;
}

void TNetIntervalDS::FromText(std::string_view text) {
  size_t at = 0;
  const int s = ReadSign(text, at) ? -1 : 1;
  const int64_t days = ReadIntervalField(text, at, {' ', PowerOfTen(PrecisionDigits(LeadPrecision())) - 1, kLeadTooSmall});
  SetDaySecond(static_cast<int32_t>(s * days), 0, 0, 0, 0);
  const int64_t hours = ReadIntervalField(text, at, {':', 23, "ORA-01850 hour must be between 0 and 23"});
  SetDaySecond(static_cast<int32_t>(s * days), static_cast<int>(s * hours), 0, 0, 0);
  const int64_t minutes = ReadIntervalField(text, at, {':', 59, "ORA-01851 minutes must be between 0 and 59"});
  SetDaySecond(static_cast<int32_t>(s * days), static_cast<int>(s * hours), static_cast<int>(s * minutes), 0, 0);
  // Whole seconds may end the text.
  const int64_t seconds =
      ReadIntervalField(text, at, {'.', 59, "ORA-01852 seconds must be between 0 and 59", false, true});
  const int64_t fraction = at < text.size() ? ReadIntervalField(text, at, {0, 999999999, nullptr, true}) : 0;
  SetDaySecond(static_cast<int32_t>(s * days), static_cast<int>(s * hours), static_cast<int>(s * minutes),
               static_cast<int>(s * seconds), static_cast<int32_t>(s * fraction));
}

std::string TNetIntervalDS::ToText(int leadPrecision, int fracPrecision) const {
  if (IsEmpty()) return "";
  int32_t days, fraction;
  int hours, minutes, seconds;
  GetDaySecond(days, hours, minutes, seconds, fraction);
  bool negative = false;
  for (int64_t field : {int64_t{days}, int64_t{hours}, int64_t{minutes}, int64_t{seconds}, int64_t{fraction}}) {
    if (field != 0) {
      negative = field < 0;
      break;
    }
  }
  std::string text = negative ? "-" : "+";
  AppendPadded(text, days, PrecisionDigits(leadPrecision));
  text += ' ';
  AppendPadded(text, hours, 2);
  text += ':';
  AppendPadded(text, minutes, 2);
  text += ':';
  AppendPadded(text, seconds, 2);
  text += '.';
  std::string nanos;
  AppendPadded(nanos, fraction, kFractionDigits);
  text.append(nanos, 0, static_cast<size_t>(PrecisionDigits(fracPrecision)));
  return text;
}

}  // namespace oranet
