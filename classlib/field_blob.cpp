// Blob, memo and wide memo fields: every value passes through the data
// set's blob stream for the field.
#include "classlib/field_blob.h"

#include <cstring>

#include "classlib/ansistr.h"
#include "classlib/dataset.h"
#include "classlib/stream.h"
#include "classlib/variant.h"

namespace classlib {

TBlobField::TBlobField(TComponent* owner) : TField(owner) { SetDataType(ftBlob); }

std::string TBlobField::ReadBytes() const {
  std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
  if (!stream) return std::string();
  std::string bytes(static_cast<std::size_t>(stream->Size()), '\0');
  stream->SetPosition(0);
  if (!bytes.empty()) stream->ReadBuffer(bytes.data(), static_cast<int>(bytes.size()));
  return bytes;
}

void TBlobField::WriteBytes(const std::string& bytes) {
  std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(this, bmWrite);
  if (!bytes.empty()) stream->WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
  modified_ = true;
}

int TBlobField::BlobSize() const {
  std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
  return stream ? static_cast<int>(stream->Size()) : 0;
}

bool TBlobField::GetIsNull() const {
  // A value written in this edit is null exactly when it is empty.
  if (modified_) return BlobSize() == 0;
  return TField::GetIsNull();
}

void TBlobField::Clear() {
  DataSet()->CreateBlobStream(this, bmWrite);
  modified_ = true;
}

void TBlobField::LoadFromStream(TStream& stream) {
  std::string bytes(static_cast<std::size_t>(stream.Size() - stream.Position()), '\0');
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<int>(bytes.size()));
  WriteBytes(bytes);
}

void TBlobField::SaveToStream(TStream& stream) const {
  std::string bytes = ReadBytes();
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
}

void TBlobField::LoadFromFile(const std::string& file_name) {
  TFileStream file(file_name, fmOpenRead);
  LoadFromStream(file);
}

void TBlobField::SaveToFile(const std::string& file_name) const {
  TFileStream file(file_name, fmCreate);
  SaveToStream(file);
}

std::string TBlobField::GetAsString() const { return ReadBytes(); }
void TBlobField::SetAsStringValue(const std::string& value) { WriteBytes(value); }
WideString TBlobField::GetAsWideString() const { return AnsiToWide(ReadBytes()); }
void TBlobField::SetAsWideStringValue(const WideString& value) { WriteBytes(WideToAnsi(value)); }

// Binary values travel as a Variant array of bytes.
Variant TBlobField::GetAsVariant() const {
  if (IsNull()) return Null();
  std::string bytes = ReadBytes();
  Variant array = VarArrayCreate({0, static_cast<int>(bytes.size()) - 1}, varByte);
  if (!bytes.empty()) {
    std::memcpy(VarArrayLock(array), bytes.data(), bytes.size());
    VarArrayUnlock(array);
  }
  return array;
}

void TBlobField::SetVarValue(const Variant& value) {
  if (!VarIsArray(value)) {
    WriteBytes(value.AsString());
    return;
  }
  Variant copy = value;
  const int count = VarArrayHighBound(copy, 1) - VarArrayLowBound(copy, 1) + 1;
  std::string bytes(static_cast<std::size_t>(std::max(count, 0)), '\0');
  if (count > 0) {
    if (VarArrayElementType(copy) == varByte) {
      std::memcpy(bytes.data(), VarArrayLock(copy), bytes.size());
      VarArrayUnlock(copy);
    } else {
      for (int i = 0; i < count; ++i)
        bytes[static_cast<std::size_t>(i)] =
            static_cast<char>(VarArrayGet(copy, {VarArrayLowBound(copy, 1) + i}).AsInteger());
    }
  }
  WriteBytes(bytes);
}

std::string TBlobField::GetTextValue(bool) const { return PlaceholderText(*this, IsNull()); }

void TBlobField::AssignField(const TField& source) {
  if (auto* blob = dynamic_cast<const TBlobField*>(&source)) {
    WriteBytes(blob->ReadBytes());
    return;
  }
  TField::AssignField(source);
}

// ---- Memo ----------------------------------------------------------------------

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner) { SetDataType(ftMemo); }

std::string TMemoField::GetTextValue(bool) const { return PlaceholderText(*this, IsNull()); }

Variant TMemoField::GetAsVariant() const {
  if (IsNull()) return Null();
  return Variant(ReadBytes());
}

// ---- Wide memo: UTF-16 code units in the stream ------------------------------------

TWideMemoField::TWideMemoField(TComponent* owner) : TBlobField(owner) { SetDataType(ftWideMemo); }

WideString TWideMemoField::GetAsWideString() const {
  std::string bytes = ReadBytes();
  WideString text(bytes.size() / 2, u'\0');
  std::memcpy(text.data(), bytes.data(), text.size() * 2);
  return text;
}

void TWideMemoField::SetAsWideStringValue(const WideString& value) {
  std::string bytes(value.size() * 2, '\0');
  std::memcpy(bytes.data(), value.data(), bytes.size());
  WriteBytes(bytes);
}

std::string TWideMemoField::GetAsString() const { return WideToAnsi(GetAsWideString()); }
void TWideMemoField::SetAsStringValue(const std::string& value) {
  SetAsWideStringValue(AnsiToWide(value));
}
std::string TWideMemoField::GetTextValue(bool) const { return PlaceholderText(*this, IsNull()); }

Variant TWideMemoField::GetAsVariant() const {
  if (IsNull()) return Null();
  return Variant(GetAsWideString());
}

}  // namespace classlib
