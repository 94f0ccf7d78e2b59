#include <cmath>

#include "classlib/numconv.h"
#include "fib/base/variant_routines.h"

namespace fib {

using classlib::TVarType;
using classlib::WideString;

namespace {

// Two floating values closer than this are taken as equal.
constexpr double kFloatTolerance = 1e-14;

template <typename T>
int Sign(T left, T right) {
  return left < right ? -1 : (left > right ? 1 : 0);
}

int CompareWithTolerance(double left, double right) {
  if (std::fabs(left - right) < kFloatTolerance) return 0;
  return left < right ? -1 : 1;
}

bool IsIntegerType(TVarType t) {
  switch (t) {
    case classlib::varSmallint: case classlib::varInteger: case classlib::varShortInt:
    case classlib::varByte: case classlib::varWord: case classlib::varLongWord:
    case classlib::varInt64:
      return true;
    default:
      return false;
  }
}

bool IsFloatType(TVarType t) { return t == classlib::varSingle || t == classlib::varDouble; }

bool IsNumericType(TVarType t) {
  return IsIntegerType(t) || IsFloatType(t) || t == classlib::varCurrency;
}

bool IsStringType(TVarType t) { return t == classlib::varString || t == classlib::varOleStr; }

TVarType TypeOf(const Variant& v) { return v.Deref().VType(); }

// A text meeting a number is read as a number; EConvertError when it is none.
double TextAsFloat(const Variant& v) { return classlib::StrToFloat(v.AsString()); }

// Currency values are integers scaled by 10000. Products with the scale are
// formed in 128 bits: even 64 bits overflow for integers past 9.2e14.
int CompareScaled(__int128 left, __int128 right) { return Sign(left, right); }

}  // namespace

int CompareInteger(int64_t left, const Variant& right_in) {
  const Variant& right = right_in.Deref();
  const TVarType t = right.VType();
  if (IsIntegerType(t)) return Sign(left, right.AsInt64());
  if (IsFloatType(t)) return CompareWithTolerance(static_cast<double>(left), right.AsDouble());
  if (t == classlib::varCurrency) {
    return CompareScaled(static_cast<__int128>(left) * classlib::Currency::kScale,
                         right.AsCurrency().value);
  }
  if (t == classlib::varDate) return Sign<long double>(left, right.AsDouble());
  if (IsStringType(t)) return Sign<long double>(left, TextAsFloat(right));
  return 0;
}

int CompareFloat(double left, const Variant& right_in) {
  const Variant& right = right_in.Deref();
  const TVarType t = right.VType();
  // long double holds every 64-bit integer exactly on the platforms we build for.
  if (IsIntegerType(t)) return Sign<long double>(left, right.AsInt64());
  if (IsFloatType(t)) return CompareWithTolerance(left, right.AsDouble());
  if (t == classlib::varCurrency) {
    return Sign<long double>(static_cast<long double>(left) * classlib::Currency::kScale,
                             right.AsCurrency().value);
  }
  if (t == classlib::varDate) return Sign(left, right.AsDouble());
  if (IsStringType(t)) return Sign(left, TextAsFloat(right));
  return 0;
}

int CompareCurrency(classlib::Currency left, const Variant& right_in) {
  const Variant& right = right_in.Deref();
  const TVarType t = right.VType();
  const int64_t raw = left.value;
  if (IsIntegerType(t)) {
    return CompareScaled(raw, static_cast<__int128>(right.AsInt64()) * classlib::Currency::kScale);
  }
  if (IsFloatType(t)) {
    const long double diff =
        raw - static_cast<long double>(right.AsDouble()) * classlib::Currency::kScale;
    if (std::fabs(diff / classlib::Currency::kScale) < kFloatTolerance) return 0;
    return diff < 0 ? -1 : 1;
  }
  if (t == classlib::varCurrency) return Sign(raw, right.AsCurrency().value);
  if (t == classlib::varDate) return Sign(left.ToDouble(), right.AsDouble());
  if (IsStringType(t)) return Sign(left.ToDouble(), TextAsFloat(right));
  return 0;
}

namespace {

WideString AsWideText(const Variant& right) {
  if (right.VType() == classlib::varOleStr) {
    return *static_cast<const WideString*>(right.DataPtr());
  }
  if (right.VType() == classlib::varString) {
    return classlib::AnsiToWide(*static_cast<const std::string*>(right.DataPtr()));
  }
  return classlib::VarToWideStr(right);
}

}  // namespace

int CompareWideString(const WideString& left, const Variant& right_in) {
  return Sign(left.compare(AsWideText(right_in.Deref())), 0);
}

int CompareAnsiString(const std::string& left, const Variant& right_in) {
  const Variant& right = right_in.Deref();
  if (right.VType() == classlib::varOleStr) return CompareWideString(classlib::AnsiToWide(left), right);
  if (right.VType() == classlib::varString) {
    // std::string compares bytes as unsigned values: ordinal order in code page 1251.
    return Sign(left.compare(*static_cast<const std::string*>(right.DataPtr())), 0);
  }
  return Sign(left.compare(classlib::VarToStr(right)), 0);
}

bool EqualWideString(const WideString& left, const Variant& right) {
  return left == AsWideText(right.Deref());
}

bool EqualAnsiString(const std::string& left, const Variant& right) {
  return CompareAnsiString(left, right) == 0;
}

namespace {

// The typed comparison for v1's kind; false when the kind has none.
bool CompareTyped(const Variant& v1, const Variant& v2, int& result) {
  const TVarType t = v1.VType();
  if (IsIntegerType(t)) {
    result = CompareInteger(v1.AsInt64(), v2);
  } else if (IsFloatType(t) || t == classlib::varDate) {
    result = CompareFloat(v1.AsDouble(), v2);
  } else if (t == classlib::varCurrency) {
    result = CompareCurrency(v1.AsCurrency(), v2);
  } else {
    return false;
  }
  return true;
}

}  // namespace

int CompareVariants(const Variant& v1_in, const Variant& v2) {
  const Variant& v1 = v1_in.Deref();
  int result = 0;
  if (CompareTyped(v1, v2, result)) return result;
  if (v1.VType() == classlib::varOleStr) {
    return CompareWideString(*static_cast<const WideString*>(v1.DataPtr()), v2);
  }
  if (v1.VType() == classlib::varString) {
    return CompareAnsiString(*static_cast<const std::string*>(v1.DataPtr()), v2);
  }
  const Variant& right = v2.Deref();
  if (v1 == right) return 0;
  return v1 > right ? 1 : -1;
}

bool EqualVariants(const Variant& v1_in, const Variant& v2) {
  const Variant& v1 = v1_in.Deref();
  int result = 0;
  if (CompareTyped(v1, v2, result)) return result == 0;
  if (v1.VType() == classlib::varOleStr) {
    return EqualWideString(*static_cast<const WideString*>(v1.DataPtr()), v2);
  }
  if (v1.VType() == classlib::varString) {
    return EqualAnsiString(*static_cast<const std::string*>(v1.DataPtr()), v2);
  }
  return v1 == v2.Deref();
}

bool VarTypesIncompatible(const Variant& v1, const Variant& v2) {
  const TVarType t1 = TypeOf(v1);
  const TVarType t2 = TypeOf(v2);
  if (t1 == classlib::varDate) return !IsNumericType(t2) && t2 != classlib::varDate;
  if (t1 == classlib::varBoolean) return t2 != classlib::varBoolean;
  if (t2 == classlib::varDate) return !IsNumericType(t1);
  if (t2 == classlib::varBoolean) return true;
  return IsNumericType(t1) != IsNumericType(t2);
}

bool VarArraysDiffer(const Variant& a, const Variant& b, int high_index) {
  for (int i = high_index; i >= 0; --i) {
    const Variant ea = classlib::VarArrayGet(a.Deref(), {i});
    const Variant eb = classlib::VarArrayGet(b.Deref(), {i});
    const bool null_a = classlib::VarIsNull(ea);
    if (null_a != classlib::VarIsNull(eb)) return true;
    if (!null_a && ea != eb) return true;
  }
  return false;
}

const void* ValuePtr(const Variant& v_in) {
  const Variant& v = v_in.Deref();
  const TVarType t = v.VType();
  if (IsNumericType(t) || IsStringType(t) || t == classlib::varDate ||
      t == classlib::varBoolean) {
    return v.DataPtr();
  }
  return nullptr;
}

}  // namespace fib
