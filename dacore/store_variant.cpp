// TData: field values as Variants, by the conversion table of the data types.
#include <cstring>
#include <vector>

#include "classlib/bcd.h"
#include "classlib/codepage.h"
#include "classlib/exceptions.h"
#include "classlib/numconv.h"
#include "dacore/messages.h"
#include "dacore/store_data.h"
#include "dacore/util_bytes.h"
#include "dacore/util_var_bytes.h"

namespace dacore {

using classlib::Variant;

namespace {

[[noreturn]] void CannotConvert() { throw classlib::EConvertError(SCannotConvertType); }

[[noreturn]] void CannotRead(TDataType t) {
  throw classlib::EConvertError(std::string(SCannotConvertType) + " " + std::to_string(t));
}

bool IsVarType(const Variant& v, std::initializer_list<classlib::TVarType> types) {
  const classlib::TVarType t = classlib::VarType(v);
  for (auto each : types) if (t == each) return true;
  return false;
}

bool IsSmallInteger(const Variant& v) {
  using namespace classlib;
  return IsVarType(v, {varSmallint, varInteger, varShortInt, varByte, varWord});
}

bool IsFloatOrCurrency(const Variant& v) {
  using namespace classlib;
  return IsVarType(v, {varSingle, varDouble, varCurrency});
}

std::vector<uint8_t> WideBuffer(const classlib::WideString& text, size_t max_chars) {
  const size_t n = std::min(text.size(), max_chars);
  std::vector<uint8_t> buf((n + 1) * 2, 0);
  std::memcpy(buf.data(), text.data(), n * 2);
  return buf;
}

}  // namespace

void TData::GetFieldAsVariant(int field_no, TRecBuf rec, Variant& value) {
  const TFieldDesc& field = FieldOfNo(field_no);
  const TDataType t = field.DataType();
  std::vector<uint8_t> buf(ValueBufferSize(field) + 2, 0);
  bool is_blank = true;
  const bool in_slot = IsBlobFieldType(t) || t == dtVariant || t == dtHeapString || t == dtHeapWideString ||
                       t == dtHeapVarBytes;
  if (in_slot && !field.HasParent()) {
    // Values held outside the record are read from their slot below.
    is_blank = GetNull(field_no, rec);
  } else {
    GetFieldByNo(field_no, rec, buf.data(), is_blank);
  }
  if (is_blank) {
    value = classlib::Null();
    return;
  }
  const uint8_t* at = buf.data();
  switch (t) {
    case dtString: case dtGuid: value = Variant(std::string(reinterpret_cast<const char*>(at))); return;
    case dtInt8:
      value = field.Size() == 1 ? Variant(LoadUnaligned<int8_t>(at)) : Variant(LoadUnaligned<int16_t>(at));
      return;
    case dtInt16: value = Variant(LoadUnaligned<int16_t>(at)); return;
    case dtInt32: value = Variant(LoadUnaligned<int32_t>(at)); return;
    case dtFloat: case dtCurrency: value = Variant(LoadUnaligned<double>(at)); return;
    case dtDate:
      value = Variant::FromDate(classlib::TimeStampToDateTime({0, LoadUnaligned<int32_t>(at)}));
      return;
    case dtTime:
      value = Variant::FromDate(classlib::TimeStampToDateTime({LoadUnaligned<int32_t>(at), classlib::kDateDelta}));
      return;
    case dtDateTime:
      value = Variant::FromDate(classlib::TimeStampToDateTime(classlib::MSecsToTimeStamp(LoadUnaligned<double>(at))));
      return;
    case dtUInt16: value = Variant(LoadUnaligned<uint16_t>(at)); return;
    case dtBoolean: value = Variant(LoadUnaligned<int16_t>(at) > 0); return;
    case dtInt64: value = Variant(static_cast<long long>(LoadUnaligned<int64_t>(at))); return;
    case dtUInt32: value = Variant(LoadUnaligned<uint32_t>(at)); return;
    case dtMemo: value = Variant(GetBlob(field_no, rec)->GetAsString()); return;
    case dtWideMemo: value = Variant(GetBlob(field_no, rec)->GetAsWideString()); return;
    case dtVariant: {
      auto* holder = static_cast<TVariantObject*>(GetSlot(rec, field));
      value = holder ? holder->Value() : classlib::Null();
      return;
    }
    case dtHeapString: {
      const auto* s = static_cast<const char*>(GetSlot(rec, field));
      value = Variant(std::string(s ? s : ""));
      return;
    }
    case dtHeapWideString: {
      const auto* s = static_cast<const char16_t*>(GetSlot(rec, field));
      value = Variant(classlib::WideString(s ? s : u""));
      return;
    }
    case dtWideString: value = Variant(classlib::WideString(reinterpret_cast<const char16_t*>(at))); return;
    case dtBytes: value = BytesToVar(TBytes(at, at + field.Size())); return;
    case dtVarBytes: {
      const uint16_t n = LoadUnaligned<uint16_t>(at);
      value = BytesToVar(TBytes(at + 2, at + 2 + n));
      return;
    }
    case dtHeapVarBytes: {
      const auto* held = static_cast<const uint8_t*>(GetSlot(rec, field));
      const uint16_t n = held ? LoadUnaligned<uint16_t>(held) : 0;
      value = BytesToVar(held ? TBytes(held + 2, held + 2 + n) : TBytes());
      return;
    }
    case dtBcd: value = Variant(classlib::Currency::FromScaled(LoadUnaligned<int64_t>(at))); return;
    case dtFmtBcd: value = classlib::VarFMTBcdCreate(LoadUnaligned<classlib::TBcd>(at)); return;
    default: CannotRead(t);
  }
}

void TData::PutFieldAsVariant(int field_no, TRecBuf rec, const Variant& value) {
  using namespace classlib;
  const TFieldDesc& field = FieldOfNo(field_no);
  if (VarIsNull(value) || VarIsEmpty(value)) {
    SetNull(field_no, rec, true);
    return;
  }
  const TDataType t = field.DataType();
  std::vector<uint8_t> buf(ValueBufferSize(field) + 2, 0);
  uint8_t* at = buf.data();
  switch (t) {
    case dtString: case dtGuid: {
      // The text must leave room for its terminator within the field.
      const std::string text = VarToStr(value);
      const size_t room = field.HasParent() ? field.Length() : (field.Size() ? field.Size() - 1u : 0u);
      const size_t n = std::min(text.size(), room);
      std::memcpy(at, text.data(), n);
      at[n] = 0;
      break;
    }
    case dtInt8:
      if (!VarIsOrdinal(value)) CannotConvert();
      if (field.Size() == 1 || field.HasParent()) StoreUnaligned<int8_t>(at, static_cast<int8_t>(value.AsInteger()));
      else {
        classlib::Assert(field.Size() == 2, __FILE__, __LINE__);
        StoreUnaligned<int16_t>(at, static_cast<int16_t>(value.AsInteger()));
      }
      break;
    case dtInt16: case dtUInt16:
      if (!IsSmallInteger(value)) CannotConvert();
      if (t == dtInt16) StoreUnaligned<int16_t>(at, static_cast<int16_t>(value.AsInteger()));
      else StoreUnaligned<uint16_t>(at, static_cast<uint16_t>(value.AsInteger()));
      break;
    case dtInt32:
      if (!IsSmallInteger(value) && !IsFloatOrCurrency(value) && !VarIsStr(value)) CannotConvert();
      StoreUnaligned<int32_t>(at, value.AsInteger());
      break;
    case dtFloat: case dtCurrency: {
      double d = 0;
      if (IsSmallInteger(value) || IsVarType(value, {varLongWord, varInt64})) d = value.AsDouble();
      else if (IsFloatOrCurrency(value)) d = RoundToScale(value.AsDouble(), field.Scale());
      else if (VarIsStr(value)) d = RoundToScale(StrToFloat(VarToStr(value)), field.Scale());
      else CannotConvert();
      StoreUnaligned<double>(at, d);
      break;
    }
    case dtDate: case dtTime: case dtDateTime:
      if (!field.HasParent()) {
        // The date-time value is stored as it is, whatever the kind.
        StoreUnaligned<double>(FieldPtr(rec, field), value.AsDate());
        *NullPtr(rec, field_no) = 0;
        return;
      }
      StoreUnaligned<double>(at, value.AsDate());
      break;
    case dtBoolean:
      if (VarType(value) != varBoolean) CannotConvert();
      StoreUnaligned<int16_t>(at, value.AsBoolean() ? 1 : 0);
      break;
    case dtInt64:
      if (VarType(value) != varInt64) CannotConvert();
      StoreUnaligned<int64_t>(at, value.AsInt64());
      break;
    case dtUInt32:
      if (VarType(value) != varLongWord) CannotConvert();
      StoreUnaligned<uint32_t>(at, static_cast<uint32_t>(value.AsInt64()));
      break;
    case dtMemo: case dtBlob: case dtWideMemo: {
      TBlob* blob = GetBlob(field_no, rec);
      if (t == dtWideMemo) blob->SetAsWideString(VarToWideStr(value));
      else blob->SetAsString(VarToStr(value));
      *NullPtr(rec, field_no) = 0;
      return;
    }
    case dtVariant:
      PutFieldByNo(field_no, rec, &value);
      return;
    case dtHeapString:
      PutFieldByNo(field_no, rec, VarToStr(value).c_str());
      return;
    case dtHeapWideString:
      PutFieldByNo(field_no, rec, VarToWideStr(value).c_str());
      return;
    case dtWideString: {
      const size_t max_chars = field.HasParent() ? field.Length() : (field.Size() / 2 ? field.Size() / 2 - 1u : 0u);
      buf = WideBuffer(VarToWideStr(value), max_chars);
      break;
    }
    case dtBytes: {
      classlib::Assert(VarIsByteArray(value), __FILE__, __LINE__, "Invalid VType");
      const TBytes bytes = VarToBytes(value);
      classlib::Assert(bytes.size() == field.Length(), __FILE__, __LINE__, "Invalid data size");
      buf.resize(std::max(buf.size(), bytes.size()));
      if (!bytes.empty()) std::memcpy(buf.data(), bytes.data(), bytes.size());
      break;
    }
    case dtVarBytes: case dtHeapVarBytes: {
      classlib::Assert(VarIsByteArray(value), __FILE__, __LINE__, "Invalid VType");
      const TBytes bytes = VarToBytes(value);
      // The stored length is 16 bits wide.
      const size_t max = t == dtVarBytes ? field.Length() : 65535u;
      classlib::Assert(bytes.size() <= max, __FILE__, __LINE__, "Invalid data size");
      buf.assign(bytes.size() + 2, 0);
      StoreUnaligned<uint16_t>(buf.data(), static_cast<uint16_t>(bytes.size()));
      if (!bytes.empty()) std::memcpy(buf.data() + 2, bytes.data(), bytes.size());
      break;
    }
    case dtBcd:
      StoreUnaligned<int64_t>(at, value.AsCurrency().value);
      break;
    case dtFmtBcd:
      StoreUnaligned<TBcd>(at, StrToBCD(VarToStr(value)));
      break;
    default: CannotConvert();
  }
  PutFieldByNo(field_no, rec, buf.data());
}

}  // namespace dacore
