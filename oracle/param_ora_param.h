// TOraParam and TOraParams: the parameters of the Oracle components. Beside
// the data-access core's blobs they hold the Oracle value objects (cursor,
// LOB, BFILE, date-time, interval, NUMBER), PL/SQL tables (Table),
// national character data (National) and arrays for array DML (Length).
#pragma once

#include <string>
#include <vector>

#include "dacore/data_types.h"
#include "dacore/param_da.h"

namespace oracle {

class TOraParamDesc;
class TOraCursor;
class TOraLob;
class TOraFile;
class TOraTimeStamp;
class TOraInterval;
class TOraNumber;
class TOraObject;
class TOraArray;
class TOraNestTable;

// Field types of the Oracle layer beyond the class library's.
inline constexpr classlib::TFieldType ftBFile = static_cast<classlib::TFieldType>(100);
inline constexpr classlib::TFieldType ftLabel = static_cast<classlib::TFieldType>(101);
inline constexpr classlib::TFieldType ftIntervalYM = static_cast<classlib::TFieldType>(103);
inline constexpr classlib::TFieldType ftIntervalDS = static_cast<classlib::TFieldType>(104);
inline constexpr classlib::TFieldType ftTimeStampTZ = static_cast<classlib::TFieldType>(105);
inline constexpr classlib::TFieldType ftTimeStampLTZ = static_cast<classlib::TFieldType>(106);
inline constexpr classlib::TFieldType ftNumber = static_cast<classlib::TFieldType>(107);
inline constexpr classlib::TFieldType ftXML = static_cast<classlib::TFieldType>(108);
inline constexpr classlib::TFieldType ftOraFixedWideChar = static_cast<classlib::TFieldType>(109);

// The internal data-type code of a field type, and back (the Oracle types
// first, every other by the core's table).
dacore::TDataType OraFieldTypeToDataType(classlib::TFieldType type);
classlib::TFieldType OraDataTypeToFieldType(dacore::TDataType type);

class TOraParam : public dacore::TDAParam {
  CLASSLIB_CLASS(TOraParam, dacore::TDAParam)
 public:
  explicit TOraParam(classlib::TCollection* params);
  ~TOraParam() override;

  bool IsBlobDataType(classlib::TFieldType type) const override;
  bool IsObjectDataType(classlib::TFieldType type) const override;
  void SetDataType(classlib::TFieldType type) override;
  int Size() const override;

  // "This type cannot consist in table" for types a PL/SQL table cannot hold.
  bool Table() const { return table_; }
  void SetTable(bool value);
  // "Wrong national type" for types without a national form.
  bool National() const { return national_; }
  void SetNational(bool value);
  // Array DML: the number of items (1 for a scalar). "Type is not allowed
  // in DML array" for types that cannot be array-bound.
  int Length() const;
  void SetLength(int value);

  // ---- Values through the value objects.
  classlib::Variant Value() const override;
  void SetValue(const classlib::Variant& value) override;
  bool IsNull() const override;
  void Clear() override;
  // Lets go of what the value object holds on a server session: a cursor's
  // statement, a LOB's locator (a temporary LOB freed), an object's
  // instance. Date-times, intervals and NUMBERs live on the process's
  // environment and keep their values; plain values are not touched.
  void ClearValueObject();
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t value) override;
  double AsFloat() const override;
  void SetAsFloat(double value) override;
  classlib::TSQLTimeStamp AsSQLTimeStamp() const override;
  void SetAsSQLTimeStamp(const classlib::TSQLTimeStamp& value) override;

  // ---- Items (1-based). Below 1: "Index of array is not range"; beyond
  // Length the array grows. A scalar answers and takes its whole value.
  classlib::Variant ItemValue(int index);
  void SetItemValue(int index, const classlib::Variant& value);
  // The whole array; an assertion failure for a scalar.
  const classlib::Variant& AsArray() const;

  // ---- The value objects (typed; an unknown type first becomes theirs).
  TOraCursor* AsCursor();
  TOraLob* AsOraBlob();
  TOraLob* AsOraClob();
  TOraFile* AsBFile();
  TOraTimeStamp* AsTimeStamp();
  TOraInterval* AsInterval();
  TOraNumber* AsNumber();
  // Objects, collections, REFs and XML values: the value object given, its
  // class choosing the type (ftADT, ftArray for a VARRAY, ftDataSet for a
  // nested table, ftReference, ftXML); nullptr when none.
  TOraObject* AsObject() const;
  void SetAsObject(TOraObject* value);
  static bool IsUserTypeField(classlib::TFieldType type);
  // The object, VARRAY and nested table of the parameter: a parameter of
  // unknown type first becomes one (ftADT, ftArray, ftDataSet, with a value
  // object without type yet); nullptr when the type is another.
  TOraObject* AsOraObject();
  TOraArray* AsOraArray();
  TOraNestTable* AsOraNestTable();

  // The descriptor the value was last written into (the statement
  // component links them at each write); item writes reach it. The link
  // goes when either end goes.
  TOraParamDesc* BoundDesc() const { return bound_desc_; }
  void SetBoundDesc(TOraParamDesc* desc);

  void Assign(const classlib::TPersistent* source) override;
  // Inherited; National is then set exactly when the field's column is
  // NCHAR or NVARCHAR2 (defined beside the data set's update parameters,
  // which decide the national form the same way).
  void AssignField(const classlib::TField* field) override;

 protected:
  void CreateObject() override;

 private:
  bool HoldsItemObjects() const;
  void ResizeItemObjects(int count);
  void ReleaseItemObjects();
  void CopyItemsToDesc();
  std::string ItemObjectText(int index) const;
  dacore::TSharedObject* ValueObject() const { return ParamObject(); }

  bool table_ = false;
  bool national_ = false;
  // One value object per item for arrays of date-times, intervals, NUMBERs.
  std::vector<dacore::TSharedObject*> item_objects_;
  TOraParamDesc* bound_desc_ = nullptr;
};

class TOraParams : public dacore::TDAParams {
  CLASSLIB_CLASS(TOraParams, dacore::TDAParams)
 public:
  explicit TOraParams(classlib::TPersistent* owner = nullptr);
  TOraParam* Items(int index) const { return static_cast<TOraParam*>(TDAParams::Items(index)); }
  TOraParam* ParamByName(std::string_view name) const {
    return static_cast<TOraParam*>(TDAParams::ParamByName(name));
  }
  TOraParam* FindParam(std::string_view name) const {
    return static_cast<TOraParam*>(TDAParams::FindParam(name));
  }
  // Clears every item's value object (TOraParam::ClearValueObject): the
  // components call it when their session disconnects.
  void ClearObjects();
};

}  // namespace oracle
