// The stand-in's NUMBER entries. Numbers are kept in the 22-byte form of the
// call interface: a length byte, an exponent byte and base-100 digits
// (positive: exponent 193 + e, digits + 1; negative: 62 - e, 101 - digits,
// ended by 102 when there is room), so a buffer the layer hands over is a
// real NUMBER. Text goes through the format models the layer makes ("TM9",
// "9G999D9", "S9D9...EEEE") and the NLS text "NLS_NUMERIC_CHARACTERS='dg'".
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

using Guard = std::lock_guard<std::mutex>;

// value = 0.digits x 10^exponent; digits without leading or trailing zeros
// (empty for zero).
struct Decimal {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

void Normalise(Decimal& d) {
  size_t lead = d.digits.find_first_not_of('0');
  if (lead == std::string::npos) {
    d = Decimal{};
    return;
  }
  d.digits.erase(0, lead);
  d.exponent -= static_cast<int>(lead);
  d.digits.erase(d.digits.find_last_not_of('0') + 1);
}

// Plain text: [+-]digits[.digits][e[+-]digits]; false when it is none.
bool ParsePlain(const std::string& text, Decimal& out) {
  Decimal d;
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) d.negative = text[i++] == '-';
  bool any = false, point = false;
  int before = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      d.digits += c;
      if (!point) ++before;
      any = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!any) return false;
  int exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool minus = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i) {
      if (text[i] < '0' || text[i] > '9' || exponent > 1000) return false;
      exponent = exponent * 10 + (text[i] - '0');
    }
    if (minus) exponent = -exponent;
  }
  if (i != text.size()) return false;
  d.exponent = before + exponent;
  Normalise(d);
  out = d;
  return true;
}

// "TM9": the shortest plain text, without a zero before the point.
std::string ToPlain(const Decimal& d, char point) {
  if (d.digits.empty()) return "0";
  std::string text = d.negative ? "-" : "";
  const int length = static_cast<int>(d.digits.size());
  if (d.exponent <= 0) {
    text += point + std::string(static_cast<size_t>(-d.exponent), '0') + d.digits;
  } else if (d.exponent >= length) {
    text += d.digits + std::string(static_cast<size_t>(d.exponent - length), '0');
  } else {
    text += d.digits.substr(0, static_cast<size_t>(d.exponent)) + point +
            d.digits.substr(static_cast<size_t>(d.exponent));
  }
  return text;
}

bool Encode(Decimal d, OCINumber* number) {
  std::memset(number->OCINumberPart, 0, sizeof number->OCINumberPart);
  ub1* bytes = number->OCINumberPart;
  if (d.digits.empty()) {
    bytes[0] = 1;
    bytes[1] = 0x80;
    return true;
  }
  if (d.exponent % 2 != 0) {
    d.digits.insert(0, "0");
    d.exponent += 1;
  }
  if (d.digits.size() % 2 != 0) d.digits += '0';
  size_t pairs = std::min<size_t>(d.digits.size() / 2, 20);
  const int e = d.exponent / 2 - 1;
  if (e > 62 || e < -65) return false;
  bytes[1] = static_cast<ub1>(d.negative ? 62 - e : 193 + e);
  for (size_t k = 0; k < pairs; ++k) {
    int m = (d.digits[2 * k] - '0') * 10 + (d.digits[2 * k + 1] - '0');
    bytes[2 + k] = static_cast<ub1>(d.negative ? 101 - m : m + 1);
  }
  size_t length = 1 + pairs;
  if (d.negative && pairs < 20) {
    bytes[2 + pairs] = 102;
    ++length;
  }
  bytes[0] = static_cast<ub1>(length);
  return true;
}

bool DecodeNumber(const OCINumber* number, Decimal& out) {
  const ub1* bytes = number->OCINumberPart;
  const int length = bytes[0];
  if (length < 1 || length > 21) return false;
  Decimal d;
  if (length == 1 && bytes[1] == 0x80) {
    out = d;
    return true;
  }
  d.negative = !(bytes[1] & 0x80);
  const int e = d.negative ? 62 - bytes[1] : bytes[1] - 193;
  for (int k = 2; k <= length; ++k) {
    if (d.negative && bytes[k] == 102) break;
    int m = d.negative ? 101 - bytes[k] : bytes[k] - 1;
    if (m < 0 || m > 99) return false;
    d.digits += static_cast<char>('0' + m / 10);
    d.digits += static_cast<char>('0' + m % 10);
  }
  d.exponent = (e + 1) * 2;
  Normalise(d);
  out = d;
  return true;
}

