// TADOField: one column of an ADO data set, read and written through the
// data set's current row. Text goes in and out in code page 1251; binary
// columns hand their bytes over unchanged.
#pragma once

#include <string>

#include <QMetaType>
#include <QVariant>

namespace app {

class TCustomADODataSet;

class TADOField {
 public:
  TADOField(TCustomADODataSet& data_set, int index, std::string name, QMetaType type, int size);

  TCustomADODataSet& DataSet() const { return data_set_; }
  const std::string& FieldName() const { return name_; }
  int Index() const { return index_; }
  // Binary columns (images, varbinary, blobs without a character set).
  bool IsBlob() const { return type_.id() == QMetaType::QByteArray; }
  QMetaType DataType() const { return type_; }
  // The declared length of a text column as the server reports it (<= 0
  // when it does not).
  int Size() const { return size_; }

  // The value of the current row; invalid QVariant when the data set is empty.
  QVariant Value() const;
  bool IsNull() const;

  // Null reads as the empty text; numbers and dates as the class library
  // writes them; binary columns as their bytes.
  std::string AsString() const;
  // Null reads as 0; text must hold an integer (EConvertError otherwise);
  // a fractional number is rounded.
  int AsInteger() const;

  // Writing needs the data set in edit mode (Edit); Post stores the row.
  void SetAsString(const std::string& value);
  void SetAsInteger(int value);
  void Clear();  // the value becomes null
  void SetValue(const QVariant& value);

 private:
  TCustomADODataSet& data_set_;
  int index_;
  std::string name_;
  QMetaType type_;
  int size_;
};

// A value as the field would show it: see TADOField::AsString.
std::string VariantToAnsi(const QVariant& value);

}  // namespace app
