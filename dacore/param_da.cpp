// TDAParam: values of blob types through the parameter's TBlob, the value
// object's life, copying from other parameters, fields, lists and streams.
#include "dacore/param_da.h"

#include "classlib/exceptions.h"
#include "classlib/field.h"
#include "classlib/stream_persist.h"
#include "classlib/strings.h"
#include "dacore/messages.h"

namespace dacore {

using classlib::TFieldType;
using classlib::Variant;

TDAParam::TDAParam(classlib::TCollection* params) : TParam(params) {}

TDAParam::~TDAParam() { FreeObject(); }

bool TDAParam::IsBlobDataType(TFieldType type) const {
  return type == classlib::ftBlob || type == classlib::ftMemo || type == classlib::ftWideMemo;
}

// ---- Type and value object ------------------------------------------------------

void TDAParam::SetDataType(TFieldType type) {
  if (type == DataType()) return;
  if (IsObjectDataType(DataType())) {
    FreeObject();
    SetData(Variant());
  }
  if (IsObjectDataType(type)) {
    StoreDataType(type);
    CreateObject();
  } else {
    TParam::SetDataType(type);
  }
}

void TDAParam::CreateObject() {
  CLASSLIB_ASSERT(object_ == nullptr);
  if (IsBlobDataType(DataType())) object_ = new TBlob(DataType() == classlib::ftWideMemo);
}

void TDAParam::FreeObject() {
  ReleaseShared(object_);
  object_ = nullptr;
}

void TDAParam::SetParamObject(TSharedObject* object) {
  if (object) object->AddRef();
  FreeObject();
  object_ = object;
  SetData(Variant(std::string("Object")));
}

TBlob* TDAParam::AsBlobRef() {
  if (DataType() == classlib::ftUnknown) SetDataType(classlib::ftBlob);
  return Blob();
}

void TDAParam::SetAsBlobRef(TBlob* blob) {
  FreeObject();
  StoreDataType(classlib::ftBlob);
  SetParamObject(blob);
}

TBlob* TDAParam::AsMemoRef() {
  if (DataType() == classlib::ftUnknown)
    SetDataType(Blob() && Blob()->IsUnicode() ? classlib::ftWideMemo : classlib::ftMemo);
  return Blob();
}

void TDAParam::SetAsMemoRef(TBlob* blob) {
  FreeObject();
  StoreDataType(blob && blob->IsUnicode() ? classlib::ftWideMemo : classlib::ftMemo);
  SetParamObject(blob);
}

// ---- Values ---------------------------------------------------------------------

// An empty blob is the parameter's NULL (IsNull): its value says so too, so
// that a driver binds NULL rather than an empty text or blob.
Variant TDAParam::Value() const {
  if (IsBlob() && Blob()) return Blob()->GetSize() == 0 ? Variant::Null() : Variant(Blob()->GetAsString());
  return TParam::Value();
}

void TDAParam::SetValue(const Variant& value) {
  if (IsBlob() && Blob()) {
    Blob()->SetAsString(classlib::VarToStr(value));
    SetBound(true);
  } else {
    TParam::SetValue(value);
  }
}

bool TDAParam::IsNull() const {
  if (IsBlob() && Blob()) return Blob()->GetSize() == 0;
  return TParam::IsNull();
}

void TDAParam::Clear() {
  if (IsObjectDataType(DataType()) && Blob())
    Blob()->Clear();
  else
    TParam::Clear();
}

void TDAParam::SetText(const std::string& text) {
  if (IsBlob() && Blob())
    SetValue(Variant(text));
  else
    TParam::SetText(text);
}

std::string TDAParam::AsString() const {
  if (IsNull()) return "";
  if (IsBlob() && Blob()) return Blob()->GetAsString();
  return TParam::AsString();
}

void TDAParam::SetAsString(const std::string& value) {
  if (IsBlob() && Blob()) {
    SetValue(Variant(value));
  } else if (DataType() == classlib::ftWideString) {
    TParam::SetValue(Variant(classlib::VarToWideStr(Variant(value))));
  } else {
    TParam::SetAsString(value);
  }
}

classlib::WideString TDAParam::AsWideString() const {
  if (IsNull()) return {};
  if (IsBlob() && Blob()) return Blob()->GetAsWideString();
  return TParam::AsWideString();
}

void TDAParam::SetAsWideString(const classlib::WideString& value) {
  if (IsBlob() && Blob()) {
    Blob()->SetAsWideString(value);
    SetBound(true);
  } else {
    TParam::SetAsWideString(value);
  }
}

void TDAParam::SetAsBlob(const classlib::TBlobData& value) {
  SetDataType(classlib::ftBlob);
  SetValue(Variant(value));
}

void TDAParam::SetAsMemo(const std::string& value) {
  SetDataType(classlib::ftMemo);
  CLASSLIB_ASSERT(Blob() != nullptr);
  SetValue(Variant(value));
}

void TDAParam::LoadFromStream(classlib::TStream& stream, TFieldType blob_type) {
  using namespace classlib;
  if (blob_type != ftBlob && blob_type != ftMemo && blob_type != ftOraBlob &&
      blob_type != ftOraClob && blob_type != ftWideMemo)
    throw Exception(SDataTypeNotSupported);
  SetDataType(blob_type);
  // A dialect without its own objects for these types keeps the bytes in the Variant.
  if (!Blob()) {
    TParam::LoadFromStream(stream, blob_type);
    return;
  }
  stream.SetPosition(0);
  Blob()->LoadFromStream(stream);
  SetBound(true);
}

// ---- Copying --------------------------------------------------------------------

void TDAParam::Assign(const classlib::TPersistent* source) {
  if (source == this) return;
  if (auto* param = dynamic_cast<const TDAParam*>(source)) {
    AssignDAParam(*param);
  } else if (auto* strings = dynamic_cast<const classlib::TStrings*>(source)) {
    SetValue(Variant(strings->Text()));
  } else if (auto* persist = dynamic_cast<const classlib::IStreamPersist*>(source)) {
    classlib::TMemoryStream stream;
    persist->SaveToStream(stream);
    LoadFromStream(stream, DataType());
  } else {
    TParam::Assign(source);  // a plain TParam, a TField, or the refusal
  }
}

void TDAParam::AssignDAParam(const TDAParam& source) {
  if (source.IsObjectDataType(source.DataType()) && source.ParamObject()) {
    FreeObject();
    StoreDataType(source.DataType());
    SetParamObject(source.ParamObject());
    SetBound(source.Bound());
    SetName(source.Name());
    if (ParamType() == classlib::ptUnknown) SetParamType(source.ParamType());
    SetSize(source.Size());
    SetPrecision(source.Precision());
    SetNumericScale(source.NumericScale());
  } else {
    AssignParam(&source);
  }
}

// ---- TDAParams ------------------------------------------------------------------

TDAParams::TDAParams(classlib::TPersistent* owner)
    : TParams(classlib::TCollectionItemClass::Of<TDAParam>(), owner) {}

TDAParams::TDAParams(classlib::TCollectionItemClass item_class, classlib::TPersistent* owner)
    : TParams(item_class, owner) {}

TDAParam* TDAParams::CreateParam(TFieldType type, const std::string& name,
                                 classlib::TParamType param_type) {
  return static_cast<TDAParam*>(TParams::CreateParam(type, name, param_type));
}

}  // namespace dacore
