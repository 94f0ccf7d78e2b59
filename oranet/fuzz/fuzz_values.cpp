#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

#include "classlib/exceptions.h"
#include "oranet/fuzz/fuzz_targets.h"
#include "oranet/value_format.h"
#include "oranet/value_interval.h"
#include "oranet/value_number.h"

namespace oranet::fuzz {

namespace {

std::string_view Rest(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data + 1), size - 1};
}

// A broken invariant escapes as a foreign exception, so every driver
// reports it.
void Require(bool holds, const std::string& what) {
  if (!holds) throw std::logic_error(what);
}

void NumberBytes(std::string_view bytes) {
  oracle::OCINumber n{};
  std::memcpy(n.OCINumberPart, bytes.data(), std::min(bytes.size(), sizeof n.OCINumberPart));
  NumberToReal(n);
  try {
    NumberToInt(n);
  } catch (const classlib::Exception&) {
  }
  const std::string text = NumberToText(n);
  // A server may send digits that are not normalised (a leading zero
  // digit); below 1E-130 such a value is no NUMBER of its own any more.
  const TNumberDecimal decimal = NumberToDecimal(n);
  if (!decimal.digits.empty() && decimal.exponent <= -130) return;
  oracle::OCINumber back{};
  NumberFromText(text, back);
  Require(NumberToText(back) == text, "a NUMBER changed through its text: " + text);
}

}  // namespace

Reached RunNumberText(const uint8_t* data, size_t size) {
  if (size == 0) return Reached::kNothing;
  try {
    if (data[0] & 1) {
      oracle::OCINumber n{};
      NumberFromText(Rest(data, size), n);
      oracle::OCINumber back{};
      NumberFromText(NumberToText(n), back);
      Require(NumberCompare(n, back) == 0, "a NUMBER text did not read back to its value");
    } else {
      NumberBytes(Rest(data, size));
    }
    return Reached::kAccepted;
  } catch (const classlib::Exception&) {
    return Reached::kNothing;
  }
}

Reached RunIntervalText(const uint8_t* data, size_t size) {
  if (size == 0) return Reached::kNothing;
  TNetIntervalYM ym(nullptr);
  TNetIntervalDS ds(nullptr);
  TNetInterval& value = data[0] & 1 ? static_cast<TNetInterval&>(ds) : ym;
  const int lead = (data[0] >> 1) % 10;
  value.SetLeadPrecision(static_cast<uint8_t>(lead));
  try {
    value.FromText(Rest(data, size));
  } catch (const classlib::Exception&) {
    return Reached::kNothing;
  }
  value.Check();
  const std::string text = value.ToText(lead, 9);
  TNetIntervalYM ym2(nullptr);
  TNetIntervalDS ds2(nullptr);
  TNetInterval& back = data[0] & 1 ? static_cast<TNetInterval&>(ds2) : ym2;
  back.SetLeadPrecision(static_cast<uint8_t>(lead));
  back.FromText(text);
  Require(back.Compare(value) == 0, "an interval did not read back from its text");
  return Reached::kAccepted;
}

Reached RunDateText(const uint8_t* data, size_t size) {
  if (size == 0) return Reached::kNothing;
  static constexpr ub4 kTypes[] = {oracle::OCI_DTYPE_TIMESTAMP, oracle::OCI_DTYPE_TIMESTAMP_TZ,
                                   oracle::OCI_DTYPE_TIMESTAMP_LTZ};
  const ub4 type = kTypes[data[0] % 3];
  const std::string_view rest = Rest(data, size);
  const size_t zero = rest.find('\0');
  const std::string_view format = rest.substr(0, zero);
  const std::string_view text = zero == std::string_view::npos ? std::string_view{} : rest.substr(zero + 1);
  Reached reached = Reached::kNothing;
  try {
    TNetDateTime fixed(nullptr, type);
    fixed.Construct(2024, 2, 29, 13, 4, 5, 123456789, "-03:30");
    FormatOraDateTime(fixed, format, 6);
    TNetDateTime value(nullptr, type);
    ParseDateTimeFormat(value, text, format);
    FormatOraDateTime(value, format, 9);
    value.Check();
    reached = Reached::kAccepted;
  } catch (const classlib::Exception&) {
  }
  return reached;
}

}  // namespace oranet::fuzz
