// TMemData: comparison of strings, keys and field values by type, and of
// records by field and by the sort columns.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "classlib/ansistr.h"
#include "classlib/bcd.h"
#include "classlib/codepage.h"
#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "classlib/numconv.h"
#include "classlib/variant.h"
#include "dacore/store_mem_data.h"
#include "dacore/util_bytes.h"
#include "dacore/util_locale_compare.h"
#include "dacore/util_wide_str.h"

namespace dacore {

namespace {

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

template <class T>
int Order(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }

enum class Kind { kNumber, kAnsi, kWide, kBytes, kVariant, kFmtBcd, kUnknown };

Kind KindOf(TDataType t) {
  switch (t) {
    case dtInt8: case dtInt16: case dtInt32: case dtUInt16: case dtUInt32: case dtBoolean: case dtInt64:
    case dtFloat: case dtCurrency: case dtDate: case dtTime: case dtDateTime: case dtBcd:
      return Kind::kNumber;
    case dtString: case dtGuid: case dtHeapString: return Kind::kAnsi;
    case dtWideString: case dtHeapWideString: return Kind::kWide;
    case dtBytes: case dtVarBytes: case dtHeapVarBytes: return Kind::kBytes;
    case dtVariant: return Kind::kVariant;
    case dtFmtBcd: return Kind::kFmtBcd;
    default: return Kind::kUnknown;
  }
}

// A number of any numeric type: exact while both sides are integers.
struct Number {
  bool exact = true;
  int64_t i = 0;
  double d = 0;
};

Number ReadNumber(const void* p, TDataType t, size_t size) {
  Number n;
  switch (t) {
    case dtInt8: n.i = size == 2 ? LoadUnaligned<int16_t>(p) : LoadUnaligned<int8_t>(p); break;
    case dtInt16: n.i = LoadUnaligned<int16_t>(p); break;
    case dtBoolean: n.i = LoadUnaligned<int16_t>(p); break;
    case dtInt32: n.i = LoadUnaligned<int32_t>(p); break;
    case dtUInt16: n.i = LoadUnaligned<uint16_t>(p); break;
    case dtUInt32: n.i = LoadUnaligned<uint32_t>(p); break;
    case dtInt64: n.i = LoadUnaligned<int64_t>(p); break;
    case dtBcd: n.exact = false; n.d = static_cast<double>(LoadUnaligned<int64_t>(p)) / 10000.0; return n;
    default: n.exact = false; n.d = LoadUnaligned<double>(p); return n;
  }
  n.d = static_cast<double>(n.i);
  return n;
}

// The types ReadNumber reads exactly.
bool IsInteger(TDataType t) {
  switch (t) {
    case dtInt8: case dtInt16: case dtBoolean: case dtInt32: case dtUInt16: case dtUInt32: case dtInt64: return true;
    default: return false;
  }
}

// A float's bits turned so that they order as unsigned numbers as the
// values do: zero has one form, and a NaN (any) sorts after every number.
uint64_t FloatOrderBits(double d) {
  if (d == 0) d = 0;  // -0 sorts with +0
  if (std::isnan(d)) d = std::numeric_limits<double>::quiet_NaN();
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return bits & (uint64_t{1} << 63) ? ~bits : bits | (uint64_t{1} << 63);
}

// The order of FloatOrderBits: a NaN equals only a NaN and follows every
// number, so that the sort keys and the record comparison agree.
int OrderFloats(double a, double b) {
  const bool a_nan = std::isnan(a), b_nan = std::isnan(b);
  if (a_nan || b_nan) return a_nan == b_nan ? 0 : (a_nan ? 1 : -1);
  return Order(a, b);
}

int CompareNumbers(const Number& a, const Number& b) {
  return a.exact && b.exact ? Order(a.i, b.i) : OrderFloats(a.d, b.d);
}

// The value of a stored field as text, for comparison with a string key.
std::string NumberText(const void* p, TDataType t, size_t size) {
  switch (t) {
    case dtDate: return classlib::DateToStr(LoadUnaligned<double>(p));
    case dtTime: return classlib::TimeToStr(LoadUnaligned<double>(p));
    case dtDateTime: return classlib::DateTimeToStr(LoadUnaligned<double>(p));
    default: break;
  }
  const Number n = ReadNumber(p, t, size);
  return n.exact ? std::to_string(n.i) : classlib::FloatToStr(n.d);
}

std::string WideToAnsi(const void* p) {
  classlib::WideString w(static_cast<size_t>(StrLenW(p)), u'\0');
  if (!w.empty()) std::memcpy(w.data(), p, w.size() * 2);
  return classlib::WideToAnsi(w);
}

// Var-bytes (16-bit length, then the bytes) or fixed bytes of `size`.
std::string_view BytesOf(const void* p, TDataType t, size_t size) {
  if (t == dtBytes) return {static_cast<const char*>(p), size};
  return {static_cast<const char*>(p) + 2, LoadUnaligned<uint16_t>(p)};
}

// Four-byte little-endian words as unsigned numbers, then single bytes.
int CompareByteRuns(const uint8_t* a, const uint8_t* b, size_t n) {
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const uint32_t wa = LoadUnaligned<uint32_t>(a + i), wb = LoadUnaligned<uint32_t>(b + i);
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  for (; i < n; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

int CompareBytes(std::string_view key, std::string_view value, TCompareOptions options) {
  auto bytes = [](std::string_view s) { return reinterpret_cast<const uint8_t*>(s.data()); };
  if ((options & coPartialCompare) && key.size() <= value.size()) {
    for (size_t at = 0; at + key.size() <= value.size(); ++at)
      if (CompareByteRuns(bytes(key), bytes(value) + at, key.size()) == 0) return 0;
    return 1;
  }
  if ((options & coPartialKey) && key.size() <= value.size())
    return CompareByteRuns(bytes(key), bytes(value), key.size());
  const int common = CompareByteRuns(bytes(key), bytes(value), std::min(key.size(), value.size()));
  if (common != 0) return common;
  return Order(key.size(), value.size());
}

const char16_t kEmptyWide[1] = {0};
const uint8_t kEmptyVarBytes[2] = {0, 0};

}  // namespace

// ---- Strings -----------------------------------------------------------------

// Only identical texts collate equal, so equal bytes answer at once.
int TMemData::CompareStrA(const char* a, const char* b, TCompareOptions options) {
  if (std::strcmp(a, b) == 0) return 0;
  return Sign(options & coCaseInsensitive ? AnsiStrICompSort(a, b) : AnsiStrCompSort(a, b));
}

int TMemData::CompareStrExactA(std::string_view a, std::string_view b, TCompareOptions options) {
  if (a == b) return 0;
  return Sign(options & coCaseInsensitive ? AnsiCompareTextSort(a, b) : AnsiCompareStrSort(a, b));
}

int TMemData::CompareStrW(const void* a, const void* b, TCompareOptions options) {
  const int len = StrLenW(a);
  return Sign(options & coCaseInsensitive ? WideStrLIComp(a, b, len) : WideStrLComp(a, b, len));
}

int TMemData::CompareStrExactW(const void* a, const void* b, TCompareOptions options) {
  return Sign(options & coCaseInsensitive ? WideStrIComp(a, b) : WideStrComp(a, b));
}

int TMemData::CompareFieldsPartial(std::string_view key, std::string_view value, TCompareOptions options) {
  if (options & coPartialCompare) {
    if (options & coCaseInsensitive)
      return classlib::AnsiUpperCase(value).find(classlib::AnsiUpperCase(key)) != std::string::npos ? 0 : 1;
    return value.find(key) != std::string_view::npos ? 0 : 1;
  }
  if (options & coPartialKey) value = value.substr(0, key.empty() ? value.size() : key.size());
  return CompareStrExactA(key, value, options);
}

int TMemData::CompareFieldsPartialW(const void* key, const void* value, TCompareOptions options) {
  if (IsWin9x()) return CompareFieldsPartial(WideToAnsi(key), WideToAnsi(value), options);
  if (options & coPartialCompare) {
    classlib::WideString k(static_cast<size_t>(StrLenW(key)), u'\0'), v(static_cast<size_t>(StrLenW(value)), u'\0');
    if (!k.empty()) std::memcpy(k.data(), key, k.size() * 2);
    if (!v.empty()) std::memcpy(v.data(), value, v.size() * 2);
    if (options & coCaseInsensitive) {
      k = classlib::AnsiToWide(classlib::AnsiUpperCase(classlib::WideToAnsi(k)));
      v = classlib::AnsiToWide(classlib::AnsiUpperCase(classlib::WideToAnsi(v)));
    }
    return v.find(k) != classlib::WideString::npos ? 0 : 1;
  }
  if (options & coPartialKey) return CompareStrW(key, value, options);
  return CompareStrExactW(key, value, options);
}

// ---- Field values ------------------------------------------------------------

// Inline values are read where they lie; heap values through their slot;
// attribute fields through their root object into scratch.
const void* TMemData::FieldValue(const TFieldDesc& field, TRecBuf rec, std::vector<uint8_t>& scratch) {
  if (field.HasParent()) {
    scratch.assign(ValueBufferSize(field) + sizeof(classlib::Variant), 0);
    bool blank = false;
    GetFieldByNo(field.FieldNo(), rec, scratch.data(), blank);
    const TDataType t = field.DataType();
    if (t == dtDate || t == dtTime || t == dtDateTime) {
      // Back to the stored date-time number.
      std::vector<uint8_t> stored(8);
      const TDateKind kind = t == dtDate ? dkDayNumber : (t == dtTime ? dkMSecsOfDay : dkMSecsSince0001);
      PutDateToBuf(stored.data(), 0, kind, scratch.data());
      scratch = stored;
    }
    return scratch.data();
  }
  const uint8_t* at = FieldPtr(rec, field);
  switch (field.DataType()) {
    case dtHeapString: {
      const void* s = GetSlot(rec, field);
      return s ? s : "";
    }
    case dtHeapWideString: {
      const void* s = GetSlot(rec, field);
      return s ? s : kEmptyWide;
    }
    case dtHeapVarBytes: {
      const void* s = GetSlot(rec, field);
      return s ? s : kEmptyVarBytes;
    }
    case dtVariant: {
      auto* holder = static_cast<TVariantObject*>(GetSlot(rec, field));
      CLASSLIB_ASSERT(holder != nullptr);
      return &holder->Value();
    }
    default: return at;
  }
}

int TMemData::CompareFieldValue(const void* value, TDataType value_type, const TFieldDesc& field, TRecBuf rec,
                                TCompareOptions options) {
  std::vector<uint8_t> scratch;
  const void* stored = FieldValue(field, rec, scratch);
  const TDataType field_type = field.DataType();
  const Kind value_kind = KindOf(value_type), field_kind = KindOf(field_type);
  const size_t key_size = value_type == field_type ? field.Size() : (value_type == dtInt8 ? 1 : field.Size());
  switch (value_kind) {
    case Kind::kNumber:
      if (field_kind == Kind::kNumber)
        return CompareNumbers(ReadNumber(value, value_type, key_size), ReadNumber(stored, field_type, field.Size()));
      if (field_kind == Kind::kAnsi || field_kind == Kind::kWide) {
        const std::string text = field_kind == Kind::kAnsi ? std::string(static_cast<const char*>(stored)) : WideToAnsi(stored);
        double d = 0;
        if (classlib::TryStrToFloat(text, d)) return CompareNumbers(ReadNumber(value, value_type, key_size), Number{false, 0, d});
        return CompareFieldsPartial(NumberText(value, value_type, key_size), text, options);
      }
      break;
    case Kind::kAnsi: {
      const std::string_view key(static_cast<const char*>(value));
      if (field_kind == Kind::kAnsi) return CompareFieldsPartial(key, static_cast<const char*>(stored), options);
      if (field_kind == Kind::kWide) return CompareFieldsPartial(key, WideToAnsi(stored), options);
      if (field_kind == Kind::kNumber) return CompareFieldsPartial(key, NumberText(stored, field_type, field.Size()), options);
      if (field_kind == Kind::kVariant)
        return CompareFieldsPartial(key, classlib::VarToStr(*static_cast<const classlib::Variant*>(stored)), options);
      if (field_kind == Kind::kFmtBcd)
        return CompareFieldsPartial(key, classlib::BCDToStr(LoadUnaligned<classlib::TBcd>(stored)), options);
      break;
    }
    case Kind::kWide:
      if (field_kind == Kind::kWide) return CompareFieldsPartialW(value, stored, options);
      if (field_kind == Kind::kAnsi) return CompareFieldsPartial(WideToAnsi(value), static_cast<const char*>(stored), options);
      break;
    case Kind::kBytes:
      if (field_kind == Kind::kBytes)
        return CompareBytes(BytesOf(value, value_type, key_size), BytesOf(stored, field_type, field.Size()), options);
      break;
    case Kind::kFmtBcd:
      if (field_kind == Kind::kFmtBcd)
        return Sign(classlib::BcdCompare(LoadUnaligned<classlib::TBcd>(value), LoadUnaligned<classlib::TBcd>(stored)));
      if (field_kind == Kind::kNumber)
        return CompareNumbers(Number{false, 0, classlib::BCDToDouble(LoadUnaligned<classlib::TBcd>(value))},
                              ReadNumber(stored, field_type, field.Size()));
      break;
    case Kind::kVariant: {
      const auto& v1 = *static_cast<const classlib::Variant*>(value);
      classlib::Variant v2;
      if (field_kind == Kind::kVariant) v2 = *static_cast<const classlib::Variant*>(stored);
      else GetFieldAsVariant(field.FieldNo(), rec, v2);
      const classlib::TVariantRelationship r = classlib::VarCompareValue(v1, v2);
      classlib::Assert(r != classlib::vrNotEqual, __FILE__, __LINE__, "Invalid v1.VType");
      return r == classlib::vrEqual ? 0 : (r == classlib::vrLessThan ? -1 : 1);
    }
    case Kind::kUnknown: break;
  }
  classlib::Assert(false, __FILE__, __LINE__, "Unknown ValueType = " + std::to_string(value_type));
  return 0;
}

// ---- Records -----------------------------------------------------------------

int TMemData::CompareRecords(TRecBuf rec1, TRecBuf rec2, TCompareOptions options, const TFieldDesc& field) {
  const bool null1 = GetNull(field.FieldNo(), rec1);
  const bool null2 = GetNull(field.FieldNo(), rec2);
  if (null1 || null2) return null1 == null2 ? 0 : (null1 ? -1 : 1);
  std::vector<uint8_t> scratch;
  const void* value = FieldValue(field, rec1, scratch);
  return CompareFieldValue(value, field.DataType(), field, rec2, options);
}

int TMemData::CompareRecordField(TRecBuf rec1, TRecBuf rec2, const TSortColumn& column) {
  return CompareRecords(rec1, rec2, column.case_sensitive ? 0 : coCaseInsensitive, *column.field);
}

int TMemData::CompareBySortColumns(TRecBuf rec1, TRecBuf rec2) {
  if (sort_by_calculated_ && OnCalcFields) return CompareByColumnsWithCalc(rec1, rec2);
  for (const TSortColumn& column : sort_columns_) {
    const int r = CompareRecordField(rec1, rec2, column);
    if (r != 0) return column.descending ? -r : r;
  }
  return 0;
}

// ---- Sort keys ---------------------------------------------------------------

// Numbers and ansi texts of the record itself are read once per record;
// every other column (attribute, calculated, wide, bytes, Variant, BCD
// fields) and every column of a store that refines its comparisons goes
// through the record comparison.
TSortKeyKind TMemData::SortKeyKind(const TSortColumn& column) {
  const TFieldDesc& field = *column.field;
  if (!SortsByKeys() || field.HasParent() || field.FieldKind() == fkCalculated) return TSortKeyKind::kRecord;
  switch (KindOf(field.DataType())) {
    case Kind::kNumber: return IsInteger(field.DataType()) ? TSortKeyKind::kInteger : TSortKeyKind::kFloat;
    case Kind::kAnsi: return TSortKeyKind::kAnsi;
    default: return TSortKeyKind::kRecord;
  }
}

// A column's key: a null byte (0 for null, so that null sorts first), then a
// number's eight bytes, most significant first, or a text's collation key;
// every byte turned over for a descending column. Collation keys are never
// a prefix of one another, so the keys of several columns, one after
// another, order as the columns do one after another.
void TMemData::AppendSortKey(const TSortColumn& column, TSortKeyKind kind, TRecBuf rec, std::string& key) {
  CLASSLIB_ASSERT(kind != TSortKeyKind::kRecord);
  const TFieldDesc& field = *column.field;
  const size_t start = key.size();
  const bool null = GetNull(field.FieldNo(), rec);
  key.push_back(null ? '\0' : '\1');
  if (!null) {
    std::vector<uint8_t> scratch;
    const void* value = FieldValue(field, rec, scratch);
    if (kind == TSortKeyKind::kAnsi) {
      // CompareStrExactA's order: the string sort, without case for a CIS column.
      classlib::AnsiSortKey(static_cast<const char*>(value),
                            classlib::cfStringSort | (column.case_sensitive ? 0 : classlib::cfIgnoreCase), key);
    } else {
      const Number n = ReadNumber(value, field.DataType(), field.Size());
      const uint64_t bits = kind == TSortKeyKind::kInteger ? static_cast<uint64_t>(n.i) ^ (uint64_t{1} << 63)
                                                           : FloatOrderBits(n.d);
      for (int shift = 56; shift >= 0; shift -= 8) key.push_back(static_cast<char>(bits >> shift));
    }
  }
  if (column.descending)
    for (size_t i = start; i < key.size(); ++i) key[i] = static_cast<char>(~key[i]);
}

// Calculated fields exist only in buffers with room for them, filled anew.
int TMemData::CompareByColumnsWithCalc(TRecBuf rec1, TRecBuf rec2) {
  TRecBufHolder calc1(record_size_ + calc_record_size_), calc2(record_size_ + calc_record_size_);
  std::memcpy(calc1.buf, rec1, record_size_);
  std::memcpy(calc2.buf, rec2, record_size_);
  OnCalcFields(calc1.buf);
  OnCalcFields(calc2.buf);
  for (const TSortColumn& column : sort_columns_) {
    const int r = CompareRecordField(calc1.buf, calc2.buf, column);
    if (r != 0) return column.descending ? -r : r;
  }
  return 0;
}

}  // namespace dacore
