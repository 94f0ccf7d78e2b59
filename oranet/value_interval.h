// Interval descriptors, held as the bytes the database sends:
//   year to month (5 bytes): years as 32-bit big-endian + 2^31, months + 60;
//   day to second (11 bytes): days as above, hours, minutes and seconds
//   + 60 each, nanoseconds as 32-bit big-endian + 2^31.
// A negative interval has every field negative.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "oranet/oci_handle.h"

namespace oranet {

// The interval-check flags of the call interface.
constexpr ub4 kIntervalInvalidDay = 0x1;
constexpr ub4 kIntervalDayBelowValid = 0x2;
constexpr ub4 kIntervalInvalidMonth = 0x4;
constexpr ub4 kIntervalInvalidYear = 0x10;
constexpr ub4 kIntervalYearBelowValid = 0x20;
constexpr ub4 kIntervalInvalidHour = 0x40;
constexpr ub4 kIntervalInvalidMinute = 0x100;
constexpr ub4 kIntervalInvalidSecond = 0x400;
constexpr ub4 kIntervalInvalidFraction = 0x1000;

class TNetInterval : public TNetDescriptor {
 public:
  using TNetDescriptor::TNetDescriptor;

  // Sets the value to its length in zero bytes.
  virtual void AllocValue() = 0;
  // The interval-check flags (0 for a valid value).
  virtual ub4 Check() const = 0;
  // Raises "ORA-01867: the interval is invalid" and the fields' own
  // messages; the fields read before a failure stay written.
  virtual void FromText(std::string_view text) = 0;
  // Empty text for an empty value.
  virtual std::string ToText(int leadPrecision, int fracPrecision) const = 0;
  // The length of a value of this kind.
  virtual size_t ValueSize() const = 0;

  const uint8_t* Bytes() const { return value_; }
  size_t Size() const { return size_; }
  bool IsEmpty() const { return size_ == 0; }
  // Bytes as the server sends them: none or exactly ValueSize(); any other
  // length raises "ORA-01891 Datetime/Interval internal error".
  void SetBytes(const uint8_t* bytes, size_t size);

  uint8_t LeadPrecision() const { return leadPrecision_; }
  uint8_t FracPrecision() const { return fracPrecision_; }
  void SetLeadPrecision(uint8_t p) { leadPrecision_ = p; }
  void SetFracPrecision(uint8_t p) { fracPrecision_ = p; }

  // The same kind required, else "ORA-01870 the intervals or datetimes are
  // not mutually comparable"; bytes and both precisions are copied.
  void Assign(const TNetHandle& source);
  // The same kind and both non-empty, else the message above; -1, 0, 1.
  int Compare(const TNetInterval& other) const;

 protected:
  void AllocZeros();
  // A signed 32-bit field stored with its top bit inverted, at `at`.
  void PutBiased32(size_t at, int32_t value);
  int32_t GetBiased32(size_t at) const;
  // A field stored + 60 in one byte; "ORA-01867: the interval is invalid"
  // when it does not fit.
  void PutBiased8(size_t at, int value);
  int GetBiased8(size_t at) const { return value_[at] - 60; }

  uint8_t value_[11] = {};
  size_t size_ = 0;

 private:
  uint8_t leadPrecision_ = 2;
  uint8_t fracPrecision_ = 6;
};

class TNetIntervalYM : public TNetInterval {
 public:
  using TNetInterval::TNetInterval;
  ub4 HandleType() const override { return oracle::OCI_DTYPE_INTERVAL_YM; }
  size_t ValueSize() const override { return 5; }
  void AllocValue() override { AllocZeros(); }
  ub4 Check() const override;
  // "[+|-]years-months".
  void FromText(std::string_view text) override;
  // "+01-06", "-01-06".
  std::string ToText(int leadPrecision, int fracPrecision) const override;

  void SetYearMonth(int32_t years, int32_t months);
  void GetYearMonth(int32_t& years, int32_t& months) const;
};

class TNetIntervalDS : public TNetInterval {
 public:
  using TNetInterval::TNetInterval;
  ub4 HandleType() const override { return oracle::OCI_DTYPE_INTERVAL_DS; }
  size_t ValueSize() const override { return 11; }
  void AllocValue() override { AllocZeros(); }
  ub4 Check() const override;
  // "[+|-]days hours:minutes:seconds[.fraction]".
  void FromText(std::string_view text) override;
  // "+03 04:05:06.500000".
  std::string ToText(int leadPrecision, int fracPrecision) const override;

  void SetDaySecond(int32_t days, int hours, int minutes, int seconds, int32_t fraction);
  void GetDaySecond(int32_t& days, int& hours, int& minutes, int& seconds, int32_t& fraction) const;
};

}  // namespace oranet
