#include "oranet/value_datetime.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "classlib/exceptions.h"
#include "oranet/value_calendar.h"
#include "oranet/value_clock.h"

namespace oranet {

namespace {

constexpr int kLocalReferenceHour = -7;
constexpr int kMinYear = -4712;
constexpr int kMaxYear = 9999;

const char* const kNotComparable = "ORA-01870 the intervals or datetimes are not mutually comparable";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int ReadZoneField(std::string_view text, size_t& at, int limit, const char* message) {
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
  int value = 0;
  int digits = 0;
  for (; digits < 2 && at < text.size() && IsDigit(text[at]); ++digits) value = value * 10 + (text[at++] - '0');
  if (digits == 0) RaiseNetException(message);
  if (negative) value = -value;
  if (value < -limit || value > limit) RaiseNetException(message);
  return value;
}

}  // namespace

void RaiseNetException(const std::string& message) { throw classlib::Exception(message); }

void ParseTimeZoneText(std::string_view text, int& hour, int& minute) {
  hour = minute = 0;
  if (text.empty()) return;
  size_t at = 0;
  hour = ReadZoneField(text, at, 13, "ORA-01874 time zone hour must be between -12 and 13");
  if (hour < -12) RaiseNetException("ORA-01874 time zone hour must be between -12 and 13");
  if (at >= text.size() || text[at] != ':') RaiseNetException("ORA-01821 date format not recognized");
  ++at;
  minute = ReadZoneField(text, at, 59, "ORA-01875 time zone minute must be between -59 and 59");
  if (at != text.size()) RaiseNetException("ORA-01821 date format not recognized");
  const bool negative = hour < 0 || (hour == 0 && text[0] == '-');
  if (negative) minute = -std::abs(minute);
}

TNetDateTime::TNetDateTime(const void* owner, ub4 descriptorType) : TNetDescriptor(owner), type_(descriptorType) {
  if (type_ == oracle::OCI_DTYPE_TIMESTAMP_LTZ) referenceHour_ = kLocalReferenceHour;
}

void TNetDateTime::SetBytes(const uint8_t* bytes, size_t size) {
  if (size != 0 && size != kDateSize && size != kTimeSize && size != kZoneSize) {
    RaiseNetException("ORA-01891 Datetime/Interval internal error");
  }
  if (size) std::memcpy(value_, bytes, size);
  size_ = size;
}

void TNetDateTime::SetSize(size_t length) {
  length = std::min(length, kZoneSize);
  if (length > size_) std::memset(value_ + size_, 0, length - size_);
  size_ = length;
}

void TNetDateTime::EnsureSize(bool withTime, bool withZone) {
  const size_t needed = withZone ? kZoneSize : withTime ? kTimeSize : kDateSize;
  if (size_ < needed) SetSize(needed);
}

void TNetDateTime::Shrink() {
  if (size_ == 0) return;
  if (size_ == kZoneSize && (value_[11] != 0 || value_[12] != 0 || type_ == oracle::OCI_DTYPE_TIMESTAMP_TZ)) return;
  if (size_ >= kTimeSize && (value_[7] | value_[8] | value_[9] | value_[10]) != 0) {
    size_ = kTimeSize;
    return;
  }
  size_ = kDateSize;
}

void CheckStorableYear(int year) {
  // The century byte keeps the century mod 100: beyond four digits the
  // year would come back as another one.
  if (year < -kMaxYear || year > kMaxYear) {
    RaiseNetException("ORA-01841 (full) year must be between -4713 and +9999, and not be 0");
  }
}

void TNetDateTime::SetDate(int year, int month, int day) {
  CheckStorableYear(year);
  EnsureSize(false, false);
  value_[0] = static_cast<uint8_t>((year / 100) % 100 + 100);
  value_[1] = static_cast<uint8_t>(year % 100 + 100);
  value_[2] = static_cast<uint8_t>(month);
  value_[3] = static_cast<uint8_t>(day);
}

void TNetDateTime::GetDate(int& year, int& month, int& day) const {
  if (IsEmpty()) {
    year = month = day = 0;
    return;
  }
  year = (value_[0] - 100) * 100 + (value_[1] - 100);
  month = value_[2];
  day = value_[3];
}

void TNetDateTime::SetTime(int hour, int minute, int second, uint32_t fraction) {
  EnsureSize(fraction != 0, false);
  value_[4] = static_cast<uint8_t>(hour + 1);
  value_[5] = static_cast<uint8_t>(minute + 1);
  value_[6] = static_cast<uint8_t>(second + 1);
  if (size_ >= kTimeSize) {
    for (int i = 0; i < 4; ++i) value_[7 + i] = static_cast<uint8_t>(fraction >> (24 - 8 * i));
  }
  Shrink();
}

void TNetDateTime::GetTime(int& hour, int& minute, int& second, uint32_t& fraction) const {
  if (IsEmpty()) {
    hour = minute = second = 0;
    fraction = 0;
    return;
  }
  hour = value_[4] - 1;
  minute = value_[5] - 1;
  second = value_[6] - 1;
  fraction = 0;
  if (size_ >= kTimeSize) {
    for (int i = 0; i < 4; ++i) fraction = fraction << 8 | value_[7 + i];
  }
}

TDateTimeParts TNetDateTime::StoredParts() const {
  TDateTimeParts p;
  GetDate(p.year, p.month, p.day);
  GetTime(p.hour, p.minute, p.second, p.fraction);
  return p;
}

void TNetDateTime::SetStoredParts(const TDateTimeParts& p) {
  SetDate(p.year, p.month, p.day);
  SetTime(p.hour, p.minute, p.second, p.fraction);
}

void TNetDateTime::SetTimeZone(int hour, int minute) {
  if (type_ != oracle::OCI_DTYPE_TIMESTAMP_TZ) return;
  EnsureSize(false, true);
  value_[11] = static_cast<uint8_t>(hour + 20);
  value_[12] = static_cast<uint8_t>(minute + 60);
  Shrink();
}

void TNetDateTime::GetTimeZoneOffset(int& hour, int& minute) const {
  hour = minute = 0;
  if (type_ == oracle::OCI_DTYPE_TIMESTAMP) {
    RaiseNetException("ORA-01878 specified field not found in datetime or interval");
  }
  if (type_ == oracle::OCI_DTYPE_TIMESTAMP_LTZ) {
    if (!IsEmpty()) LocalTimeZoneOffset(hour, minute);
  } else if (size_ == kZoneSize) {
    hour = value_[11] - 20;
    minute = value_[12] - 60;
  }
}

int TNetDateTime::ZoneMinutes() const {
  int hour = 0, minute = 0;
  if (type_ != oracle::OCI_DTYPE_TIMESTAMP) GetTimeZoneOffset(hour, minute);
  return hour * 60 + minute;
}

std::string TNetDateTime::GetTimeZoneName() const {
  int hour = 0, minute = 0;
  GetTimeZoneOffset(hour, minute);
  const bool negative = hour < 0 || (hour == 0 && minute < 0);
  char text[32];
  std::snprintf(text, sizeof text, "%c%02d:%02d", negative ? '-' : '+', std::abs(hour), std::abs(minute));
  return text;
}

int TNetDateTime::WallShiftMinutes() const {
  switch (type_) {
    case oracle::OCI_DTYPE_TIMESTAMP_TZ: return ZoneMinutes();
    case oracle::OCI_DTYPE_TIMESTAMP_LTZ: return NetClock().LocalZoneMinutes() - ReferenceZoneMinutes();
    default: return 0;
  }
}

TDateTimeParts TNetDateTime::WallParts() const {
  TDateTimeParts p = StoredParts();
  const int shift = IsEmpty() ? 0 : WallShiftMinutes();
  if (shift != 0) ShiftByMinutes(p.year, p.month, p.day, p.hour, p.minute, true, shift);
  return p;
}

void TNetDateTime::SetWallParts(const TDateTimeParts& parts) {
  TDateTimeParts p = parts;
  const int shift = WallShiftMinutes();
  if (shift != 0) ShiftByMinutes(p.year, p.month, p.day, p.hour, p.minute, false, shift);
  SetStoredParts(p);
}

void TNetDateTime::Assign(const TNetHandle& source) {
  const auto* from = dynamic_cast<const TNetDateTime*>(&source);
  if (!from) RaiseNetException(kNotComparable);
  if (from == this) return;
  std::memcpy(value_, from->value_, from->size_);
  size_ = from->size_;
  precision_ = from->precision_;
  type_ = from->type_;
  referenceHour_ = from->referenceHour_;
  referenceMinute_ = from->referenceMinute_;
}

int TNetDateTime::Compare(const TNetDateTime& other) const {
  if (type_ != other.type_ || IsEmpty() || other.IsEmpty()) RaiseNetException(kNotComparable);
  // Date, time and fraction only: values with time zone hold UTC, so the
  // zone they were written in does not change the instant.
  for (size_t i = 0; i < kTimeSize; ++i) {
    const uint8_t a = i < size_ ? value_[i] : 0;
    const uint8_t b = i < other.size_ ? other.value_[i] : 0;
    if (a != b) return a < b ? -1 : 1;
  }
  return 0;
}

ub4 TNetDateTime::Check() const {
  if (IsEmpty()) return 0;
  ub4 flags = 0;
  if (type_ == oracle::OCI_DTYPE_TIMESTAMP_TZ && size_ == kZoneSize) {
    const int hour = value_[11] - 20;
    const int minute = value_[12] - 60;
    if (hour < -12 || hour > 14 || minute < -59 || minute > 59 || (hour > 0 && minute < 0) || (hour < 0 && minute > 0)) {
      flags |= kDtInvalidTimeZone;
    }
  }
  const TDateTimeParts p = StoredParts();
  if (p.year < kMinYear || p.year > kMaxYear) flags |= kDtInvalidYear | (p.year < kMinYear ? kDtYearBelowValid : 0);
  if (p.year == 0) flags |= kDtYearZero;
  if (p.month < 1 || p.month > 12) flags |= kDtInvalidMonth | (p.month == 0 ? kDtMonthBelowValid : 0);
  if (p.day == 0 || p.day > DaysInMonthOf(p.year, p.month)) flags |= kDtInvalidDay | (p.day == 0 ? kDtDayBelowValid : 0);
  if (p.hour < 0 || p.hour > 23) flags |= kDtInvalidHour | (p.hour < 0 ? kDtHourBelowValid : 0);
  if (p.minute < 0 || p.minute > 59) flags |= kDtInvalidMinute | (p.minute < 0 ? kDtMinuteBelowValid : 0);
  if (p.second < 0 || p.second > 59) flags |= kDtInvalidSecond | (p.second < 0 ? kDtSecondBelowValid : 0);
  return flags;
}

void TNetDateTime::Construct(int year, int month, int day, int hour, int minute, int second, uint32_t fraction,
                             std::string_view zone) {
  if (type_ == oracle::OCI_DTYPE_TIMESTAMP_TZ) {
    int zoneHour = 0, zoneMinute = 0;
    ParseTimeZoneText(zone, zoneHour, zoneMinute);
    SetTimeZone(zoneHour, zoneMinute);
  }
  SetWallParts({year, month, day, hour, minute, second, fraction});
}

}  // namespace oranet
