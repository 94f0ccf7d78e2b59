// Number fields of the buffered data sets: integers with a Boolean view,
// floats rounded to their column's scale, and decimals kept as a scaled
// 64-bit integer (value * 10^Size) instead of the class library's Currency.
#pragma once

#include <cstdint>

#include "classlib/field_numeric.h"

namespace fib {

class TFIBIntegerField : public classlib::TIntegerField {
  CLASSLIB_CLASS(TFIBIntegerField, classlib::TIntegerField)
 public:
  explicit TFIBIntegerField(classlib::TComponent* owner);

 protected:
  bool GetAsBoolean() const override { return GetAsInteger() > 0; }
  void SetAsBooleanValue(bool value) override { SetAsInteger(value ? 1 : 0); }
};

class TFIBSmallIntField : public classlib::TSmallintField {
  CLASSLIB_CLASS(TFIBSmallIntField, classlib::TSmallintField)
 public:
  explicit TFIBSmallIntField(classlib::TComponent* owner);

 protected:
  bool GetAsBoolean() const override { return GetAsInteger() > 0; }
  void SetAsBooleanValue(bool value) override { SetAsInteger(value ? 1 : 0); }
};

class TFIBLargeIntField : public classlib::TLargeintField {
  CLASSLIB_CLASS(TFIBLargeIntField, classlib::TLargeintField)
 public:
  explicit TFIBLargeIntField(classlib::TComponent* owner);
};

class TFIBFloatField : public classlib::TFloatField {
  CLASSLIB_CLASS(TFIBFloatField, classlib::TFloatField)
 public:
  explicit TFIBFloatField(classlib::TComponent* owner);

  // Round written values to the column's decimals (NUMERIC/DECIMAL kept
  // as double precision).
  bool RoundByScale() const { return round_by_scale_; }
  void SetRoundByScale(bool value) { round_by_scale_ = value; }

 protected:
  void SetAsFloatValue(double value) override;
  std::string GetTextValue(bool display_text) const override;

 private:
  bool round_by_scale_ = true;
};

class TFIBBCDField : public classlib::TBCDField {
  CLASSLIB_CLASS(TFIBBCDField, classlib::TBCDField)
 public:
  explicit TFIBBCDField(classlib::TComponent* owner);

  bool RoundByScale() const { return round_by_scale_; }
  void SetRoundByScale(bool value) { round_by_scale_ = value; }
  // Size is the number of decimals, 0..18 (the range of a scaled Int64).
  void CheckTypeSize(int size) const override;
  // Whether the value differs from the one before the edit, in value or
  // in nullness.
  bool ValueChanged() const;
  // The stored scaled integer; false when null.
  bool GetScaled(int64_t& value) const;

 protected:
  int GetDataSize() const override;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  int32_t GetAsInteger() const override;
  void SetAsIntegerValue(int32_t value) override;
  int64_t GetAsLargeInt() const override;
  void SetAsLargeIntValue(int64_t value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  classlib::Currency GetAsCurrency() const override;
  void SetAsCurrencyValue(classlib::Currency value) override;
  classlib::TBcd GetAsBCD() const override;
  void SetAsBCDValue(const classlib::TBcd& value) override;
  classlib::Variant GetAsVariant() const override;
  void SetVarValue(const classlib::Variant& value) override;
  std::string GetTextValue(bool display_text) const override;
  void AssignField(const classlib::TField& source) override;

 private:
  // GetScaled for every read but the direct one (kept apart so the direct
  // read needs no stack frame).
  [[gnu::noinline]] bool GetScaledThroughDataSet(int64_t& value) const;
  // GetAsFloat and GetAsLargeInt for every read but the direct one.
  [[gnu::noinline]] double FloatThroughDataSet() const;
  [[gnu::noinline]] int64_t LargeIntThroughDataSet() const;
  // Calculated fields keep the class library's Currency form.
  bool OwnStorage() const { return !Calculated(); }
  void StoreScaled(int64_t value);
  // value * 10^Size rounded, with the range error when it does not fit.
  void StoreDouble(long double value);

  bool round_by_scale_ = true;
};

// value * 10^shift, exact for shift >= 0 and rounded half to even for a
// negative shift; false when the result does not fit an Int64.
bool RescaleInt64(int64_t value, int shift, int64_t& result);

}  // namespace fib