int Compare(const Decimal& a, const Decimal& b) {
  auto sign = [](const Decimal& d) { return d.digits.empty() ? 0 : d.negative ? -1 : 1; };
  if (sign(a) != sign(b)) return sign(a) < sign(b) ? -1 : 1;
  if (sign(a) == 0) return 0;
  int magnitude = a.exponent != b.exponent ? (a.exponent < b.exponent ? -1 : 1)
                                           : a.digits.compare(b.digits) < 0   ? -1
                                             : a.digits.compare(b.digits) > 0 ? 1
                                                                              : 0;
  return a.negative ? -magnitude : magnitude;
}

std::string Text(const OraText* text, ub4 length) {
  return text ? std::string(reinterpret_cast<const char*>(text), length) : "";
}

// The decimal and group characters of "NLS_NUMERIC_CHARACTERS='dg'".
bool NumericCharacters(const std::string& nls, char& point, char& group) {
  point = '.';
  group = ',';
  if (nls.empty()) return true;
  size_t quote = nls.find('\'');
  if (quote == std::string::npos || quote + 3 >= nls.size() || nls[quote + 3] != '\'') return false;
  point = nls[quote + 1];
  group = nls[quote + 2];
  return true;
}

// Text read through a model the layer makes: S, 9, D, G position by
// position, or an exponent model ending in EEEE.
bool ParseWithModel(const std::string& text, const std::string& model, char point, char group,
                    Decimal& out) {
  std::string upper = Upper(model);
  std::string plain;
  if (upper == "TM9" || upper.empty()) {
    plain = text;
  } else if (upper.size() >= 4 && upper.compare(upper.size() - 4, 4, "EEEE") == 0) {
    for (char c : text) plain += c == point ? '.' : c;
  } else {
    if (text.size() != upper.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
      char m = upper[i], c = text[i];
      bool ok = (m == 'S' && (c == '+' || c == '-')) || (m == '9' && c >= '0' && c <= '9') ||
                (m == 'D' && c == point) || (m == 'G' && c == group);
      if (!ok) return false;
      if (m == 'D') plain += '.';
      else if (m != 'G') plain += c;
    }
  }
  for (char& c : plain)
    if (c == point) c = '.';
  return ParsePlain(plain, out);
}

sword BadNumber(State& state, OCIError* error) {
  return Fail(state, error, 1722, "ORA-01722: invalid number");
}

}  // namespace

extern "C" {

sword OCINumberAssign(OCIError* error, const OCINumber* from, OCINumber* to) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCINumberAssign");
  if (!Live(state, error, OCI_HTYPE_ERROR) || !from || !to) return OCI_INVALID_HANDLE;
  std::memcpy(to, from, sizeof(OCINumber));
  return OCI_SUCCESS;
}

sword OCINumberCmp(OCIError* error, const OCINumber* left, const OCINumber* right, sword* result) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCINumberCmp");
  if (!Live(state, error, OCI_HTYPE_ERROR) || !left || !right || !result) return OCI_INVALID_HANDLE;
  Decimal a, b;
  if (!DecodeNumber(left, a) || !DecodeNumber(right, b)) return BadNumber(state, error);
  *result = Compare(a, b);
  return OCI_SUCCESS;
}

sword OCINumberFromInt(OCIError* error, const void* value, uword length, uword sign_flag, OCINumber* number) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCINumberFromInt length=" + std::to_string(length) + " flag=" + std::to_string(sign_flag));
  if (!Live(state, error, OCI_HTYPE_ERROR) || !value || !number || length != 8) return OCI_INVALID_HANDLE;
  int64_t signed_value;
  std::memcpy(&signed_value, value, 8);
  std::string text = sign_flag == OCI_NUMBER_SIGNED ? std::to_string(signed_value)
                                                    : std::to_string(static_cast<uint64_t>(signed_value));
  Decimal d;
  ParsePlain(text, d);
  Encode(d, number);
  return OCI_SUCCESS;
}

sword OCINumberToInt(OCIError* error, const OCINumber* number, uword length, uword sign_flag, void* result) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCINumberToInt length=" + std::to_string(length) + " flag=" + std::to_string(sign_flag));
  if (!Live(state, error, OCI_HTYPE_ERROR) || !number || !result || length != 8) return OCI_INVALID_HANDLE;
  Decimal d;
  if (!DecodeNumber(number, d)) return BadNumber(state, error);
  // The fraction is cut off; a value beyond 64 bits overflows.
  if (d.exponent > 19) return Fail(state, error, 22053, "ORA-22053: overflow error");
  std::string whole = d.exponent <= 0 ? "0" : d.digits.substr(0, static_cast<size_t>(d.exponent));
  whole.resize(static_cast<size_t>(std::max(d.exponent, 1)), '0');
  int64_t value = 0;
  auto parsed = std::from_chars(whole.data(), whole.data() + whole.size(), value);
  if (parsed.ec != std::errc()) return Fail(state, error, 22053, "ORA-22053: overflow error");
  if (d.negative) value = -value;
  std::memcpy(result, &value, 8);
  return OCI_SUCCESS;
}

