#include "fib/dataset/fib_blob_fields.h"

#include "classlib/codepage.h"
#include "classlib/variant.h"

namespace fib {

TFIBBlobField::TFIBBlobField(classlib::TComponent* owner) : TBlobField(owner) {}

bool TFIBBlobField::GetIsNull() const {
  if (is_client_field_) return BlobSize() == 0;
  return TBlobField::GetIsNull();
}

classlib::Variant TFIBBlobField::GetAsVariant() const {
  if (IsNull()) return classlib::Null();
  return TBlobField::GetAsVariant();
}

TFIBMemoField::TFIBMemoField(classlib::TComponent* owner) : TMemoField(owner) {}

classlib::Variant TFIBMemoField::GetAsVariant() const {
  if (IsNull()) return classlib::Null();
  return TMemoField::GetAsVariant();
}

std::string TFIBMemoField::GetAsString() const {
  std::string bytes = TMemoField::GetAsString();
  return converts_utf8_ ? classlib::Utf8ToCp1251(bytes) : bytes;
}

void TFIBMemoField::SetAsStringValue(const std::string& value) {
  TMemoField::SetAsStringValue(converts_utf8_ ? classlib::Cp1251ToUtf8(value) : value);
}

classlib::WideString TFIBMemoField::GetAsWideString() const {
  const std::string bytes = TMemoField::GetAsString();
  return converts_utf8_ || charset_id_ == kUnicodeFss ? classlib::Utf8ToUtf16(bytes)
                                                      : classlib::AnsiToWide(bytes);
}

void TFIBMemoField::SetAsWideStringValue(const classlib::WideString& value) {
  TMemoField::SetAsStringValue(converts_utf8_ || charset_id_ == kUnicodeFss
                                   ? classlib::Utf16ToUtf8(value)
                                   : classlib::WideToAnsi(value));
}

}  // namespace fib
