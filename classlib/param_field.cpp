// Copying between parameters, and between parameters and fields.
#include "classlib/field.h"
#include "classlib/field_numeric.h"
#include "classlib/params.h"

namespace classlib {

void TParam::Assign(const TPersistent* source) {
  if (auto* param = dynamic_cast<const TParam*>(source)) {
    AssignParam(param);
  } else if (auto* field = dynamic_cast<const TField*>(source)) {
    AssignField(field);
  } else {
    TCollectionItem::Assign(source);
  }
}

void TParam::AssignParam(const TParam* param) {
  if (param == this) return;
  EnsureDataType(param->DataType());
  if (param->IsNull())
    Clear();
  else
    SetValue(param->Value());
  bound_ = param->Bound();
  name_ = param->Name();
  if (param_type_ == ptUnknown) param_type_ = param->ParamType();
  SetSize(param->Size());
  precision_ = param->Precision();
  numeric_scale_ = param->NumericScale();
}

void TParam::AssignTo(TPersistent* dest) const {
  if (auto* field = dynamic_cast<TField*>(dest))
    field->SetValue(Value());
  else
    TCollectionItem::AssignTo(dest);
}

void TParam::AssignField(const TField* field) {
  if (!field) return;
  AssignFieldValue(field, field->Value());
  name_ = field->FieldName();
}

namespace {

// Long memos are bound as plain strings: drivers take strings of that
// length directly, without a blob.
TFieldType ParamTypeOfField(const TField& field) {
  if (field.DataType() == ftMemo && field.Size() > 255) return ftString;
  if (field.DataType() == ftWideMemo && field.Size() > 255) return ftWideString;
  return field.DataType();
}

}  // namespace

void TParam::AssignFieldValue(const TField* field, const Variant& value) {
  if (!field) return;
  EnsureDataType(ParamTypeOfField(*field));
  if (VarIsNull(value) || VarIsClear(value))
    Clear();
  else
    SetValue(value);
  bound_ = true;
  SetSize(field->Size());
  if (auto* bcd = dynamic_cast<const TBCDField*>(field)) {
    precision_ = bcd->Precision();
    numeric_scale_ = bcd->Size();
  } else if (auto* fmt = dynamic_cast<const TFMTBCDField*>(field)) {
    precision_ = fmt->Precision();
    numeric_scale_ = fmt->Size();
  }
}

}  // namespace classlib