sword OCINumberFromReal(OCIError* error, const void* value, uword length, OCINumber* number) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCINumberFromReal length=" + std::to_string(length));
  if (!Live(state, error, OCI_HTYPE_ERROR) || !value || !number || length != 8) return OCI_INVALID_HANDLE;
  double real;
  std::memcpy(&real, value, 8);
  if (!std::isfinite(real)) return BadNumber(state, error);
  char buffer[64];
  auto written = std::to_chars(buffer, buffer + sizeof buffer, real);
  Decimal d;
  if (!ParsePlain(std::string(buffer, written.ptr), d) || !Encode(d, number)) return BadNumber(state, error);
  return OCI_SUCCESS;
}

sword OCINumberToReal(OCIError* error, const OCINumber* number, uword length, void* result) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCINumberToReal length=" + std::to_string(length));
  if (!Live(state, error, OCI_HTYPE_ERROR) || !number || !result || length != 8) return OCI_INVALID_HANDLE;
  Decimal d;
  if (!DecodeNumber(number, d)) return BadNumber(state, error);
  double real = d.digits.empty() ? 0.0 : std::strtod(("0." + d.digits + "e" + std::to_string(d.exponent)).c_str(), nullptr);
  if (d.negative) real = -real;
  std::memcpy(result, &real, 8);
  return OCI_SUCCESS;
}

sword OCINumberFromText(OCIError* error, const OraText* text, ub4 text_length, const OraText* format,
                        ub4 format_length, const OraText* nls, ub4 nls_length, OCINumber* number) {
  State& state = TheState();
  Guard guard(state.lock);
  std::string value = Text(text, text_length), model = Text(format, format_length);
  std::string parameters = Text(nls, nls_length);
  state.log.push_back("OCINumberFromText text=" + value + " fmt=" + model + " nls=" + parameters);
  if (sword status = InjectedStatus(state, "OCINumberFromText", error)) return status;
  if (!Live(state, error, OCI_HTYPE_ERROR) || !number) return OCI_INVALID_HANDLE;
  char point, group;
  if (!NumericCharacters(parameters, point, group))
    return Fail(state, error, 12705, "ORA-12705: invalid or unknown NLS parameter value specified");
  Decimal d;
  if (!ParseWithModel(value, model, point, group, d) || !Encode(d, number)) return BadNumber(state, error);
  return OCI_SUCCESS;
}

sword OCINumberToText(OCIError* error, const OCINumber* number, const OraText* format, ub4 format_length,
                      const OraText* nls, ub4 nls_length, ub4* buffer_size, OraText* buffer) {
  State& state = TheState();
  Guard guard(state.lock);
  std::string model = Text(format, format_length), parameters = Text(nls, nls_length);
  state.log.push_back("OCINumberToText fmt=" + model + " nls=" + parameters);
  if (!Live(state, error, OCI_HTYPE_ERROR) || !number || !buffer_size || !buffer) return OCI_INVALID_HANDLE;
  char point, group;
  if (Upper(model) != "TM9" || !NumericCharacters(parameters, point, group))
    return Fail(state, error, 1481, "ORA-01481: invalid number format model");
  Decimal d;
  if (!DecodeNumber(number, d)) return BadNumber(state, error);
  std::string text = ToPlain(d, point);
  if (text.size() > *buffer_size) return Fail(state, error, 22065, "ORA-22065: number to text translation for the given format causes overflow");
  std::memcpy(buffer, text.data(), text.size());
  *buffer_size = static_cast<ub4>(text.size());
  return OCI_SUCCESS;
}

}

namespace standin {

std::string NumberText(const OCINumber* number) {
  Decimal decimal;
  if (!DecodeNumber(number, decimal)) return "?";
  return ToPlain(decimal, '.');
}

}  // namespace standin

namespace standin {

bool NumberFromText(const std::string& text, OCINumber* number) {
  Decimal decimal;
  return ParsePlain(text, decimal) && Encode(decimal, number);
}

}  // namespace standin
