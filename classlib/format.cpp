#include "classlib/format.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "classlib/exceptions.h"
#include "classlib/float_text.h"
#include "classlib/format_settings.h"
#include "classlib/numconv.h"

namespace classlib {

FormatArg& FormatArg::operator=(const FormatArg& other) {
  kind_ = other.kind_;
  int_ = other.int_;
  uint_ = other.uint_;
  float_ = other.float_;
  pointer_ = other.pointer_;
  char_ = other.char_;
  wide_ = other.wide_;
  text_ = kind_ == Kind::kChar ? std::string_view(&char_, 1) : other.text_;
  return *this;
}

namespace {

// Widths and precisions beyond this are typing errors, not layouts; refusing
// them keeps a stray digit run from allocating gigabytes.
constexpr int kMaxWidth = 1 << 20;
// Digits a float conversion can honour.
constexpr int kMaxFloatDigits = 18;

struct Spec {
  bool left = false;
  std::optional<int> width;
  std::optional<int> precision;
  char type = 0;  // upper case
};

class Formatter {
 public:
  Formatter(std::string_view fmt, std::span<const FormatArg> args, const TFormatSettings& fs)
      : fmt_(fmt), args_(args), fs_(fs) {}

  std::string Run() {
    std::string out;
    size_t pos = 0;
    while (pos < fmt_.size()) {
      size_t percent = fmt_.find('%', pos);
      if (percent == std::string_view::npos) percent = fmt_.size();
      out.append(fmt_, pos, percent - pos);
      if (percent == fmt_.size()) break;
      pos = percent + 1;
      if (pos < fmt_.size() && fmt_[pos] == '%') {
        out += '%';
        ++pos;
        continue;
      }
      Spec spec = ParseSpec(pos);
      out += Pad(Convert(spec, TakeArg()), spec);
    }
    return out;
  }

 private:
  [[noreturn]] void Invalid() const {
    throw EConvertError("Format '" + std::string(fmt_) + "' invalid or incompatible with argument");
  }

  const FormatArg& TakeArg() {
    if (next_ >= args_.size())
      throw EConvertError("No argument for format '" + std::string(fmt_) + "'");
    return args_[next_++];
  }

  // Digits, or "*" taking the next argument, or nothing.
  std::optional<int> ReadCount(size_t& pos) {
    if (pos < fmt_.size() && fmt_[pos] == '*') {
      ++pos;
      const FormatArg& arg = TakeArg();
      if (!arg.IsInteger()) Invalid();
      int64_t v = arg.kind() == FormatArg::Kind::kSigned ? arg.AsSigned()
                                                         : static_cast<int64_t>(arg.AsUnsigned());
      if (v > kMaxWidth || v < -kMaxWidth) Invalid();
      return static_cast<int>(v);
    }
    if (pos >= fmt_.size() || fmt_[pos] < '0' || fmt_[pos] > '9') return std::nullopt;
    int v = 0;
    for (; pos < fmt_.size() && fmt_[pos] >= '0' && fmt_[pos] <= '9'; ++pos) {
      v = v * 10 + (fmt_[pos] - '0');
      if (v > kMaxWidth) Invalid();
    }
    return v;
  }

  Spec ParseSpec(size_t& pos) {
    Spec spec;
    std::optional<int> first = ReadCount(pos);
    if (first && pos < fmt_.size() && fmt_[pos] == ':') {
      if (*first < 0) Invalid();
      next_ = static_cast<size_t>(*first);
      ++pos;
      first.reset();
    }
    if (!first) {
      if (pos < fmt_.size() && fmt_[pos] == '-') {
        spec.left = true;
        ++pos;
      }
      first = ReadCount(pos);
    }
    spec.width = first;
    if (spec.width && *spec.width < 0) {
      spec.left = true;
      spec.width = -*spec.width;
    }
    if (pos < fmt_.size() && fmt_[pos] == '.') {
      ++pos;
      spec.precision = ReadCount(pos).value_or(0);
      if (*spec.precision < 0) spec.precision.reset();
    }
    if (pos >= fmt_.size()) Invalid();
    char type = fmt_[pos++];
    spec.type = (type >= 'a' && type <= 'z') ? static_cast<char>(type - 'a' + 'A') : type;
    return spec;
  }

  std::string Pad(std::string text, const Spec& spec) const {
    if (!spec.width || static_cast<int>(text.size()) >= *spec.width) return text;
    size_t fill = static_cast<size_t>(*spec.width) - text.size();
    if (spec.left) return text.append(fill, ' ');
    return text.insert(0, fill, ' ');
  }

