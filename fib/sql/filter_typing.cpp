#include <cmath>
#include <cstdint>

#include "fib/sql/filter_ast.h"

namespace fib {

using classlib::Variant;

namespace {

bool IsText(const TFilterAst& ast) {
  return ast.constant_type == classlib::ftString || ast.constant_type == classlib::ftFixedChar;
}

void SetType(TFilterAst& constant, classlib::TFieldType type, Variant value) {
  constant.constant_type = type;
  constant.constant = std::move(value);
}

// A whole number that fits the field's type takes it; anything else is
// compared as the number it is (ID = 2.5 must not become ID = 2).
void RetypeWhole(TFilterAst& constant, classlib::TFieldType field_type) {
  using namespace classlib;
  const double value = constant.constant.AsDouble();
  double low = INT32_MIN, high = INT32_MAX;
  if (field_type == ftSmallint) low = INT16_MIN, high = INT16_MAX;
  if (field_type == ftWord) low = 0, high = UINT16_MAX;
  const TFieldType type = field_type == ftLargeint ? ftInteger : field_type;
  if (std::trunc(value) == value && value >= low && value <= high) {
    SetType(constant, type, Variant(static_cast<int32_t>(value)));
  } else {
    SetType(constant, ftFloat, Variant(value));
  }
}


}  // namespace

void TypeConstantForField(TFilterAst& constant, classlib::TFieldType field_type) {
  using namespace classlib;
  const bool is_text = IsText(constant);
  switch (field_type) {
    case ftFixedChar:
      if (is_text) constant.constant_type = ftFixedChar;
      return;
    case ftSmallint: case ftWord: case ftInteger: case ftAutoInc: case ftLargeint:
      if (constant.constant_type != ftBoolean) RetypeWhole(constant, field_type);
      return;
    case ftFloat: case ftCurrency:
      if (constant.constant_type != ftBoolean) {
        constant.constant = Variant(constant.constant.AsDouble());
        constant.constant_type = field_type;
      }
      return;
    case ftBCD: case ftFMTBcd:
      if (constant.constant_type != ftBoolean) {
        constant.constant = Variant(constant.constant.AsCurrency());
        constant.constant_type = ftBCD;
      }
      return;
    case ftBoolean:
      if (is_text) SetType(constant, ftBoolean, Variant(constant.constant.AsBoolean()));
      return;
    case ftDate: case ftTime: case ftDateTime: case ftTimeStamp:
      if (is_text) {
        SetType(constant, field_type == ftTimeStamp ? ftDateTime : field_type,
                Variant::FromDate(constant.constant.AsDate()));
      }
      return;
    default:
      return;
  }
}

}  // namespace fib
