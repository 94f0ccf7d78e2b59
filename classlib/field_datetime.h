// Date and time fields. The field side works in TDateTime; record buffers
// keep day numbers and milliseconds (see field.h), and the data set's
// DataConvert translates between the two.
#pragma once

#include "classlib/field.h"

namespace classlib {

class TDateTimeField : public TField {
  CLASSLIB_CLASS(TDateTimeField, TField)
 public:
  explicit TDateTimeField(TComponent* owner);

  // FormatDateTime picture; empty means the short date and long time forms.
  const std::string& DisplayFormat() const { return display_format_; }
  void SetDisplayFormat(const std::string& format) { display_format_ = format; }

  bool GetValue(TDateTime& value) const;

 protected:
  int GetDataSize() const override { return 8; }
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  std::string GetTextValue(bool display_text) const override;

  // The picture used when DisplayFormat is empty.
  virtual std::string DefaultFormat() const;
  // Reads a text in this field's kind (date, time or both).
  virtual TDateTime ParseText(const std::string& text) const;

 private:
  int DirectDateTime(TDateTime& value) const;
  TDateTime ReadDateTime() const;

  std::string display_format_;
};

class TDateField : public TDateTimeField {
  CLASSLIB_CLASS(TDateField, TDateTimeField)
 public:
  explicit TDateField(TComponent* owner);

 protected:
  int GetDataSize() const override { return 4; }
  std::string DefaultFormat() const override;
  TDateTime ParseText(const std::string& text) const override;
};

class TTimeField : public TDateTimeField {
  CLASSLIB_CLASS(TTimeField, TDateTimeField)
 public:
  explicit TTimeField(TComponent* owner);

 protected:
  int GetDataSize() const override { return 4; }
  std::string DefaultFormat() const override;
  TDateTime ParseText(const std::string& text) const override;
};

}  // namespace classlib