  std::string Convert(const Spec& spec, const FormatArg& arg) {
    switch (spec.type) {
      case 'D':
      case 'U':
        return Decimal(spec, arg);
      case 'X':
        return Hex(spec, arg);
      case 'E':
      case 'F':
      case 'G':
      case 'N':
      case 'M':
        return Float(spec, arg);
      case 'S':
        return Text(spec, arg);
      case 'P':
        if (arg.kind() != FormatArg::Kind::kPointer) Invalid();
        return UIntToHex(reinterpret_cast<uintptr_t>(arg.AsPointer()),
                         static_cast<int>(sizeof(void*) * 2));
      default:
        Invalid();
    }
  }

  // The argument's bits as an unsigned number; a narrow negative integer is
  // read as its 32-bit pattern.
  uint64_t UnsignedBits(const FormatArg& arg) const {
    if (arg.kind() == FormatArg::Kind::kUnsigned) return arg.AsUnsigned();
    uint64_t bits = static_cast<uint64_t>(arg.AsSigned());
    return arg.wide() ? bits : bits & 0xFFFFFFFFu;
  }

  std::string Decimal(const Spec& spec, const FormatArg& arg) const {
    if (!arg.IsInteger()) Invalid();
    bool negative =
        spec.type == 'D' && arg.kind() == FormatArg::Kind::kSigned && arg.AsSigned() < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(arg.AsSigned()) : UnsignedBits(arg);
    std::string digits = UIntToStr(magnitude);
    if (spec.precision && static_cast<int>(digits.size()) < *spec.precision)
      digits.insert(0, static_cast<size_t>(*spec.precision) - digits.size(), '0');
    return negative ? "-" + digits : digits;
  }

  std::string Hex(const Spec& spec, const FormatArg& arg) const {
    if (!arg.IsInteger()) Invalid();
    return UIntToHex(UnsignedBits(arg), spec.precision.value_or(0));
  }

  std::string Text(const Spec& spec, const FormatArg& arg) const {
    if (arg.kind() != FormatArg::Kind::kText && arg.kind() != FormatArg::Kind::kChar) Invalid();
    std::string_view text = arg.AsText();
    if (spec.precision && static_cast<size_t>(*spec.precision) < text.size())
      text = text.substr(0, static_cast<size_t>(*spec.precision));
    return std::string(text);
  }

  std::string Float(const Spec& spec, const FormatArg& arg) const {
    SignificantDigits exact;
    if (arg.kind() == FormatArg::Kind::kFloat) {
      std::string special = NonFiniteText(arg.AsFloat());
      if (!special.empty()) return special;
      exact = ExactDigits(arg.AsFloat());
    } else if (arg.kind() == FormatArg::Kind::kCurrency) {
      exact = ExactDigits(arg.AsCurrency());
    } else {
      Invalid();
    }
    // A currency value has up to 19 digits and all of them are exact.
    const int significant = arg.kind() == FormatArg::Kind::kCurrency ? 19 : kMaxFloatDigits;
    const char sep = fs_.DecimalSeparator;
    if (spec.type == 'E' || spec.type == 'G') {
      int digits = std::clamp(spec.precision.value_or(15), 1, kMaxFloatDigits);
      SignificantDigits d = RoundDigits(exact, digits, INT_MAX);
      return spec.type == 'E' ? ExponentText(d, digits, 3, sep) : GeneralText(d, digits, sep);
    }
    int default_decimals = spec.type == 'M' ? fs_.CurrencyDecimals : 2;
    int decimals = std::clamp(spec.precision.value_or(default_decimals), 0, kMaxFloatDigits);
    SignificantDigits d = RoundDigits(exact, significant, decimals);
    // Numbers too large for fixed point at this precision fall back to the
    // general form rather than print invented digits.
    if (d.exponent > kMaxFloatDigits) return GeneralText(d, kMaxFloatDigits, sep);
    char thousands = spec.type == 'F' ? '\0' : fs_.ThousandSeparator;
    std::string text = FixedText(d, decimals, sep, thousands);
    if (spec.type != 'M') return text;
    if (!text.empty() && text[0] == '-') return "-" + fs_.CurrencyString + text.substr(1);
    return fs_.CurrencyString + text;
  }

  std::string_view fmt_;
  std::span<const FormatArg> args_;
  const TFormatSettings& fs_;
  size_t next_ = 0;
};

}  // namespace

std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args) {
  return Format(fmt, std::span<const FormatArg>(args.begin(), args.size()), FormatSettings());
}

std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args,
                   const TFormatSettings& fs) {
  return Format(fmt, std::span<const FormatArg>(args.begin(), args.size()), fs);
}

std::string Format(std::string_view fmt, std::span<const FormatArg> args) {
  return Format(fmt, args, FormatSettings());
}

std::string Format(std::string_view fmt, std::span<const FormatArg> args,
                   const TFormatSettings& fs) {
  return Formatter(fmt, args, fs).Run();
}

}  // namespace classlib
