// Format: the class library's printf-like routine.
//
//   %[index:][-][width][.precision]type
//
//   d  signed decimal; a precision is the minimum number of digits (zeros
//      are added after the sign)            u  unsigned decimal
//   x  upper-case hexadecimal               p  pointer, as hexadecimal
//   s  text (or a single char); a precision cuts the text
//   e  scientific, precision = significant digits (15), "1.5E+003"
//   f  fixed, precision = decimals (2)      n  fixed with thousand separators
//   m  money: like n, after the settings' currency string, precision
//      defaults to the settings' currency decimals
//   g  general, the shortest of f and e for precision (15) digits
//   %% a percent sign
//
// "*" for the index, width or precision takes the next argument (an
// integer); a negative width from "*" left-justifies. "index:" selects an
// argument counted from 0; a following plain specifier takes the argument
// after it. A specifier whose argument is of the wrong kind raises
// EConvertError "Format '<fmt>' invalid or incompatible with argument"; too
// few arguments raise "No argument for format '<fmt>'". Argument text is
// copied as it stands, never read as a format.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "classlib/currency.h"

namespace classlib {

struct TFormatSettings;

template <typename T>
concept FormatCharType = std::same_as<T, char> || std::same_as<T, wchar_t> ||
                         std::same_as<T, char8_t> || std::same_as<T, char16_t> ||
                         std::same_as<T, char32_t>;

// One argument of Format. It converts implicitly from every integer type, bool
// (an integer, 0 or 1), char (a one-character text), float and double, text
// (const char*, std::string, std::string_view), Currency and pointers (for %p).
// Text is held by reference: an argument lives only as long as the call.
class FormatArg {
 public:
  enum class Kind { kSigned, kUnsigned, kChar, kFloat, kText, kCurrency, kPointer };

  template <std::signed_integral T>
    requires(!FormatCharType<T>)
  FormatArg(T v) : kind_(Kind::kSigned), int_(v), wide_(sizeof(T) > 4) {}
  template <std::unsigned_integral T>
    requires(!FormatCharType<T> && !std::same_as<T, bool>)
  FormatArg(T v) : kind_(Kind::kUnsigned), uint_(v), wide_(sizeof(T) > 4) {}
  FormatArg(bool v) : kind_(Kind::kSigned), int_(v ? 1 : 0) {}
  FormatArg(char c) : kind_(Kind::kChar), text_(&char_, 1), char_(c) {}
  template <std::floating_point T>
  FormatArg(T v) : kind_(Kind::kFloat), float_(static_cast<double>(v)) {}
  FormatArg(const char* s)
      : kind_(Kind::kText), text_(s ? std::string_view(s) : std::string_view()) {}
  FormatArg(const std::string& s) : kind_(Kind::kText), text_(s) {}
  FormatArg(std::string_view s) : kind_(Kind::kText), text_(s) {}
  FormatArg(Currency c) : kind_(Kind::kCurrency), int_(c.value) {}
  FormatArg(const void* p) : kind_(Kind::kPointer), pointer_(p) {}
  FormatArg(std::nullptr_t) : kind_(Kind::kPointer) {}

  // A char argument points into itself; copies must point into the copy.
  FormatArg(const FormatArg& other) { *this = other; }
  FormatArg& operator=(const FormatArg& other);

  Kind kind() const { return kind_; }
  bool IsInteger() const { return kind_ == Kind::kSigned || kind_ == Kind::kUnsigned; }
  // True for 64-bit integers; narrower ones print negatives as 32-bit
  // patterns under %u and %x.
  bool wide() const { return wide_; }
  int64_t AsSigned() const { return int_; }
  uint64_t AsUnsigned() const { return uint_; }
  double AsFloat() const { return float_; }
  Currency AsCurrency() const { return Currency{int_}; }
  std::string_view AsText() const { return text_; }
  const void* AsPointer() const { return pointer_; }

 private:
  Kind kind_ = Kind::kSigned;
  int64_t int_ = 0;
  uint64_t uint_ = 0;
  double float_ = 0;
  std::string_view text_;
  const void* pointer_ = nullptr;
  char char_ = 0;
  bool wide_ = false;
};

// With the process-wide settings (FormatSettings()), or with `fs`.
std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args);
std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args,
                   const TFormatSettings& fs);
// For argument lists built at run time (error texts passed through).
std::string Format(std::string_view fmt, std::span<const FormatArg> args);
std::string Format(std::string_view fmt, std::span<const FormatArg> args,
                   const TFormatSettings& fs);

}  // namespace classlib
