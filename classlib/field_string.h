// Text fields: ANSI strings (also fixed-length CHAR), UTF-16 strings, and
// GUIDs kept as their braced 38-character text.
#pragma once

#include "classlib/field.h"

namespace classlib {

class TStringField : public TField {
  CLASSLIB_CLASS(TStringField, TField)
 public:
  explicit TStringField(TComponent* owner);

  // A fixed-length (CHAR) column: the data type becomes ftFixedChar.
  bool FixedChar() const { return DataType() == ftFixedChar; }
  void SetFixedChar(bool fixed);
  // Sizes 1..8192 are valid (0 is taken for the default 20).
  void CheckTypeSize(int size) const override;

  // The text and whether it is not null, in one read.
  bool GetValue(std::string& value) const;

 protected:
  int GetDataSize() const override;
  // The browsed record's text in place: 1 with it, 0 for null, -1 when the
  // data set's own read (ReadValue) must give it.
  int DirectTextValue(std::string_view& text) const;
  bool ReadValue(std::string& value) const;
  std::string ReadString() const;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  WideString GetAsWideString() const override;
  void SetAsWideStringValue(const WideString& value) override;
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
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
};

class TWideStringField : public TStringField {
  CLASSLIB_CLASS(TWideStringField, TStringField)
 public:
  explicit TWideStringField(TComponent* owner);

  bool GetValue(WideString& value) const;

 protected:
  int GetDataSize() const override;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  WideString GetAsWideString() const override;
  void SetAsWideStringValue(const WideString& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
};

class TGuidField : public TStringField {
  CLASSLIB_CLASS(TGuidField, TStringField)
 public:
  explicit TGuidField(TComponent* owner);
  // Only the 38 characters of the braced text form.
  void CheckTypeSize(int size) const override;

 protected:
  TGUID GetAsGuid() const override;
  void SetAsGuidValue(const TGUID& value) override;
};

}  // namespace classlib
