// Text fields of the buffered data sets: ANSI text that may travel as UTF-8
// on UNICODE_FSS connections, the row key shown in hexadecimal, and wide
// text kept as UTF-8 in the record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "classlib/field_string.h"

namespace fib {

class IFIBFieldsOwner;

// Direct-read forms of a text column (classlib::TField::TDirectSlot): the
// record holds the length in 4 bytes, then the bytes; with the trimmed form
// trailing blanks are no part of the value. A data set gives them only to
// text columns other than the row key whose width fits the field. The flag
// kDirectUnicodeConnection is added when the connection may carry the text
// as UTF-8 (the field's column decides); without it the text is ANSI.
inline constexpr int kDirectTextForm = 1;
inline constexpr int kDirectTrimmedTextForm = 2;
inline constexpr int kDirectUnicodeConnection = 4;

class TFIBStringField : public classlib::TStringField {
  CLASSLIB_CLASS(TFIBStringField, classlib::TStringField)
 public:
  explicit TFIBStringField(classlib::TComponent* owner);

  // Whether the data set turns an empty text into null when it is written.
  bool EmptyStrToNull() const { return empty_str_to_null_; }
  void SetEmptyStrToNull(bool value) { empty_str_to_null_ = value; }
  // Set while a text is being written (the data set asks during the write).
  bool Writing() const { return writing_; }
  // Bytes of the last text written, after any UTF-8 encoding.
  int LastWrittenLength() const { return last_length_; }
  // The row key column (its layout descriptor says so).
  bool IsDBKey() const;

  void SetDataSet(classlib::TDataSet* data_set) override;
  // Any size that is not negative: the server's columns may be longer than
  // the class library's limit.
  void CheckTypeSize(int size) const override;
  void Clear() override;

 protected:
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  classlib::Variant GetAsVariant() const override;

 private:
  // The raw value in value_; false when null.
  bool ReadRaw() const;
  // Every read but the direct one: the row key, other states, other forms.
  std::string ReadThroughDataSet() const;
  std::string DBKeyText() const;
  // Whether text crosses the record as UTF-8.
  bool Utf8Text() const;
  // The data set's owner interface, looked up once per data set: every
  // value read asks it, and the lookup is a cross-cast.
  IFIBFieldsOwner* Owner() const;

  bool empty_str_to_null_ = false;
  bool writing_ = false;
  mutable int charset_id_ = -1;
  int last_length_ = 0;
  mutable std::vector<char> value_;
  mutable const classlib::TDataSet* owner_of_ = nullptr;
  mutable IFIBFieldsOwner* owner_ = nullptr;
};

// Wide text: the record holds it as UTF-8 plus a terminator, up to three
// bytes per character.
class TFIBWideStringField : public classlib::TWideStringField {
  CLASSLIB_CLASS(TFIBWideStringField, classlib::TWideStringField)
 public:
  explicit TFIBWideStringField(classlib::TComponent* owner);

 protected:
  int GetDataSize() const override { return Size() * 3 + 1; }
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  classlib::WideString GetAsWideString() const override;
  void SetAsWideStringValue(const classlib::WideString& value) override;
  classlib::Variant GetAsVariant() const override;
  void SetVarValue(const classlib::Variant& value) override;

 private:
  bool ReadUtf8(std::string& text) const;
};

// The longest prefix of text that fits `capacity` bytes without cutting a
// UTF-8 sequence apart (for plain ANSI text simply the first bytes).
std::string FitText(const std::string& text, std::size_t capacity, bool utf8);

}  // namespace fib
