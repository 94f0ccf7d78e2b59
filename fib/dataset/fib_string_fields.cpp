#include "fib/dataset/fib_string_fields.h"

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "classlib/codepage.h"
#include "classlib/dataset.h"
#include "classlib/field_direct.h"
#include "classlib/format.h"
#include "classlib/variant.h"
#include "fib/base/record_bytes.h"
#include "fib/dataset/fib_fields_owner.h"
#include "fib/records/records_cache.h"

namespace fib {

using classlib::Variant;

std::string FitText(const std::string& text, std::size_t capacity, bool utf8) {
  if (text.size() <= capacity) return text;
  std::size_t end = capacity;
  // Step back over continuation bytes so the last character stays whole.
  if (utf8)
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

namespace {

// The length of a text of at most `length` bytes that ends at its first
// zero byte, where `room` bytes may be read (room >= length). A short text
// is scanned 16 bytes at once, inside the room its record slot has anyway.
inline std::size_t TextLength(const char* bytes, std::size_t length, std::size_t room) {
#ifdef __SSE2__
  if (length <= 16 && room >= 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const auto zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_setzero_si128())));
    return static_cast<std::size_t>(__builtin_ctz(zeros | (1u << length)));
  }
#endif
  return strnlen(bytes, length);
}

// The ANSI text of at most `length` bytes of UTF-8 that end at a zero byte.
[[gnu::noinline]] std::string AnsiFromUtf8(const char* bytes, std::size_t length) {
  return classlib::Utf8ToCp1251(std::string(bytes, strnlen(bytes, length)));
}

}  // namespace

// ---- TFIBStringField ----------------------------------------------------------------

TFIBStringField::TFIBStringField(classlib::TComponent* owner) : TStringField(owner) {}

void TFIBStringField::SetDataSet(classlib::TDataSet* data_set) {
  TStringField::SetDataSet(data_set);
  charset_id_ = -1;  // another data set may know the column differently
  owner_of_ = nullptr;
  owner_ = nullptr;
  if (IFIBFieldsOwner* owner = Owner())
    empty_str_to_null_ = owner->PrepareOptions().Contains(psSetEmptyStrToNull);
}

void TFIBStringField::CheckTypeSize(int size) const {
  if (size < 0) classlib::DatabaseError("Invalid field size");
}

bool TFIBStringField::IsDBKey() const {
  if (FieldKind() != classlib::fkData) return false;
  IFIBFieldsOwner* owner = Owner();
  const TFIBFieldDescr* descr = owner != nullptr ? owner->FieldDescr(this) : nullptr;
  return descr != nullptr && descr->IsDBKey;
}

IFIBFieldsOwner* TFIBStringField::Owner() const {
  // A field also reaches a data set through its parent field, which does
  // not pass through SetDataSet: compare the data set itself.
  if (DataSet() != owner_of_) {
    owner_of_ = DataSet();
    owner_ = FieldsOwnerOf(*this);
  }
  return owner_;
}

bool TFIBStringField::Utf8Text() const {
  IFIBFieldsOwner* owner = Owner();
  if (owner == nullptr || !owner->UnicodeConnection()) return false;
  if (charset_id_ < 0) {
    TFIBColumnInfo info;
    charset_id_ = owner->ColumnInfo(FieldName(), info) ? info.SubType : 0;
  }
  return charset_id_ >= 2;
}

bool TFIBStringField::ReadRaw() const {
  // The buffer follows the field's size; one spare byte keeps a value that
  // fills its whole slot terminated.
  value_.assign(static_cast<std::size_t>(DataSize()) + 1, '\0');
  return GetData(value_.data());
}

