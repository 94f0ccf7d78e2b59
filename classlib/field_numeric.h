// Number fields: integers of 16, 32 and 64 bits, floats, currency, and the
// two decimal kinds (ftBCD kept as a scaled Currency, ftFMTBcd as TBcd).
// Writing a value outside MinValue..MaxValue (when either is set) raises the
// range error; text that is no number raises the conversion's error.
#pragma once

#include "classlib/field.h"

namespace classlib {

// Formats shared by every number field.
class TNumericField : public TField {
  CLASSLIB_CLASS(TNumericField, TField)
 public:
  explicit TNumericField(TComponent* owner);

  const std::string& DisplayFormat() const { return display_format_; }
  void SetDisplayFormat(const std::string& format) { display_format_ = format; }
  const std::string& EditFormat() const { return edit_format_; }
  void SetEditFormat(const std::string& format) { edit_format_ = format; }

 protected:
  // The format that applies to a text of this kind: the edit text uses the
  // edit format when set, else the display format.
  const std::string& FormatFor(bool display_text) const;

 private:
  std::string display_format_;
  std::string edit_format_;
};

// Shared by the 16- and 32-bit integer fields and the unsigned word field.
class TIntegerField : public TNumericField {
  CLASSLIB_CLASS(TIntegerField, TNumericField)
 public:
  explicit TIntegerField(TComponent* owner);

  int32_t MinValue() const { return min_value_; }
  void SetMinValue(int32_t value) { min_value_ = value; }
  int32_t MaxValue() const { return max_value_; }
  void SetMaxValue(int32_t value) { max_value_ = value; }

  bool GetValue(int32_t& value) const;

