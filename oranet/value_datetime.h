// Date and timestamp descriptors: the value is held as the bytes the
// database sends, so binding and fetching copy it unchanged.
//
//   0 century + 100, 1 year of century + 100 (both of the year's sign),
//   2 month, 3 day, 4 hour + 1, 5 minute + 1, 6 second + 1,
//   7-10 nanoseconds big-endian (from 11 bytes on),
//   11 zone hour + 20, 12 zone minute + 60 (13 bytes).
//
// A value with time zone (69) holds its date and time in UTC with the zone
// it was written in; a value with local time zone (70) holds them in its
// reference zone. The wall-clock accessors see the time in the value's
// own zone (69) or the machine's (70); the byte-level ones see the bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "oranet/oci_handle.h"

namespace oranet {

// The datetime-check flags of the call interface.
constexpr ub4 kDtInvalidDay = 0x1;
constexpr ub4 kDtDayBelowValid = 0x2;
constexpr ub4 kDtInvalidMonth = 0x4;
constexpr ub4 kDtMonthBelowValid = 0x8;
constexpr ub4 kDtInvalidYear = 0x10;
constexpr ub4 kDtYearBelowValid = 0x20;
constexpr ub4 kDtInvalidHour = 0x40;
constexpr ub4 kDtHourBelowValid = 0x80;
constexpr ub4 kDtInvalidMinute = 0x100;
constexpr ub4 kDtMinuteBelowValid = 0x200;
constexpr ub4 kDtInvalidSecond = 0x400;
constexpr ub4 kDtSecondBelowValid = 0x800;
constexpr ub4 kDtYearZero = 0x2000;
constexpr ub4 kDtInvalidTimeZone = 0x4000;

struct TDateTimeParts {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  uint32_t fraction = 0;  // nanoseconds
};

// Raises a plain exception with `message`: the failures of date, time and
// interval values, which the entry points turn into error results.
[[noreturn]] void RaiseNetException(const std::string& message);

class TNetDateTime : public TNetDescriptor {
 public:
  static constexpr size_t kDateSize = 7;
  static constexpr size_t kTimeSize = 11;
  static constexpr size_t kZoneSize = 13;

  // Type 68 (timestamp), 69 (with time zone) or 70 (with local time zone).
  TNetDateTime(const void* owner, ub4 descriptorType);
  ub4 HandleType() const override { return type_; }

  const uint8_t* Bytes() const { return value_; }
  size_t Size() const { return size_; }
  bool IsEmpty() const { return size_ == 0; }
  // Bytes as the server sends them: 0, 7, 11 or 13 of them; any other
  // length raises "ORA-01891 Datetime/Interval internal error".
  void SetBytes(const uint8_t* bytes, size_t size);
  // Sets the length (new bytes zero).
  virtual void SetSize(size_t length);
  void EnsureSize(bool withTime, bool withZone);
  // Cuts the value to the shortest length that loses nothing.
  void Shrink();

  uint8_t Precision() const { return precision_; }
  void SetPrecision(uint8_t precision) { precision_ = precision; }
  int ReferenceZoneMinutes() const { return referenceHour_ * 60 + referenceMinute_; }

  // The bytes' own date and time; zeros for an empty value.
  void SetDate(int year, int month, int day);
  void GetDate(int& year, int& month, int& day) const;
  void SetTime(int hour, int minute, int second, uint32_t fraction);
  void GetTime(int& hour, int& minute, int& second, uint32_t& fraction) const;
  TDateTimeParts StoredParts() const;
  void SetStoredParts(const TDateTimeParts& parts);

  // Type 69 only: the zone bytes.
  void SetTimeZone(int hour, int minute);
  // 68 raises "ORA-01878 specified field not found in datetime or
  // interval"; 70 answers the machine's zone; 69 its zone bytes.
  void GetTimeZoneOffset(int& hour, int& minute) const;
  int ZoneMinutes() const;
  // "+05:30", "-03:30".
  std::string GetTimeZoneName() const;

  // The wall-clock date and time: the stored ones moved into the value's
  // own zone (69) or the machine's (70).
  TDateTimeParts WallParts() const;
  void SetWallParts(const TDateTimeParts& parts);
  // Minutes from the stored time to the wall-clock time.
  int WallShiftMinutes() const;

  // Source must be a TNetDateTime, else "ORA-01870 the intervals or
  // datetimes are not mutually comparable"; copies bytes, precision, type.
  void Assign(const TNetHandle& source);
  // Same type and both non-empty, else the message above; -1, 0 or 1 by
  // the instant (the zone bytes do not take part).
  int Compare(const TNetDateTime& other) const;
  // The datetime-check flags (0 for a valid value).
  ub4 Check() const;
  // Zone text "[+|-]hh:mm" for type 69 (empty: +00:00); the others ignore
  // it. The date and time are wall-clock ones.
  void Construct(int year, int month, int day, int hour, int minute, int second, uint32_t fraction,
                 std::string_view zone);

 private:
  uint8_t value_[kZoneSize] = {};
  size_t size_ = 0;
  uint8_t precision_ = 9;
  ub4 type_;
  int referenceHour_ = 0;
  int referenceMinute_ = 0;
};

// Raises "ORA-01841 ..." for a year the bytes cannot hold (beyond four
// digits either way).
void CheckStorableYear(int year);

// A zone text "[+|-]hh:mm" as hour and minute (the minute takes the hour's
// sign); empty is 0:00.
void ParseTimeZoneText(std::string_view text, int& hour, int& minute);

}  // namespace oranet
