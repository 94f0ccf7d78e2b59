// The Oracle field classes over object values: cursors, BFILEs, nested
// tables and REFs.
#include "classlib/dataset.h"
#include "classlib/exceptions.h"
#include "classlib/variant.h"
#include "oracle/field_ora_fields.h"
#include "dacore/object_type.h"
#include "oracle/field_value_access.h"
#include "oracle/lob_ora_file.h"
#include "oracle/object_ora_array.h"
#include "oracle/object_ora_ref.h"
#include "oracle/param_ora_param.h"
#include "oracle/value_data_types.h"

namespace oracle {

using namespace classlib;

namespace {
bool show_reference_text = false;
}  // namespace

bool ShowReferenceText() { return show_reference_text; }
void SetShowReferenceText(bool value) { show_reference_text = value; }

TField* CreateOraField(TFieldType type, TComponent* owner) {
  switch (static_cast<int>(type)) {
    case ftCursor: return new TCursorField(owner);
    case ftBFile: return new TBFileField(owner);
    case ftDataSet: return new TOraDataSetField(owner);
    case ftReference: return new TOraReferenceField(owner);
    case ftLabel: return new TLabelField(owner);
    case ftTimeStamp:
    case ftTimeStampTZ:
    case ftTimeStampLTZ: return new TOraTimeStampField(owner);
    case ftIntervalYM:
    case ftIntervalDS: return new TOraIntervalField(owner);
    case ftNumber: return new TOraNumberField(owner);
    case ftXML: return new TOraXMLField(owner);
    default: return nullptr;
  }
}

bool IsNestedTableDesc(const dacore::TFieldDesc& desc) {
  const dacore::TObjectType* type = desc.ObjectType();
  return (desc.DataType() == dacore::dtObject || desc.DataType() == dacore::dtTable) && type != nullptr &&
         type->DataType() == dacore::dtTable;
}

bool IsXmlDesc(const dacore::TFieldDesc& desc) {
  const dacore::TObjectType* type = desc.ObjectType();
  return desc.DataType() == dacore::dtObject && !desc.HasParent() && type != nullptr &&
         type->DataType() == dtXML;
}

// ---- Cursors --------------------------------------------------------------------------

TCursorField::TCursorField(TComponent* owner) : TField(owner) { SetDataType(ftCursor); }

TOraCursor* TCursorField::AsCursor() const { return FieldValueAs<TOraCursor>(*this); }

// ---- BFILEs ---------------------------------------------------------------------------

TBFileField::TBFileField(TComponent* owner) : TBlobField(owner) { SetDataTypeValue(); }

void TBFileField::SetDataTypeValue() { SetDataType(ftBFile); }

TOraFile* TBFileField::AsFile() const { return FieldValueAs<TOraFile>(*this); }

bool TBFileField::GetIsNull() const {
  TOraFile* file = AsFile();
  return file == nullptr || (file->FileDir().empty() && file->FileName().empty());
}

std::string TBFileField::GetAsString() const { return FieldClassDescription("BFile", GetIsNull()); }

std::string TBFileField::GetTextValue(bool) const { return GetAsString(); }

Variant TBFileField::GetAsVariant() const {
  if (GetIsNull()) return Variant::Null();
  return Variant(ReadBytes());
}

void TBFileField::CannotModify() const {
  DatabaseError(FormatMessage("Field '%s' cannot be modified", {DisplayName()}), DataSet());
}

void TBFileField::SetAsStringValue(const std::string&) { CannotModify(); }

// ---- Nested tables and REFs -----------------------------------------------------------

TOraDataSetField::TOraDataSetField(TComponent* owner) : TDataSetField(owner) {}

bool TOraDataSetField::GetIsNull() const {
  auto* table = FieldValueAs<TOraObject>(*this);
  return table == nullptr || table->GetIsNull();
}

std::string TOraDataSetField::GetAsString() const { return FieldClassDescription("DataSet", GetIsNull()); }

TOraReferenceField::TOraReferenceField(TComponent* owner) : TReferenceField(owner) {}

bool TOraReferenceField::GetIsNull() const {
  auto* ref = dynamic_cast<TOraRef*>(FieldValueAs<TOraObject>(*this));
  return ref == nullptr || ref->GetIsNull();
}

std::string TOraReferenceField::GetAsString() const {
  if (!ShowReferenceText()) return FieldClassDescription("Reference", GetIsNull());
  auto* ref = dynamic_cast<TOraRef*>(FieldValueAs<TOraObject>(*this));
  Assert(ref != nullptr, __FILE__, __LINE__, "Ref data must not be nil.");
  return ref->AsHex();
}

}  // namespace oracle
