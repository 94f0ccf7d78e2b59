// Arithmetic on variants, as filter expressions evaluate it. Results keep
// the narrowest exact kind: integers, then Currency, then Double.
#include <cmath>

#include "classlib/exceptions.h"
#include "classlib/numconv.h"
#include "classlib/variant.h"
#include "classlib/variant_detail.h"

namespace classlib {

using namespace variant_detail;

namespace {

enum class Op { kAdd, kSub, kMul, kDiv };

[[noreturn]] void RaiseArithOverflow() { throw EVariantError("Arithmetic overflow"); }

Variant IntegerResult(__int128 r) {
  if (r >= INT32_MIN && r <= INT32_MAX) return static_cast<int32_t>(r);
  if (r >= INT64_MIN && r <= INT64_MAX) return static_cast<long long>(r);
  RaiseArithOverflow();
}

// An operand made numeric: Empty is 0, a Boolean its integer, a text the
// integer or double it spells (EVariantError when it spells none).
Variant Numeric(const Variant& v) {
  TVarType t = v.VType();
  if (t == varEmpty) return 0;
  if (t == varBoolean) return v.AsBoolean() ? -1 : 0;
  if (IsTextType(t)) {
    int64_t i;
    if (TryStrToInt64(v.AsString(), i)) return IntegerResult(i);
    return ToDouble(v, varDouble);
  }
  if (t == varFMTBcd || t == varSQLTimeStamp) return ToDouble(v, varDouble);
  if (IsIntegerType(t) || IsFloatType(t) || t == varCurrency) return v;
  RaiseInvalidOp();
}

Variant ConcatTexts(const Variant& a, const Variant& b) {
  if (a.VType() == varOleStr || b.VType() == varOleStr) return a.AsOleStr() + b.AsOleStr();
  return a.AsString() + b.AsString();
}

Variant IntegerOp(Op op, int64_t x, int64_t y) {
  __int128 a = x, b = y;
  switch (op) {
    case Op::kAdd: return IntegerResult(a + b);
    case Op::kSub: return IntegerResult(a - b);
    default: return IntegerResult(a * b);
  }
}

Variant CurrencyOp(Op op, const Variant& x, const Variant& y) {
  __int128 r;
  if (op == Op::kMul) {
    // Currency times an integer stays exact; two currencies round half-even.
    if (x.VType() == varCurrency && y.VType() == varCurrency) {
      try {
        return x.AsCurrency() * y.AsCurrency();
      } catch (const ERangeError&) {
        RaiseArithOverflow();
      }
    }
    r = x.VType() == varCurrency ? ScaledValue(x) * y.AsInt64() : ScaledValue(y) * x.AsInt64();
  } else {
    r = op == Op::kAdd ? ScaledValue(x) + ScaledValue(y) : ScaledValue(x) - ScaledValue(y);
  }
  if (r < INT64_MIN || r > INT64_MAX) RaiseArithOverflow();
  return Currency::FromScaled(static_cast<int64_t>(r));
}

double FloatOp(Op op, double x, double y) {
  switch (op) {
    case Op::kAdd: return x + y;
    case Op::kSub: return x - y;
    case Op::kMul: return x * y;
    default:
      if (y == 0) throw EVariantError("Division by zero");
      return x / y;
  }
}

Variant Arith(Op op, const Variant& left, const Variant& right) {
  const Variant& a = left.Deref();
  const Variant& b = right.Deref();
  if (a.VType() == varNull || b.VType() == varNull) return Variant::Null();
  // "+" joins texts; Empty beside a text is the empty text.
  bool text_a = IsTextType(a.VType()), text_b = IsTextType(b.VType());
  if (op == Op::kAdd && (text_a || text_b) && (text_a || a.VType() == varEmpty) &&
      (text_b || b.VType() == varEmpty)) {
    return ConcatTexts(a, b);
  }
  Variant x = Numeric(a), y = Numeric(b);
  TVarType tx = x.VType(), ty = y.VType();
  if (op == Op::kDiv) return FloatOp(op, x.AsDouble(), y.AsDouble());
  if (IsIntegerType(tx) && IsIntegerType(ty)) return IntegerOp(op, x.AsInt64(), y.AsInt64());
  bool currency_mix = (tx == varCurrency || IsIntegerType(tx)) &&
                      (ty == varCurrency || IsIntegerType(ty));
  if (currency_mix) return CurrencyOp(op, x, y);
  double r = FloatOp(op, x.AsDouble(), y.AsDouble());
  // A date moved by a number of days is still a date; a date minus a date
  // is a number of days.
  bool date_x = tx == varDate, date_y = ty == varDate;
  if ((op == Op::kAdd && (date_x != date_y)) || (op == Op::kSub && date_x && !date_y)) {
    return Variant::FromDate(r);
  }
  return r;
}

}  // namespace

Variant operator+(const Variant& a, const Variant& b) { return Arith(Op::kAdd, a, b); }
Variant operator-(const Variant& a, const Variant& b) { return Arith(Op::kSub, a, b); }
Variant operator*(const Variant& a, const Variant& b) { return Arith(Op::kMul, a, b); }
Variant operator/(const Variant& a, const Variant& b) { return Arith(Op::kDiv, a, b); }

Variant operator-(const Variant& v) {
  const Variant& a = v.Deref();
  if (a.VType() == varNull) return Variant::Null();
  Variant x = Numeric(a);
  switch (x.VType()) {
    case varSingle: return static_cast<float>(-x.AsDouble());
    case varDouble: return -x.AsDouble();
    case varDate: return Variant::FromDate(-x.AsDate());
    case varCurrency: {
      Currency c = x.AsCurrency();
      if (c.value == INT64_MIN) RaiseArithOverflow();
      return -c;
    }
    default: return IntegerOp(Op::kSub, 0, x.AsInt64());
  }
}

Variant VarNot(const Variant& v) {
  const Variant& a = v.Deref();
  TVarType t = a.VType();
  if (t == varNull) return Variant::Null();
  if (t == varBoolean || IsTextType(t)) return !a.AsBoolean();
  if (t == varEmpty) return -1;
  if (IsIntegerType(t)) return IntegerResult(~a.AsInt64());
  RaiseInvalidOp();
}

}  // namespace classlib