 protected:
  int GetDataSize() const override { return 4; }
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  int32_t GetAsInteger() const override;
  void SetAsIntegerValue(int32_t value) override;
  int64_t GetAsLargeInt() const override;
  void SetAsLargeIntValue(int64_t value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  Currency GetAsCurrency() const override;
  void SetAsCurrencyValue(Currency value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  std::string GetTextValue(bool display_text) const override;

  // The range the storage itself allows (the type's limits); MinValue and
  // MaxValue narrow it when either is not 0.
  void SetStorageRange(int64_t min, int64_t max);
  // Stores a value in the buffer format of the data type.
  virtual void StoreInteger(int64_t value);
  virtual bool LoadInteger(int64_t& value) const;

 private:
  void CheckRange(int64_t value) const;

  int32_t min_value_ = 0;
  int32_t max_value_ = 0;
  int64_t storage_min_ = INT32_MIN;
  int64_t storage_max_ = INT32_MAX;
};

class TSmallintField : public TIntegerField {
  CLASSLIB_CLASS(TSmallintField, TIntegerField)
 public:
  explicit TSmallintField(TComponent* owner);

 protected:
  int GetDataSize() const override { return 2; }
  void StoreInteger(int64_t value) override;
  bool LoadInteger(int64_t& value) const override;
};

class TWordField : public TIntegerField {
  CLASSLIB_CLASS(TWordField, TIntegerField)
 public:
  explicit TWordField(TComponent* owner);

 protected:
  int GetDataSize() const override { return 2; }
  void StoreInteger(int64_t value) override;
  bool LoadInteger(int64_t& value) const override;
};

class TAutoIncField : public TIntegerField {
  CLASSLIB_CLASS(TAutoIncField, TIntegerField)
 public:
  explicit TAutoIncField(TComponent* owner);
};

class TLargeintField : public TNumericField {
  CLASSLIB_CLASS(TLargeintField, TNumericField)
 public:
  explicit TLargeintField(TComponent* owner);

  int64_t MinValue() const { return min_value_; }
  void SetMinValue(int64_t value) { min_value_ = value; }
  int64_t MaxValue() const { return max_value_; }
  void SetMaxValue(int64_t value) { max_value_ = value; }

  bool GetValue(int64_t& value) const;

 protected:
  int GetDataSize() const override { return 8; }
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  int32_t GetAsInteger() const override;
  void SetAsIntegerValue(int32_t value) override;
  int64_t GetAsLargeInt() const override;
  void SetAsLargeIntValue(int64_t value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  Currency GetAsCurrency() const override;
  void SetAsCurrencyValue(Currency value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  std::string GetTextValue(bool display_text) const override;

 private:
  int64_t min_value_ = 0;
  int64_t max_value_ = 0;
};

class TFloatField : public TNumericField {
  CLASSLIB_CLASS(TFloatField, TNumericField)
 public:
  explicit TFloatField(TComponent* owner);

  // Shown with the currency format when no display format is set.
  bool IsCurrency() const { return currency_; }
  void SetCurrency(bool value) { currency_ = value; }
  // Significant digits of the text form (2..15; 15 by default).
  int Precision() const { return precision_; }
  void SetPrecision(int value);
  double MinValue() const { return min_value_; }
  void SetMinValue(double value) { min_value_ = value; }
  double MaxValue() const { return max_value_; }
  void SetMaxValue(double value) { max_value_ = value; }

  bool GetValue(double& value) const;

 private:
  double ReadFloat() const;

 protected:
  int GetDataSize() const override { return 8; }
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  int32_t GetAsInteger() const override;
  void SetAsIntegerValue(int32_t value) override;
  int64_t GetAsLargeInt() const override;
  void SetAsLargeIntValue(int64_t value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  Currency GetAsCurrency() const override;
  void SetAsCurrencyValue(Currency value) override;
  TBcd GetAsBCD() const override;
  void SetAsBCDValue(const TBcd& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  std::string GetTextValue(bool display_text) const override;

 private:
  bool currency_ = false;
  int precision_ = 15;
  double min_value_ = 0;
  double max_value_ = 0;
};

class TCurrencyField : public TFloatField {
  CLASSLIB_CLASS(TCurrencyField, TFloatField)
 public:
  explicit TCurrencyField(TComponent* owner);
};

// A decimal held as Currency in the record buffer: at most four decimals;
// Size is the number of decimals (0..4) and Precision the digits in all.
class TBCDField : public TNumericField {
  CLASSLIB_CLASS(TBCDField, TNumericField)
 public:
  explicit TBCDField(TComponent* owner);

  bool IsCurrency() const { return currency_; }
  void SetCurrency(bool value) { currency_ = value; }
  int Precision() const { return precision_; }
  void SetPrecision(int value) { precision_ = value; }
  Currency MinValue() const { return min_value_; }
  void SetMinValue(Currency value) { min_value_ = value; }
  Currency MaxValue() const { return max_value_; }
  void SetMaxValue(Currency value) { max_value_ = value; }
  void CheckTypeSize(int size) const override;

  bool GetValue(Currency& value) const;

 protected:
  int GetDataSize() const override { return 8; }
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  int32_t GetAsInteger() const override;
  void SetAsIntegerValue(int32_t value) override;
  int64_t GetAsLargeInt() const override;
  void SetAsLargeIntValue(int64_t value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  Currency GetAsCurrency() const override;
  void SetAsCurrencyValue(Currency value) override;
  TBcd GetAsBCD() const override;
  void SetAsBCDValue(const TBcd& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  std::string GetTextValue(bool display_text) const override;

 private:
  // Whether the value fits Precision digits with Size decimals.
  void CheckPrecision(Currency value) const;

  bool currency_ = false;
  int precision_ = 0;
  Currency min_value_{};
  Currency max_value_{};
};

// A decimal of up to 64 digits held as TBcd; Size is the number of decimals.
class TFMTBCDField : public TNumericField {
  CLASSLIB_CLASS(TFMTBCDField, TNumericField)
 public:
  explicit TFMTBCDField(TComponent* owner);

  bool IsCurrency() const { return currency_; }
  void SetCurrency(bool value) { currency_ = value; }
  int Precision() const { return precision_; }
  void SetPrecision(int value) { precision_ = value; }
  // Limits as text ("" = none), compared as decimals.
  const std::string& MinValue() const { return min_value_; }
  void SetMinValue(const std::string& value) { min_value_ = value; }
  const std::string& MaxValue() const { return max_value_; }
  void SetMaxValue(const std::string& value) { max_value_ = value; }
  void CheckTypeSize(int size) const override;

  bool GetValue(TBcd& value) const;

 protected:
  int GetDataSize() const override { return static_cast<int>(sizeof(TBcd)); }
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  int32_t GetAsInteger() const override;
  void SetAsIntegerValue(int32_t value) override;
  int64_t GetAsLargeInt() const override;
  void SetAsLargeIntValue(int64_t value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  Currency GetAsCurrency() const override;
  void SetAsCurrencyValue(Currency value) override;
  TBcd GetAsBCD() const override;
  void SetAsBCDValue(const TBcd& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  std::string GetTextValue(bool display_text) const override;

 private:
  bool currency_ = false;
  int precision_ = 0;
  std::string min_value_;
  std::string max_value_;
};

}  // namespace classlib
