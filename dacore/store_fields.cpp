// TData: values by field number and by data type, null flags, dates in
// their four kinds, attribute fields through the root object, and blob data
// by field number.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "classlib/codepage.h"
#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "dacore/field_expand.h"
#include "dacore/object_type.h"
#include "dacore/store_data.h"
#include "dacore/util_bytes.h"

namespace dacore {

namespace {

template <class Char>
size_t BoundedLength(const Char* s, size_t max) {
  size_t n = 0;
  while (n < max && s[n]) ++n;
  return n;
}

// Copies a zero-terminated text of at most `max` characters into dest,
// turning LF into CR LF where no CR precedes, and cutting the result to
// `max` characters so that it fits where the value came from.
template <class Char>
void ExpandLineEnds(const Char* from, size_t max, Char* dest) {
  const size_t n = BoundedLength(from, max);
  size_t out = 0;
  for (size_t i = 0; i < n && out < max; ++i) {
    if (from[i] == Char('\n') && (i == 0 || from[i - 1] != Char('\r'))) {
      if (out + 2 > max) break;
      dest[out++] = Char('\r');
    }
    dest[out++] = from[i];
  }
  dest[out] = Char(0);
}

template <class Char>
void TrimTrailingBlanks(Char* s, size_t max) {
  size_t n = BoundedLength(s, max);
  while (n > 0 && s[n - 1] == Char(' ')) --n;
  if (n < max || s[n] != Char(0)) s[n] = Char(0);
}

// The milliseconds of a date-time the inline conversion does not take,
// stored at dest. Out of line, so that a read of the others needs no frame.
[[gnu::noinline]] void StoreMSecsThroughTimeStamp(double date_time, void* dest) {
  StoreUnaligned<double>(dest, classlib::TimeStampToMSecs(classlib::DateTimeToTimeStamp(date_time)));
}

}  // namespace

double RoundToScale(double value, int scale) {
  if (scale <= 0 || scale > 18 || !std::isfinite(value)) return value;
  char text[512];
  std::snprintf(text, sizeof text, "%.*f", scale, value);
  return std::strtod(text, nullptr);
}

size_t ValueBufferSize(const TFieldDesc& field) {
  const size_t length = field.Length();
  size_t size = field.Size();
  switch (field.DataType()) {
    case dtString: case dtGuid: case dtHeapString: size = std::max(size, length + 1); break;
    case dtWideString: case dtHeapWideString: size = std::max(size, (length + 1) * 2); break;
    case dtBytes: case dtVarBytes: case dtHeapVarBytes: size = std::max(size, length + 2); break;
    default: break;
  }
  // Room for any scalar, a reference, or a packed decimal.
  return std::max<size_t>(size, sizeof(classlib::TBcd) + 8);
}

// ---- Dates ------------------------------------------------------------------

void TData::GetDateFromBuf(TRecBuf rec, int32_t offset, TDateKind kind, void* dest) {
  const double stored = LoadUnaligned<double>(OffsetPtr(rec, offset));
  switch (kind) {
    case dkMSecsSince0001: {
      double msecs = 0;
      if (classlib::TryDateTimeToMSecs(stored, msecs)) StoreUnaligned<double>(dest, msecs);
      else StoreMSecsThroughTimeStamp(stored, dest);
      break;
    }
    case dkDateTime: StoreUnaligned<double>(dest, stored); break;
    case dkMSecsOfDay: StoreUnaligned<int32_t>(dest, classlib::DateTimeToTimeStamp(stored).Time); break;
    case dkDayNumber: StoreUnaligned<int32_t>(dest, classlib::DateTimeToTimeStamp(stored).Date); break;
  }
}

void TData::PutDateToBuf(TRecBuf rec, int32_t offset, TDateKind kind, const void* source) {
  double value = 0;
  switch (kind) {
    case dkMSecsSince0001:
      value = classlib::TimeStampToDateTime(
          classlib::MSecsToTimeStamp(std::round(LoadUnaligned<double>(source))));
      break;
    case dkDateTime: value = LoadUnaligned<double>(source); break;
    case dkMSecsOfDay:
      value = classlib::TimeStampToDateTime({LoadUnaligned<int32_t>(source), classlib::kDateDelta});
      break;
    case dkDayNumber: value = classlib::TimeStampToDateTime({0, LoadUnaligned<int32_t>(source)}); break;
  }
  StoreUnaligned<double>(OffsetPtr(rec, offset), value);
}

// ---- Values by type -----------------------------------------------------------

void TData::GetField(const TFieldDesc& field, TRecBuf rec, void* dest) {
  uint8_t* at = FieldPtr(rec, field);
  const size_t size = field.Size();
  switch (field.DataType()) {
    case dtDate: GetDateFromBuf(rec, field.Offset(), dkDayNumber, dest); return;
    case dtTime: GetDateFromBuf(rec, field.Offset(), dkMSecsOfDay, dest); return;
    case dtDateTime: GetDateFromBuf(rec, field.Offset(), dkMSecsSince0001, dest); return;
    case dtString:
      if (GetConnectionFlag() && size > 0) {
        ExpandLineEnds(reinterpret_cast<const char*>(at), size - 1, static_cast<char*>(dest));
        return;
      }
      break;
    case dtWideString:
      if (GetConnectionFlag() && size >= 2) {
        std::vector<char16_t> text(size / 2);
        std::memcpy(text.data(), at, text.size() * 2);
        std::vector<char16_t> out(size / 2);
        ExpandLineEnds(text.data(), text.size() - 1, out.data());
        std::memcpy(dest, out.data(), out.size() * 2);
        return;
      }
      break;
    case dtHeapString: {
      const auto* s = static_cast<const char*>(GetSlot(rec, field));
      const size_t n = s ? BoundedLength(s, field.Length() ? field.Length() : SIZE_MAX) : 0;
      if (n) std::memcpy(dest, s, n);
      static_cast<char*>(dest)[n] = '\0';
      return;
    }
    case dtHeapWideString: {
      const auto* s = static_cast<const char16_t*>(GetSlot(rec, field));
      const size_t n = s ? BoundedLength(s, field.Length() ? field.Length() : SIZE_MAX) : 0;
      if (n) std::memcpy(dest, s, n * 2);
      StoreUnaligned<char16_t>(static_cast<char*>(dest) + n * 2, 0);
      return;
    }
    case dtHeapVarBytes: {
      const void* buf = GetSlot(rec, field);
      const uint16_t n = buf ? LoadUnaligned<uint16_t>(buf) : 0;
      StoreUnaligned<uint16_t>(dest, n);
      if (n) std::memcpy(static_cast<char*>(dest) + 2, static_cast<const char*>(buf) + 2, n);
      return;
    }
    case dtVariant: {
      auto* holder = static_cast<TVariantObject*>(GetSlot(rec, field));
      classlib::Assert(holder != nullptr, __FILE__, __LINE__,
                       "Object for field " + field.Name() + "(" + std::to_string(field.FieldNo()) + ") = nil");
      *static_cast<classlib::Variant*>(dest) = holder->Value();
      return;
    }
    default: break;
  }
  std::memcpy(dest, at, size);
}

void TData::PutField(const TFieldDesc& field, TRecBuf rec, const void* source) {
  uint8_t* at = FieldPtr(rec, field);
  const size_t size = field.Size();
  switch (field.DataType()) {
    case dtDate: PutDateToBuf(rec, field.Offset(), dkDayNumber, source); return;
    case dtTime: PutDateToBuf(rec, field.Offset(), dkMSecsOfDay, source); return;
    case dtDateTime: PutDateToBuf(rec, field.Offset(), dkMSecsSince0001, source); return;
    case dtString: case dtGuid: {
      if (size == 0) return;
      const size_t n = BoundedLength(static_cast<const char*>(source), size - 1);
      std::memcpy(at, source, n);
      at[n] = 0;
      return;
    }
    case dtWideString: {
      if (size < 2) return;
      std::vector<char16_t> text(size / 2, 0);
      size_t n = 0;
      for (; n + 1 < text.size(); ++n) {
        const char16_t c = LoadUnaligned<char16_t>(static_cast<const char*>(source) + n * 2);
        if (!c) break;
        text[n] = c;
      }
      std::memcpy(at, text.data(), (n + 1) * 2);
      return;
    }
    case dtHeapString: {
      StringHeap().DisposeBuf(GetSlot(rec, field));
      const auto* s = static_cast<const char*>(source);
      SetSlot(rec, field, *s ? StringHeap().AllocStr(s) : nullptr);
      return;
    }
    case dtHeapWideString: {
      StringHeap().DisposeBuf(GetSlot(rec, field));
      const auto* s = static_cast<const char16_t*>(source);
      SetSlot(rec, field, LoadUnaligned<char16_t>(s) ? StringHeap().AllocWideStr(s) : nullptr);
      return;
    }
    case dtHeapVarBytes: {
      StringHeap().DisposeBuf(GetSlot(rec, field));
      const uint16_t n = LoadUnaligned<uint16_t>(source);
      void* buf = StringHeap().NewBuf(n + 2);
      std::memcpy(buf, source, n + 2);
      SetSlot(rec, field, buf);
      return;
    }
    case dtVarBytes: {
      if (size < 2) return;
      const uint16_t n = std::min<size_t>(LoadUnaligned<uint16_t>(source), size - 2);
      StoreUnaligned<uint16_t>(at, n);
      std::memcpy(at + 2, static_cast<const char*>(source) + 2, n);
      return;
    }
    case dtVariant: {
      auto* holder = static_cast<TVariantObject*>(GetSlot(rec, field));
      classlib::Assert(holder != nullptr, __FILE__, __LINE__,
                       "Object for field " + field.Name() + "(" + std::to_string(field.FieldNo()) + ") = nil");
      holder->SetValue(*static_cast<const classlib::Variant*>(source));
      return;
    }
    case dtFloat:
      if (field.Scale() > 0 && size == sizeof(double)) {
        StoreUnaligned<double>(at, RoundToScale(LoadUnaligned<double>(source), field.Scale()));
        return;
      }
      break;
    default: break;
  }
  std::memcpy(at, source, size);
}

// ---- Values by field number ---------------------------------------------------

bool TData::ReadsTextAsStored(const TFieldDesc& field) {
  return field.DataType() == dtString && !GetConnectionFlag();
}

void TData::TrimValue(const TFieldDesc& field, void* dest) const {
  const bool trim = field.Fixed() ? trim_fixed_chars_ : trim_var_chars_;
  if (!trim) return;
  const size_t max = field.Fixed() ? field.Length() : SIZE_MAX;
  if (field.DataType() == dtString) {
    TrimTrailingBlanks(static_cast<char*>(dest), max);
  } else if (field.DataType() == dtWideString) {
    TrimTrailingBlanks(static_cast<char16_t*>(dest), max);
  }
}

void TData::GetChildField(const TFieldDesc& field, TRecBuf rec, void* dest, bool& is_blank) {
  const TFieldDesc* root = RootField(&field);
  auto* object = static_cast<TDBObject*>(GetSlot(rec, *root));
  is_blank = true;
  if (object) object->GetAttributeValue(AttributePath(field), dest, is_blank);
}

void TData::PutChildField(const TFieldDesc& field, TRecBuf rec, const void* source) {
  const TFieldDesc* root = RootField(&field);
  if (auto* object = static_cast<TDBObject*>(GetSlot(rec, *root)))
    object->SetAttributeValue(AttributePath(field), source);
}

// ---- The read plan -------------------------------------------------------------

TData::TFieldRead TData::PlanFieldRead(const TFieldDesc& field) const {
  if (field.HasParent()) return TFieldRead::kGeneral;
  switch (field.DataType()) {
    case dtInt8: case dtInt16: case dtInt32: case dtInt64: case dtUInt16: case dtUInt32:
    case dtFloat: case dtCurrency: case dtBoolean: case dtBcd: case dtBytes: case dtVarBytes: case dtGuid:
      return TFieldRead::kBytes;
    case dtString: case dtWideString: return TFieldRead::kText;
    case dtDateTime: return TFieldRead::kDateTime;
    default: return TFieldRead::kGeneral;
  }
}

void TData::PlanReads() {
  planned_fields_ = 0;
  read_plan_.clear();
  read_plan_.reserve(static_cast<size_t>(fields_.Count()));
  for (int i = 0; i < fields_.Count(); ++i) {
    const TFieldDesc& field = *fields_.GetItems(i);
    read_plan_.push_back({field.Offset(), field.Size(), PlanFieldRead(field)});
  }
  planned_fields_ = read_plan_.size();
}

void TData::ReadDateTime(int field_no, TRecBuf rec, void* dest, bool& is_blank) {
  is_blank = *NullPtr(rec, field_no) != 0;
  GetDateFromBuf(rec, read_plan_[static_cast<size_t>(field_no) - 1].offset, dkMSecsSince0001, dest);
}

// A text that reads as stored is copied in GetFieldByNo; here the others.
void TData::ReadText(int field_no, TRecBuf rec, void* dest, bool& is_blank) {
  if (GetConnectionFlag()) return ReadByType(field_no, rec, dest, is_blank);
  const TReadStep& step = read_plan_[static_cast<size_t>(field_no) - 1];
  is_blank = *NullPtr(rec, field_no) != 0;
  std::memcpy(dest, static_cast<uint8_t*>(rec) + step.offset, step.size);
  if (!is_blank && (trim_fixed_chars_ || trim_var_chars_)) TrimValue(FieldOfNo(field_no), dest);
}

void TData::ReadByType(int field_no, TRecBuf rec, void* dest, bool& is_blank) {
  const TFieldDesc& field = FieldOfNo(field_no);
  if (field.HasParent()) {
    GetChildField(field, rec, dest, is_blank);
  } else {
    is_blank = *NullPtr(rec, field_no) != 0;
    GetField(field, rec, dest);
  }
  if (!is_blank && (field.DataType() == dtString || field.DataType() == dtWideString)) TrimValue(field, dest);
}

void TData::PutFieldByNo(int field_no, TRecBuf rec, const void* source) {
  const TFieldDesc& field = FieldOfNo(field_no);
  if (!source) {
    SetNull(field_no, rec, true);
    return;
  }
  if (field.HasParent()) {
    PutChildField(field, rec, source);
    return;
  }
  if (!empty_str_as_value_) {
    const TDataType t = field.DataType();
    const bool empty_ansi = (t == dtString || t == dtHeapString) && *static_cast<const char*>(source) == 0;
    const bool empty_wide = (t == dtWideString || t == dtHeapWideString) && LoadUnaligned<char16_t>(source) == 0;
    if (empty_ansi || empty_wide) {
      SetNull(field_no, rec, true);
      return;
    }
  }
  PutField(field, rec, source);
  *NullPtr(rec, field_no) = 0;
}

bool TData::GetNull(int field_no, TRecBuf rec) {
  const TFieldDesc& field = FieldOfNo(field_no);
  if (!field.HasParent()) return *NullPtr(rec, field_no) != 0;
  std::vector<uint8_t> value(ValueBufferSize(field));
  bool is_blank = true;
  GetChildField(field, rec, value.data(), is_blank);
  return is_blank;
}

void TData::SetNull(int field_no, TRecBuf rec, bool value) {
  const TFieldDesc& field = FieldOfNo(field_no);
  if (field.HasParent()) {
    if (value) PutChildField(field, rec, nullptr);
    return;
  }
  *NullPtr(rec, field_no) = value ? 1 : 0;
  if (value && IsBlobFieldType(field.DataType()))
    if (auto* blob = static_cast<TBlob*>(GetSlot(rec, field))) blob->Clear();
}

bool TData::GetNullByBlob(int field_no, TRecBuf rec) {
  const TFieldDesc& field = FieldOfNo(field_no);
  if (!IsBlobFieldType(field.DataType())) return true;
  if (field.HasParent()) {
    // An attribute has no room in the record: its object knows its NULL.
    TBlob* blob = nullptr;
    bool is_blank = true;
    GetChildField(field, rec, &blob, is_blank);
    return is_blank;
  }
  auto* blob = static_cast<TBlob*>(GetSlot(rec, field));
  if (!blob || blob->GetSize() == 0) return true;
  *NullPtr(rec, field_no) = 0;
  return false;
}

void TData::SetNullByBlob(int field_no, TRecBuf rec) {
  const TFieldDesc& field = FieldOfNo(field_no);
  if (field.HasParent() || !IsBlobFieldType(field.DataType())) return;
  auto* blob = static_cast<TBlob*>(GetSlot(rec, field));
  *NullPtr(rec, field_no) = !blob || blob->GetSize() == 0 ? 1 : 0;
}

// ---- Blob data by field number ----------------------------------------------

namespace {

TBlob* SourceBlob(TBlob* blob, bool from_rollback) {
  return from_rollback && blob->Rollback() ? blob->Rollback() : blob;
}

}  // namespace

uint32_t TData::ReadBlob(int field_no, TRecBuf rec, uint32_t position, uint32_t count, void* dest,
                         bool from_rollback, bool true_unicode) {
  TBlob* blob = SourceBlob(GetBlob(field_no, rec), from_rollback);
  if (!blob->IsUnicode() || true_unicode) return blob->Read(position, count, dest);
  // Code page 1251 has one byte a character: character positions are byte
  // positions of the ansi text and half those of the UTF-16 content.
  std::vector<char16_t> wide(count ? count : blob->GetSize() / 2);
  const uint32_t read = blob->Read(position * 2, static_cast<uint32_t>(wide.size() * 2), wide.data());
  const std::string ansi = classlib::WideToAnsi(std::u16string_view(wide.data(), read / 2));
  std::memcpy(dest, ansi.data(), ansi.size());
  return static_cast<uint32_t>(ansi.size());
}

void TData::WriteBlob(int field_no, TRecBuf rec, uint32_t position, uint32_t count, const void* source,
                      bool true_unicode) {
  TBlob* blob = GetBlob(field_no, rec);
  if (!blob->IsUnicode() || true_unicode) {
    blob->Write(position, count, source);
  } else {
    const classlib::WideString wide = classlib::AnsiToWide(std::string_view(static_cast<const char*>(source), count));
    blob->Write(position * 2, static_cast<uint32_t>(wide.size() * 2), wide.data());
  }
  SetNullByBlob(field_no, rec);
}

uint32_t TData::GetBlobSize(int field_no, TRecBuf rec, bool from_rollback, bool true_unicode) {
  TBlob* blob = SourceBlob(GetBlob(field_no, rec), from_rollback);
  const uint32_t size = blob->GetSize();
  return blob->IsUnicode() && !true_unicode ? size / 2 : size;
}

void TData::TruncateBlob(int field_no, TRecBuf rec, uint32_t size, bool true_unicode) {
  TBlob* blob = GetBlob(field_no, rec);
  blob->Truncate(blob->IsUnicode() && !true_unicode ? size * 2 : size);
  SetNullByBlob(field_no, rec);
}

}  // namespace dacore
