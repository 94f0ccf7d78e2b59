// String, wide string and GUID fields. Text fields convert their text to
// the other views with the platform's conversions, so a text that is no
// number raises the conversion's own error ("'x' is not a valid integer
// value").
#include <cstring>
#include <vector>

#include "classlib/bcd.h"
#include "classlib/datetime.h"
#include "classlib/dataset.h"
#include "classlib/field_direct.h"
#include "classlib/field_string.h"
#include "classlib/numconv.h"
#include "classlib/scratch_buffer.h"
#include "classlib/variant.h"

namespace classlib {

// The longest text a string field may declare.
constexpr int kMaxStringSize = 8192;

TStringField::TStringField(TComponent* owner) : TField(owner) {
  SetDataType(ftString);
  SetSizeRaw(20);
}

void TStringField::SetFixedChar(bool fixed) { SetDataType(fixed ? ftFixedChar : ftString); }

void TStringField::CheckTypeSize(int size) const {
  if (size < 0 || size > kMaxStringSize) DatabaseError("Invalid field size", DataSet());
}

int TStringField::GetDataSize() const { return Size() + 1; }

// The text the browsed record holds, seen where it lies: 1 with the text,
// 0 for null, -1 where the data set's own read must give it.
int TStringField::DirectTextValue(std::string_view& text) const {
  const int form = DirectSlot().form;
  if (form != TDirectSlot::kTextForm && form != TDirectSlot::kTextPointerForm) return -1;
  const uint8_t* record = DirectRecord();
  if (record == nullptr) return -1;
  if (record[DirectSlot().null_offset] != 0) return 0;
  return DirectText(record, text) ? 1 : -1;
}

// The data set's own read, through a work copy.
bool TStringField::ReadValue(std::string& value) const {
  const std::size_t size = static_cast<std::size_t>(DataSize()) + 1;
  TScratchBuffer<256> buffer(size);
  const auto* text = reinterpret_cast<const char*>(buffer.Data());
  if (!GetData(buffer.Data())) return false;
  value.assign(text, strnlen(text, size));
  return true;
}

bool TStringField::GetValue(std::string& value) const {
  // A text the browsed record holds is taken from it without a copy between.
  std::string_view text;
  switch (DirectTextValue(text)) {
    case 1: value.assign(text.data(), text.size()); return true;
    case 0: return false;
    default: return ReadValue(value);
  }
}

[[gnu::hot]] std::string TStringField::GetAsString() const {
  // A direct text becomes the result at once; one string is returned as it
  // is, as a conditional would copy it.
  std::string_view text;
  switch (DirectTextValue(text)) {
    case 1: return std::string(text);
    case 0: return std::string();
    default: return ReadString();
  }
}

// The data set's own read, out of line: the direct read above keeps a small
// frame.
[[gnu::noinline]] std::string TStringField::ReadString() const {
  std::string value;
  if (!ReadValue(value)) value.clear();
  return value;
}

void TStringField::SetAsStringValue(const std::string& value) {
  std::vector<char> buffer(static_cast<std::size_t>(DataSize()) + 1, 0);
  // Longer texts are cut to the declared size, as the column would.
  std::memcpy(buffer.data(), value.data(), std::min(value.size(), static_cast<std::size_t>(Size())));
  SetData(buffer.data());
}

WideString TStringField::GetAsWideString() const { return AnsiToWide(GetAsString()); }
void TStringField::SetAsWideStringValue(const WideString& value) { SetAsString(WideToAnsi(value)); }
int32_t TStringField::GetAsInteger() const { return StrToInt(GetAsString()); }
void TStringField::SetAsIntegerValue(int32_t value) { SetAsString(IntToStr(value)); }
int64_t TStringField::GetAsLargeInt() const { return StrToInt64(GetAsString()); }
void TStringField::SetAsLargeIntValue(int64_t value) { SetAsString(IntToStr(value)); }
double TStringField::GetAsFloat() const { return StrToFloat(GetAsString()); }
void TStringField::SetAsFloatValue(double value) { SetAsString(FloatToStr(value)); }
Currency TStringField::GetAsCurrency() const { return StrToCurr(GetAsString()); }
void TStringField::SetAsCurrencyValue(Currency value) { SetAsString(CurrToStr(value)); }
TBcd TStringField::GetAsBCD() const { return StrToBCD(GetAsString()); }
void TStringField::SetAsBCDValue(const TBcd& value) { SetAsString(BCDToStr(value)); }

bool TStringField::GetAsBoolean() const {
  std::string text = GetAsString();
  return !text.empty() && (text[0] == 'T' || text[0] == 't' || text[0] == 'Y' || text[0] == 'y');
}

void TStringField::SetAsBooleanValue(bool value) { SetAsString(value ? "T" : "F"); }
TDateTime TStringField::GetAsDateTime() const { return StrToDateTime(GetAsString()); }
void TStringField::SetAsDateTimeValue(TDateTime value) { SetAsString(DateTimeToStr(value)); }

Variant TStringField::GetAsVariant() const {
  std::string value;
  if (!GetValue(value)) return Null();
  return Variant(value);
}

void TStringField::SetVarValue(const Variant& value) { SetAsString(value.AsString()); }

// ---- Wide strings ------------------------------------------------------------

TWideStringField::TWideStringField(TComponent* owner) : TStringField(owner) {
  SetDataType(ftWideString);
}

int TWideStringField::GetDataSize() const { return (Size() + 1) * 2; }

bool TWideStringField::GetValue(WideString& value) const {
  value.clear();
  return GetData(&value, false);
}

WideString TWideStringField::GetAsWideString() const {
  WideString value;
  GetValue(value);
  return value;
}

void TWideStringField::SetAsWideStringValue(const WideString& value) {
  WideString cut = value.substr(0, static_cast<std::size_t>(Size()));
  SetData(&cut, false);
}

std::string TWideStringField::GetAsString() const { return WideToAnsi(GetAsWideString()); }
void TWideStringField::SetAsStringValue(const std::string& value) {
  SetAsWideString(AnsiToWide(value));
}

Variant TWideStringField::GetAsVariant() const {
  WideString value;
  if (!GetValue(value)) return Null();
  return Variant(value);
}

void TWideStringField::SetVarValue(const Variant& value) { SetAsWideString(value.AsOleStr()); }

// ---- GUIDs ----------------------------------------------------------------------

constexpr int kGuidTextSize = 38;

TGuidField::TGuidField(TComponent* owner) : TStringField(owner) {
  SetDataType(ftGuid);
  SetSizeRaw(kGuidTextSize);
}

void TGuidField::CheckTypeSize(int size) const {
  if (size != kGuidTextSize) DatabaseError("Invalid field size", DataSet());
}

TGUID TGuidField::GetAsGuid() const {
  std::string text;
  if (!GetValue(text)) return TGUID{};
  return StringToGUID(text);
}

void TGuidField::SetAsGuidValue(const TGUID& value) { SetAsString(GUIDToString(value)); }

}  // namespace classlib
