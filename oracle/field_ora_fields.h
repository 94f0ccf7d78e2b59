// The Oracle field classes: fields of the class library's data-set
// framework for columns whose record slot holds a reference to a value
// object of this layer (a cursor, a BFILE, a nested table or REF, a
// date-time, an interval, a NUMBER or an XML value). Each converts between
// that object and the framework's value views; a field whose record has no
// object reads as null.
//
// The extended field types are outside the framework's enumeration, so
// every class that sets one keeps it in a stored "DataType" property of its
// own (StoredDataType), written as an integer and read back into the type.
#pragma once

#include <string>

#include "classlib/field.h"
#include "classlib/field_blob.h"
#include "classlib/field_misc.h"
#include "classlib/field_numeric.h"
#include "dacore/field_desc.h"

namespace oracle {

class TOraCursor;
class TOraFile;
class TOraInterval;
class TOraNumber;
class TOraTimeStamp;
class TOraXML;

// The Oracle field class of a field type; nullptr for the types the class
// library's own classes hold.
classlib::TField* CreateOraField(classlib::TFieldType type, classlib::TComponent* owner);

// The field type of an Oracle column description: a nested-table column is
// a data-set field, every other kind the data type's own.
bool IsNestedTableDesc(const dacore::TFieldDesc& desc);
// An XMLTYPE column: an object column whose type is the XML type; its field
// shows and takes the document's text.
bool IsXmlDesc(const dacore::TFieldDesc& desc);

// Whether a REF field shows the reference's text instead of "(Reference)".
bool ShowReferenceText();
void SetShowReferenceText(bool value);

// A REF CURSOR column or parameter.
class TCursorField : public classlib::TField {
  CLASSLIB_CLASS(TCursorField, classlib::TField)
 public:
  explicit TCursorField(classlib::TComponent* owner);
  // The cursor of the current record; nullptr without one.
  TOraCursor* AsCursor() const;

 protected:
  int GetDataSize() const override { return sizeof(void*); }
};

// A BFILE column: read-only; null when it names neither directory nor file.
class TBFileField : public classlib::TBlobField {
  CLASSLIB_CLASS(TBFileField, classlib::TBlobField)
 public:
  explicit TBFileField(classlib::TComponent* owner);
  // The framework's blob type reads ftBlob; writing one puts the field's
  // own type back.
  int BlobType() const { return classlib::ftBlob; }
  void SetBlobType(int) { SetDataTypeValue(); }
  int StoredDataType() const { return DataType(); }
  void SetStoredDataType(int value) { SetDataType(static_cast<classlib::TFieldType>(value)); }
  // The BFILE of the current record; nullptr without one.
  TOraFile* AsFile() const;

 protected:
  bool GetIsNull() const override;
  bool GetCanModify() const override { return false; }
  std::string GetAsString() const override;
  std::string GetTextValue(bool display_text) const override;
  classlib::Variant GetAsVariant() const override;
  void SetAsStringValue(const std::string& value) override;

 private:
  void SetDataTypeValue();
  [[noreturn]] void CannotModify() const;
};

// A nested-table column. Modified is set when its nested data set posts or
// deletes a row, and cleared when the field's buffers are freed.
class TOraDataSetField : public classlib::TDataSetField {
  CLASSLIB_CLASS(TOraDataSetField, classlib::TDataSetField)
 public:
  explicit TOraDataSetField(classlib::TComponent* owner);
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  void FreeBuffers() override { modified_ = false; }

 protected:
  int GetDataSize() const override { return sizeof(void*); }
  bool GetIsNull() const override;
  std::string GetAsString() const override;
  std::string GetTextValue(bool) const override { return GetAsString(); }

 private:
  bool modified_ = false;
};

// A REF column, with the same Modified flag.
class TOraReferenceField : public classlib::TReferenceField {
  CLASSLIB_CLASS(TOraReferenceField, classlib::TReferenceField)
 public:
  explicit TOraReferenceField(classlib::TComponent* owner);
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  void FreeBuffers() override { modified_ = false; }

 protected:
  int GetDataSize() const override { return sizeof(void*); }
  bool GetIsNull() const override;
  std::string GetAsString() const override;
  std::string GetTextValue(bool) const override { return GetAsString(); }

