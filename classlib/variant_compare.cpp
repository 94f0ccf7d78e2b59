// Equality and ordering of variants. The rules, in order:
//  - Null equals Null and sorts before every other value (Empty included).
//  - Arrays are equal when shape and elements are equal; they have no order.
//  - Object references, error codes and interfaces are equal when they are
//    the same; otherwise they have no order (vrNotEqual).
//  - Empty stands for the zero of the other side: 0, the empty text, False.
//  - Two texts compare ordinally by code; an ANSI text against a wide one
//    is widened first.
//  - A text against a number, date or Boolean is converted to that kind
//    (EVariantError when it cannot be); an integer text meets an integer
//    as an integer, any other number text as a double.
//  - Numbers compare by value: exactly between integers, currencies and
//    decimals, as doubles once a float or date takes part. A NaN has no order.
#include <cmath>

#include "classlib/exceptions.h"
#include "classlib/numconv.h"
#include "classlib/variant.h"
#include "classlib/variant_array_data.h"
#include "classlib/variant_detail.h"

namespace classlib {

using namespace variant_detail;

namespace {

template <typename T>
TVariantRelationship Order(const T& a, const T& b) {
  if (a == b) return vrEqual;
  if (a < b) return vrLessThan;
  if (b < a) return vrGreaterThan;
  return vrNotEqual;  // NaN
}

bool IsIdentity(TVarType t) {
  return t == varObjectRef || t == varError || t == varDispatch || t == varUnknown;
}
bool IsDateKind(TVarType t) { return t == varDate || t == varSQLTimeStamp; }
bool IsExactNumber(TVarType t) { return IsIntegerType(t) || t == varBoolean; }

TVariantRelationship Flip(TVariantRelationship r) {
  if (r == vrLessThan) return vrGreaterThan;
  if (r == vrGreaterThan) return vrLessThan;
  return r;
}

TVariantRelationship CompareTexts(const Variant& a, const Variant& b) {
  if (a.VType() == varString && b.VType() == varString) {
    // std::string compares bytes as unsigned characters.
    return Order(a.AsString(), b.AsString());
  }
  return Order(a.AsOleStr(), b.AsOleStr());
}

TVariantRelationship CompareArrays(const VarArrayData& a, const VarArrayData& b) {
  if (!a.SameShape(b)) return vrNotEqual;
  for (size_t i = 0; i < a.element_count(); ++i) {
    if (VarCompareValue(a.Get(i), b.Get(i)) != vrEqual) return vrNotEqual;
  }
  return vrEqual;
}

TVariantRelationship CompareIdentities(const Variant& a, const Variant& b) {
  if (a.VType() != b.VType()) return vrNotEqual;
  if (a.VType() == varObjectRef) return a.AsObject() == b.AsObject() ? vrEqual : vrNotEqual;
  if (a.VType() == varError) return a.AsError() == b.AsError() ? vrEqual : vrNotEqual;
  return vrNotEqual;
}

// The zero of the other side's kind, standing in for Empty.
Variant ZeroLike(TVarType t) {
  if (t == varString) return std::string();
  if (t == varOleStr) return WideString();
  if (t == varBoolean) return false;
  return 0;
}

// A text against a value of another kind: the text becomes that kind.
TVariantRelationship CompareTextWith(const Variant& text, const Variant& other) {
  TVarType t = other.VType();
  if (t == varBoolean) return Order(text.AsBoolean(), other.AsBoolean());
  if (IsDateKind(t)) return Order(text.AsDate(), other.AsDate());
  if (t == varFMTBcd) return Order(BcdCompare(text.AsFMTBcd(), other.AsFMTBcd()), 0);
  if (t == varCurrency) return Order(ToCurrency(text, varCurrency), other.AsCurrency());
  if (IsIntegerType(t)) {
    int64_t i;
    if (TryStrToInt64(text.AsString(), i)) return Order(i, other.AsInt64());
  }
  return Order(ToDouble(text, varDouble), ToDouble(other, varDouble));
}

TVariantRelationship CompareNumbers(const Variant& a, const Variant& b) {
  TVarType ta = a.VType(), tb = b.VType();
  if (ta == varFMTBcd || tb == varFMTBcd) {
    return Order(BcdCompare(a.AsFMTBcd(), b.AsFMTBcd()), 0);
  }
  if (IsExactNumber(ta) && IsExactNumber(tb)) return Order(a.AsInt64(), b.AsInt64());
  bool exact_a = IsExactNumber(ta) || ta == varCurrency;
  bool exact_b = IsExactNumber(tb) || tb == varCurrency;
  if (exact_a && exact_b) {
    return Order(ScaledValue(a), ScaledValue(b));
  }
  return Order(ToDouble(a, varDouble), ToDouble(b, varDouble));
}

}  // namespace

TVariantRelationship VarCompareValue(const Variant& left, const Variant& right) {
  const Variant& a = left.Deref();
  const Variant& b = right.Deref();
  TVarType ta = a.VType(), tb = b.VType();
  if (ta == varNull || tb == varNull) {
    if (ta == tb) return vrEqual;
    return ta == varNull ? vrLessThan : vrGreaterThan;
  }
  if ((ta & varArray) || (tb & varArray)) {
    if (a.ArrayData() && b.ArrayData()) return CompareArrays(*a.ArrayData(), *b.ArrayData());
    return vrNotEqual;
  }
  if (IsIdentity(ta) || IsIdentity(tb)) return CompareIdentities(a, b);
  if (ta == varEmpty && tb == varEmpty) return vrEqual;
  if (ta == varEmpty) return VarCompareValue(ZeroLike(tb), b);
  if (tb == varEmpty) return VarCompareValue(a, ZeroLike(ta));
  if (IsTextType(ta) && IsTextType(tb)) return CompareTexts(a, b);
  if (IsTextType(ta)) return CompareTextWith(a, b);
  if (IsTextType(tb)) return Flip(CompareTextWith(b, a));
  if (ta == varBoolean && tb == varBoolean) return Order(a.AsBoolean(), b.AsBoolean());
  return CompareNumbers(a, b);
}

bool VarSameValue(const Variant& a, const Variant& b) {
  try {
    return VarCompareValue(a, b) == vrEqual;
  } catch (const EVariantError&) {
    return false;
  } catch (const EConvertError&) {
    return false;
  }
}

bool operator==(const Variant& a, const Variant& b) { return VarCompareValue(a, b) == vrEqual; }
bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }

namespace {

TVariantRelationship Ordered(const Variant& a, const Variant& b) {
  TVariantRelationship r = VarCompareValue(a, b);
  if (r == vrNotEqual) RaiseInvalidOp();
  return r;
}

}  // namespace

bool operator<(const Variant& a, const Variant& b) { return Ordered(a, b) == vrLessThan; }
bool operator<=(const Variant& a, const Variant& b) { return Ordered(a, b) != vrGreaterThan; }
bool operator>(const Variant& a, const Variant& b) { return Ordered(a, b) == vrGreaterThan; }
bool operator>=(const Variant& a, const Variant& b) { return Ordered(a, b) != vrLessThan; }

}  // namespace classlib
