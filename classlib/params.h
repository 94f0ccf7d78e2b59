// TParam and TParams: the named, typed values a statement is executed with.
//
// A parameter holds its value as a Variant together with a field type that
// says how a driver binds it. The typed setters (SetAsInteger, SetAsString,
// ...) set the type as well as the value; setting the type alone converts the
// value held to the new type where a conversion exists, and clears it where
// the value does not convert. Reading a null parameter through a typed view
// answers the type's zero (0, "", False) rather than raising.
//
// The accessors are virtual: data-access layers keep large values (blobs,
// driver objects) outside the Variant and override them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/collection.h"
#include "classlib/db_types.h"
#include "classlib/variant.h"

namespace classlib {

class TField;
class TParams;
class TStream;

using TBlobData = std::string;  // blob bytes, held as a byte string

class TParam : public TCollectionItem {
  CLASSLIB_CLASS(TParam, TCollectionItem)
 public:
  explicit TParam(TCollection* params);
  TParam(TParams* params, TParamType param_type);

  // ---- Identity
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  std::string DisplayName() const override;
  TParamType ParamType() const { return param_type_; }
  void SetParamType(TParamType type) { param_type_ = type; }
  // Whether a value was given (set by every value setter, kept by Clear).
  bool Bound() const { return bound_; }
  void SetBound(bool bound) { bound_ = bound; }
  // The first parameter of the collection with this one's name (names
  // compared case-insensitively); this one when it has no collection or name.
  TParam* ParamRef();

  // ---- Type and size
  virtual TFieldType DataType() const;
  virtual void SetDataType(TFieldType type);
  virtual int Size() const;
  virtual void SetSize(int size);
  int Precision() const { return precision_; }
  void SetPrecision(int precision) { precision_ = precision; }
  int NumericScale() const { return numeric_scale_; }
  void SetNumericScale(int scale) { numeric_scale_ = scale; }
  // Bytes the value takes in a record buffer of its type. EDatabaseError for
  // an unknown type or a type that has no buffer form.
  virtual int GetDataSize() const;

  // ---- Value
  virtual Variant Value() const;
  // Stores the value; a parameter of unknown type takes the type the
  // Variant's kind implies. Marks the parameter bound unless the value is
  // Unassigned.
  virtual void SetValue(const Variant& value);
  virtual bool IsNull() const;
  virtual void Clear();
  virtual std::string Text() const;
  // Stores the text as the value, keeping the type.
  virtual void SetText(const std::string& text);

  // ---- Typed views. A getter converts the value (EVariantError when it
  // does not convert); a setter also sets the type named after it.
  virtual std::string AsString() const;
  virtual void SetAsString(const std::string& value);  // keeps ftFixedChar
  virtual WideString AsWideString() const;
  virtual void SetAsWideString(const WideString& value);  // keeps ftFixedWideChar
  virtual int32_t AsInteger() const;
  virtual void SetAsInteger(int32_t value);
  int32_t AsSmallInt() const { return AsInteger(); }
  virtual void SetAsSmallInt(int32_t value);  // EVariantError past 16 bits
  int32_t AsWord() const { return AsInteger(); }
  virtual void SetAsWord(int32_t value);  // EVariantError outside 0..65535
  virtual int64_t AsLargeInt() const;
  virtual void SetAsLargeInt(int64_t value);
  virtual double AsFloat() const;
  virtual void SetAsFloat(double value);
  virtual Currency AsCurrency() const;
  virtual void SetAsCurrency(Currency value);
  Currency AsBCD() const { return AsCurrency(); }
  virtual void SetAsBCD(Currency value);
  virtual TBcd AsFMTBCD() const;
  virtual void SetAsFMTBCD(const TBcd& value);
  virtual bool AsBoolean() const;
  virtual void SetAsBoolean(bool value);
  virtual TDateTime AsDateTime() const;
  virtual void SetAsDateTime(TDateTime value);
  TDateTime AsDate() const { return AsDateTime(); }
  virtual void SetAsDate(TDateTime value);
  TDateTime AsTime() const { return AsDateTime(); }
  virtual void SetAsTime(TDateTime value);
  virtual TSQLTimeStamp AsSQLTimeStamp() const;
  virtual void SetAsSQLTimeStamp(const TSQLTimeStamp& value);
  std::string AsMemo() const { return AsString(); }
  virtual void SetAsMemo(const std::string& value);
  TBlobData AsBlob() const { return AsString(); }
  virtual void SetAsBlob(const TBlobData& value);
  // A byte array value as bytes; a text value as its bytes.
  virtual std::vector<uint8_t> AsBytes() const;
  // Keeps ftBytes, otherwise the type becomes ftVarBytes.
  virtual void SetAsBytes(const std::vector<uint8_t>& value);
  Variant AsVariant() const { return Value(); }
  void SetAsVariant(const Variant& value) { SetValue(value); }