std::string TFIBStringField::DBKeyText() const {
  if (!ReadRaw()) return std::string();
  std::string text;
  for (int i = 0; i + 4 <= DataSize(); i += 4) {
    uint32_t word = 0;
    std::memcpy(&word, value_.data() + i, sizeof word);
    text += classlib::Format("%-8.8x", {word});
  }
  // The key reads the same whatever case the formatting routine writes.
  for (char& c : text)
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The text in the browsed record is read as the data set's own read would
// give it. A text slot is never the row key's, and its width fits the field
// (the data set checks both when it gives the slot), so no value read here
// is a row key or too long for the field; an ANSI connection's text needs
// no conversion.
[[gnu::hot]] std::string TFIBStringField::GetAsString() const {
  const TDirectSlot& slot = DirectSlot();
  const int form = DirectForm() & ~kDirectUnicodeConnection;
  if ((form != kDirectTextForm && form != kDirectTrimmedTextForm) || !DataSet()->BrowsesARecord())
    [[unlikely]] return ReadThroughDataSet();
  // A record buffer of a data set that gives slots is never nullptr.
  const uint8_t* record = DataSet()->BrowsedRecord();
  if (record[slot.null_offset] != 0) return std::string();
  const uint8_t* value = record + slot.offset;
  size_t length = static_cast<size_t>(std::clamp<int32_t>(LoadUnaligned<int32_t>(value), 0, slot.size));
  const char* bytes = reinterpret_cast<const char*>(value + kTextLengthSize);
  if (form == kDirectTrimmedTextForm)
    while (length > 0 && bytes[length - 1] == ' ') --length;
  // The value ends at its first zero byte, as a C string would. The
  // connection is asked first and its conversion runs out of line, so that
  // the usual path keeps little live across the length scan.
  if ((slot.form & kDirectUnicodeConnection) != 0 && Utf8Text()) [[unlikely]]
    return AnsiFromUtf8(bytes, length);
  return std::string(bytes, TextLength(bytes, length, static_cast<std::size_t>(slot.size)));
}

[[gnu::noinline]] std::string TFIBStringField::ReadThroughDataSet() const {
  if (IsDBKey()) return DBKeyText();
  if (!ReadRaw()) return std::string();
  std::string text(value_.data());
  // Two returns, not a conditional: the plain text moves out uncopied.
  if (Utf8Text()) return classlib::Utf8ToCp1251(text);
  return text;
}

void TFIBStringField::SetAsStringValue(const std::string& value) {
  writing_ = true;
  try {
    const bool utf8 = Utf8Text();
    std::string text = utf8 ? classlib::Cp1251ToUtf8(value) : value;
    last_length_ = static_cast<int>(text.size());
    std::vector<char> buffer(static_cast<std::size_t>(DataSize()) + 1, '\0');
    // A text longer than the column is cut, never written past its slot.
    const std::string fitted = FitText(text, buffer.size() - 2, utf8);
    std::memcpy(buffer.data(), fitted.data(), fitted.size());
    SetData(buffer.data());
  } catch (...) {
    writing_ = false;
    throw;
  }
  writing_ = false;
}

void TFIBStringField::Clear() { SetData(nullptr); }

Variant TFIBStringField::GetAsVariant() const {
  if (IsNull()) return classlib::Null();
  return Variant(GetAsString());
}

// ---- TFIBWideStringField ------------------------------------------------------------

TFIBWideStringField::TFIBWideStringField(classlib::TComponent* owner) : TWideStringField(owner) {}

bool TFIBWideStringField::ReadUtf8(std::string& text) const {
  std::vector<char> buffer(static_cast<std::size_t>(DataSize()) + 1, '\0');
  if (!GetData(buffer.data())) return false;
  text = buffer.data();
  return true;
}

classlib::WideString TFIBWideStringField::GetAsWideString() const {
  std::string text;
  return ReadUtf8(text) ? classlib::Utf8ToUtf16(text) : classlib::WideString();
}

void TFIBWideStringField::SetAsWideStringValue(const classlib::WideString& value) {
  std::vector<char> buffer(static_cast<std::size_t>(DataSize()) + 1, '\0');
  const std::string fitted =
      FitText(classlib::Utf16ToUtf8(value), buffer.size() - 2, true);
  std::memcpy(buffer.data(), fitted.data(), fitted.size());
  SetData(buffer.data());
}

std::string TFIBWideStringField::GetAsString() const {
  return classlib::WideToAnsi(GetAsWideString());
}

void TFIBWideStringField::SetAsStringValue(const std::string& value) {
  SetAsWideStringValue(classlib::AnsiToWide(value));
}

Variant TFIBWideStringField::GetAsVariant() const {
  std::string text;
  if (!ReadUtf8(text)) return classlib::Null();
  return Variant(classlib::Utf8ToUtf16(text));
}

void TFIBWideStringField::SetVarValue(const Variant& value) {
  SetAsWideStringValue(value.AsOleStr());
}

}  // namespace fib
