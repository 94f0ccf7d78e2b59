// A parameter's identity, type, size, equality and blob loading.
#include <cstdint>

#include "classlib/exceptions.h"
#include "classlib/params.h"
#include "classlib/stream.h"

namespace classlib {

TVarType FieldTypeVarType(TFieldType type) {
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftMemo:
    case ftFmtMemo:
    case ftGuid: return varString;
    case ftWideString:
    case ftFixedWideChar:
    case ftWideMemo: return varOleStr;
    case ftSmallint: return varSmallint;
    case ftWord: return varWord;
    case ftInteger:
    case ftAutoInc: return varInteger;
    case ftLargeint: return varInt64;
    case ftBoolean: return varBoolean;
    case ftFloat: return varDouble;
    case ftCurrency:
    case ftBCD: return varCurrency;
    case ftDate:
    case ftTime:
    case ftDateTime: return varDate;
    case ftTimeStamp: return varSQLTimeStamp;
    case ftFMTBcd: return varFMTBcd;
    default: return varError;
  }
}

bool IsBlobFieldType(TFieldType type) {
  return (type >= ftBlob && type <= ftTypedBinary) || type == ftOraBlob || type == ftOraClob ||
         type == ftWideMemo;
}

// ---- Construction and identity

TParam::TParam(TCollection* params) : TCollectionItem(params) {}

TParam::TParam(TParams* params, TParamType param_type) : TCollectionItem(params) {
  param_type_ = param_type;
}

std::string TParam::DisplayName() const {
  return name_.empty() ? TCollectionItem::DisplayName() : name_;
}

TParam* TParam::ParamRef() {
  auto* params = dynamic_cast<TParams*>(Collection());
  if (!params || name_.empty()) return this;
  TParam* first = params->FindParam(name_);
  return first ? first : this;
}

// ---- Type and size

TFieldType TParam::DataType() const { return data_type_; }

void TParam::SetDataType(TFieldType type) {
  data_type_ = type;
  TVarType kind = FieldTypeVarType(type);
  // Arrays (bytes) and absent values stay as they are; a value that does
  // not convert to the new type is dropped rather than kept mistyped.
  if (kind == varError || IsNull() || VarIsArray(data_) || VarType(data_) == kind) return;
  try {
    data_ = VarAsType(data_, kind);
  } catch (const Exception&) {
    data_ = Null();
  }
}

int TParam::Size() const { return size_; }

void TParam::SetSize(int size) { size_ = size; }

int TParam::GetDataSize() const {
  switch (DataType()) {
    case ftUnknown: throw EDatabaseError("Field '" + name_ + "' is of an unknown type");
    case ftString:
    case ftFixedChar:
    case ftGuid: return static_cast<int>(AsString().size()) + 1;  // zero-terminated
    case ftWideString:
    case ftFixedWideChar: return (static_cast<int>(AsWideString().size()) + 1) * 2;
    case ftWideMemo: return static_cast<int>(AsWideString().size()) * 2;
    case ftSmallint:
    case ftWord:
    case ftBoolean: return 2;
    case ftInteger:
    case ftAutoInc:
    case ftDate:
    case ftTime: return 4;
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDateTime: return 8;
    case ftTimeStamp: return static_cast<int>(sizeof(TSQLTimeStamp));
    case ftFMTBcd: return static_cast<int>(sizeof(TBcd));
    case ftBytes: return static_cast<int>(AsBytes().size());
    case ftVarBytes: return static_cast<int>(AsBytes().size()) + 2;  // 16-bit length first
    default:
      if (IsBlobFieldType(DataType())) return static_cast<int>(AsString().size());
      throw EDatabaseError("Field '" + name_ + "' is of an unsupported type");
  }
}

// ---- Equality

namespace {

bool SameParamValue(const TParam& a, const TParam& b) {
  // Unassigned and Null both mean "no value" here.
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull();
  Variant va = a.Value(), vb = b.Value();
  if (VarType(va) != VarType(vb)) return false;
  if (VarIsArray(va)) return a.AsBytes() == b.AsBytes();
  return va == vb;
}

}  // namespace

bool TParam::IsEqual(const TParam* other) const {
  return other && name_ == other->name_ && DataType() == other->DataType() &&
         param_type_ == other->param_type_ && bound_ == other->bound_ &&
         SameParamValue(*this, *other);
}

// ---- Blob data

void TParam::LoadFromStream(TStream& stream, TFieldType blob_type) {
  if (!IsBlobFieldType(blob_type))
    throw EDatabaseError("Parameter '" + name_ + "': data type " + std::to_string(blob_type) +
                         " is not a blob type");
  stream.SetPosition(0);
  int64_t size = stream.Size();
  if (size > INT32_MAX) throw EDatabaseError("Parameter '" + name_ + "': blob is too large");
  std::string bytes(static_cast<size_t>(size), '\0');
  stream.ReadBuffer(bytes.data(), static_cast<int>(size));
  EnsureDataType(blob_type);
  if (blob_type == ftWideMemo) {
    // UTF-16 little-endian, as wide text is stored; an odd last byte is
    // not part of any character.
    WideString text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                      static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    SetValue(Variant(std::move(text)));
  } else {
    SetValue(Variant(std::move(bytes)));
  }
}

void TParam::LoadFromFile(const std::string& file_name, TFieldType blob_type) {
  TFileStream stream(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream, blob_type);
}

void TParam::SetBlobData(const void* buffer, int size) {
  if (size < 0 || (size > 0 && !buffer))
    throw EDatabaseError("Parameter '" + name_ + "': invalid blob data");
  TBlobData data;
  if (size > 0) data.assign(static_cast<const char*>(buffer), static_cast<size_t>(size));
  SetAsBlob(data);
}

}  // namespace classlib