  // ---- Copying
  // From a TParam (type, value, name, size, precision, scale, bound; the
  // parameter type only while this one's is unknown) or a TField (through
  // AssignField); anything else fails as in TPersistent.
  void Assign(const TPersistent* source) override;
  // The field's value, type and name (nothing for nullptr).
  virtual void AssignField(const TField* field);
  // The type, size and precision a field implies, and value. A memo field
  // longer than 255 binds as a string, a fixed-char string field as
  // ftFixedChar. A null value clears the parameter.
  virtual void AssignFieldValue(const TField* field, const Variant& value);
  // Same name, type, parameter type, bound flag and value.
  virtual bool IsEqual(const TParam* other) const;

  // ---- Blob data
  // Reads the whole stream from its start as the value of blob type
  // blob_type (EDatabaseError when it is no blob type). A wide memo stream
  // holds UTF-16 text.
  virtual void LoadFromStream(TStream& stream, TFieldType blob_type);
  void LoadFromFile(const std::string& file_name, TFieldType blob_type);
  // The bytes as an ftBlob value.
  void SetBlobData(const void* buffer, int size);

 protected:
  // Copies this parameter's value into a TField destination.
  void AssignTo(TPersistent* dest) const override;
  void AssignParam(const TParam* param);
  // Stores a type without converting the value (type inference).
  void StoreDataType(TFieldType type) { data_type_ = type; }
  // Changes the type through SetDataType unless it already is `type`.
  void EnsureDataType(TFieldType type);
  // The value as stored, for descendants that keep it themselves.
  const Variant& Data() const { return data_; }
  void SetData(const Variant& value) { data_ = value; }

 private:
  std::string name_;
  TFieldType data_type_ = ftUnknown;
  TParamType param_type_ = ptUnknown;
  Variant data_;
  int size_ = 0;
  int precision_ = 0;
  int numeric_scale_ = 0;
  bool bound_ = false;
};

// The Variant kind a field type's values are held as; varError for types
// whose values are not converted (bytes, objects, unknown).
TVarType FieldTypeVarType(TFieldType type);
// Whether the type's values are large objects (blob, memo and their kin).
bool IsBlobFieldType(TFieldType type);

class TParams : public TCollection {
  CLASSLIB_CLASS(TParams, TCollection)
 public:
  explicit TParams(TPersistent* owner = nullptr);

  TParam* Items(int index) const;
  TParam* operator[](int index) const { return Items(index); }
  // EDatabaseError "Parameter '<name>' not found" (prefixed with the
  // owner's name when the owner is a named component).
  TParam* ParamByName(std::string_view name) const;
  // Case-insensitive; nullptr when missing.
  TParam* FindParam(std::string_view name) const;
  TParam* CreateParam(TFieldType type, const std::string& name, TParamType param_type);
  void AddParam(TParam* param);
  void RemoveParam(TParam* param);

  // The values of the parameters named in a ";"-separated list: one name
  // gives that parameter's value, several give a Variant array [0..n-1].
  // Setting takes the same shapes.
  Variant ParamValues(const std::string& names) const;
  void SetParamValues(const std::string& names, const Variant& values);
  // Appends the named parameters (EDatabaseError for a missing one).
  void GetParamList(std::vector<TParam*>& list, const std::string& names) const;
  // Copies each parameter of source into the one of this list with the same
  // name; names this list lacks are skipped.
  void AssignValues(const TParams* source);
  bool IsEqual(const TParams* other) const;

 protected:
  // For descendants whose items are a TParam subclass.
  TParams(TCollectionItemClass item_class, TPersistent* owner);
};

}  // namespace classlib