 private:
  bool modified_ = false;
};

// An MLSLABEL column: its value is always Null.
class TLabelField : public classlib::TField {
  CLASSLIB_CLASS(TLabelField, classlib::TField)
 public:
  explicit TLabelField(classlib::TComponent* owner);
  int StoredDataType() const { return DataType(); }
  void SetStoredDataType(int value) { SetDataType(static_cast<classlib::TFieldType>(value)); }

 protected:
  classlib::Variant GetAsVariant() const override;
};

// TIMESTAMP, WITH TIME ZONE and WITH LOCAL TIME ZONE columns.
class TOraTimeStampField : public classlib::TField {
  CLASSLIB_CLASS(TOraTimeStampField, classlib::TField)
 public:
  explicit TOraTimeStampField(classlib::TComponent* owner);
  // The format model the text uses; empty: the value's own.
  const std::string& Format() const { return format_; }
  void SetFormat(const std::string& value) { format_ = value; }
  int StoredDataType() const { return DataType(); }
  void SetStoredDataType(int value) { SetDataType(static_cast<classlib::TFieldType>(value)); }
  TOraTimeStamp* AsTimeStamp() const;
  classlib::TSQLTimeStamp AsSQLTimeStamp() const;
  void SetAsSQLTimeStamp(const classlib::TSQLTimeStamp& value);

 protected:
  int GetDataSize() const override { return sizeof(void*); }
  bool GetIsNull() const override;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  classlib::TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(classlib::TDateTime value) override;
  classlib::Variant GetAsVariant() const override;
  void SetVarValue(const classlib::Variant& value) override;
  std::string GetTextValue(bool display_text) const override;

 private:
  std::string format_;
};

// INTERVAL DAY TO SECOND and YEAR TO MONTH columns.
class TOraIntervalField : public classlib::TField {
  CLASSLIB_CLASS(TOraIntervalField, classlib::TField)
 public:
  explicit TOraIntervalField(classlib::TComponent* owner);
  int LeadPrecision() const { return lead_precision_; }
  void SetLeadPrecision(int value) { lead_precision_ = value; }
  int FracPrecision() const { return frac_precision_; }
  void SetFracPrecision(int value) { frac_precision_ = value; }
  int StoredDataType() const { return DataType(); }
  void SetStoredDataType(int value) { SetDataType(static_cast<classlib::TFieldType>(value)); }
  TOraInterval* AsInterval() const;

 protected:
  int GetDataSize() const override { return sizeof(void*); }
  bool GetIsNull() const override;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  classlib::Variant GetAsVariant() const override;
  void SetVarValue(const classlib::Variant& value) override;
  std::string GetTextValue(bool) const override { return GetAsString(); }

 private:
  int lead_precision_ = 2;
  int frac_precision_ = 6;
};

// A NUMBER column kept as the server's number.
class TOraNumberField : public classlib::TNumericField {
  CLASSLIB_CLASS(TOraNumberField, classlib::TNumericField)
 public:
  explicit TOraNumberField(classlib::TComponent* owner);
  int StoredDataType() const { return DataType(); }
  void SetStoredDataType(int value) { SetDataType(static_cast<classlib::TFieldType>(value)); }
  TOraNumber* AsNumber() const;
  // Digits, signs, exponents and the locale's separators.
  bool IsValidChar(char c) const;

 protected:
  int GetDataSize() const override { return sizeof(void*); }
  bool GetIsNull() const override;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  int32_t GetAsInteger() const override;
  void SetAsIntegerValue(int32_t value) override;
  int64_t GetAsLargeInt() const override;
  void SetAsLargeIntValue(int64_t value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  classlib::Variant GetAsVariant() const override;
  void SetVarValue(const classlib::Variant& value) override;
  std::string GetTextValue(bool) const override { return GetAsString(); }
};

// An XMLTYPE column, shown as a blob whose text is the XML.
class TOraXMLField : public classlib::TField {
  CLASSLIB_CLASS(TOraXMLField, classlib::TField)
 public:
  explicit TOraXMLField(classlib::TComponent* owner);
  bool IsBlob() const override { return true; }
  int StoredDataType() const { return DataType(); }
  void SetStoredDataType(int value) { SetDataType(static_cast<classlib::TFieldType>(value)); }
  TOraXML* AsXML() const;

 protected:
  int GetDataSize() const override { return sizeof(void*); }
  bool GetIsNull() const override;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  classlib::Variant GetAsVariant() const override;
  std::string GetTextValue(bool display_text) const override;
  void SetTextValue(const std::string& text) override;
};

}  // namespace oracle
