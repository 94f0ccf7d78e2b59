// TMemDataSet: searching the store for key values (Locate, Lookup and the
// record search under them) and turning search values into record form.
#include <algorithm>
#include <cstring>
#include <optional>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "classlib/field.h"
#include "classlib/variant.h"
#include "dacore/memds_dataset.h"
#include "dacore/messages.h"
#include "dacore/util_bytes.h"

namespace dacore {

using namespace classlib;

// ---- Search values -----------------------------------------------------------------

namespace {


TConvertedValue CountedBytes(const char* bytes, std::size_t count) {
  if (count > 0xFFFF) throw EConvertError(SCannotConvertType);
  TConvertedValue out;
  out.type = dtVarBytes;
  out.data.resize(2 + count);
  StoreUnaligned<uint16_t>(out.data.data(), static_cast<uint16_t>(count));
  if (count > 0) std::memcpy(out.data.data() + 2, bytes, count);
  return out;
}

TConvertedValue ByteArray(const Variant& value) {
  if (!VarIsArray(value)) throw EConvertError(SCannotConvertType);
  const int count = VarArrayHighBound(value, 1) - VarArrayLowBound(value, 1) + 1;
  std::string bytes;
  for (int i = 0; i < count; ++i)
    bytes.push_back(static_cast<char>(VarArrayGet(value, {VarArrayLowBound(value, 1) + i}).AsInteger()));
  return CountedBytes(bytes.data(), bytes.size());
}

}  // namespace

// Search values travel in the record form CompareFieldValue reads: texts
// zero-terminated, integers in 32 bits (64 for the unsigned 32-bit type,
// whose values do not all fit), floats and dates as doubles, bytes behind
// a 16-bit length.
TConvertedValue TMemDataSet::ConvertFieldData(const Variant& value, const TFieldDesc& desc) {
  if (VarIsNull(value) || VarIsEmpty(value)) return {};
  const TDataType t = desc.DataType();
  if (VarIsStr(value)) {
    if (t == dtBytes || t == dtVarBytes || t == dtHeapVarBytes) {
      const std::string bytes = value.AsString();
      return CountedBytes(bytes.data(), bytes.size());
    }
  }
  switch (t) {
    case dtString:
    case dtHeapString:
    case dtGuid: return TConvertedValue::Text(value.AsString());
    case dtInt8: case dtInt16: case dtInt32: case dtUInt16: return TConvertedValue::Scalar<int32_t>(value.AsInteger(), dtInt32);
    case dtUInt32: return TConvertedValue::Scalar<int64_t>(value.AsInt64(), dtInt64);
    case dtFloat: case dtCurrency: case dtBcd: return TConvertedValue::Scalar<double>(value.AsDouble(), dtFloat);
    case dtDate: case dtTime: case dtDateTime: return TConvertedValue::Scalar<double>(value.AsDate(), dtFloat);
    case dtBoolean: return TConvertedValue::Scalar<int16_t>(value.AsBoolean() ? 1 : 0, dtBoolean);
    case dtInt64: return TConvertedValue::Scalar<int64_t>(value.AsInt64(), dtInt64);
    case dtBytes: case dtVarBytes: case dtHeapVarBytes: return ByteArray(value);
    case dtWideString:
    case dtHeapWideString: {
      const WideString text = VarToWideStr(value);
      TConvertedValue out;
      out.type = dtWideString;
      out.data.resize((text.size() + 1) * 2, 0);
      std::memcpy(out.data.data(), text.data(), text.size() * 2);
      return out;
    }
    case dtFmtBcd: return TConvertedValue::Scalar<TBcd>(VarToBcd(value), dtFmtBcd);
    default: throw EConvertError(SCannotConvertType);
  }
}

// ---- Key fields ---------------------------------------------------------------------

std::vector<TFieldDesc*> TMemDataSet::KeyDescsOf(const std::string& names) const {
  std::vector<TFieldDesc*> keys;
  for (const std::string& name : SplitNameList(names))
    if (TFieldDesc* desc = FIRecordSet->FindField(name)) keys.push_back(desc);
  return keys;
}

std::vector<TFieldDesc*> TMemDataSet::KeyDescsOf(const std::vector<TField*>& fields) const {
  std::vector<TFieldDesc*> keys;
  for (TField* field : fields)
    if (field != nullptr)
      if (TFieldDesc* desc = GetFieldDesc(field)) keys.push_back(desc);
  return keys;
}

// ---- The record search ----------------------------------------------------------------

// The order of the search values against the search buffer's record over
// the first `count` keys: negative when the values come first.
int TMemDataSet::CompareKey(const std::vector<TFieldDesc*>& keys, const std::vector<TConvertedValue>& values,
                            int count, TLocateExOptions options) {
  const TSortColumns& columns = Store().SortColumns();
  for (int i = 0; i < count; ++i) {
    const TFieldDesc& key = *keys[static_cast<std::size_t>(i)];
    const TConvertedValue& value = values[static_cast<std::size_t>(i)];
    const bool field_null = FIRecordSet->GetNull(key.FieldNo(), search_buffer_);
    int result = 0;
    if (field_null || value.IsNull())
      result = field_null == value.IsNull() ? 0 : (field_null ? 1 : -1);
    else
      result = Store().CompareFieldValue(value.data.data(), value.type, key, search_buffer_, options & 0x23u);
    if (columns[static_cast<std::size_t>(i)].descending) result = -result;
    if (result != 0) return result;
  }
  return 0;
}

bool TMemDataSet::KeysMatch(const std::vector<TFieldDesc*>& keys, const std::vector<TConvertedValue>& values,
                            TLocateExOptions options) {
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const bool field_null = FIRecordSet->GetNull(keys[i]->FieldNo(), search_buffer_);
    if (values[i].IsNull()) {
      if (!field_null) return false;
      continue;
    }
    if (field_null) return false;
    const int result =
        Store().CompareFieldValue(values[i].data.data(), values[i].type, *keys[i], search_buffer_, options & 0x23u);
    if (result != 0 && !((options & lxNearest) != 0 && result < 0)) return false;
  }
  return true;
}

bool TMemDataSet::LocateRecord(std::vector<TFieldDesc*> keys, const Variant& values, TLocateExOptions options,
                               bool keep_position) {
  if (keys.empty()) return false;
  CheckBrowseMode();
  UpdateCursorPos();
  TMemData& store = Store();

  // Values: one per key from an array, else all of it for the first key.
  std::vector<TConvertedValue> converted(keys.size());
  const bool spread = VarIsArray(values) && (keys.size() > 1 || VarArrayHighBound(values, 1) == 0);
  bool calculated = false;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    Variant value = Null();
    if (spread) {
      const int index = VarArrayLowBound(values, 1) + static_cast<int>(i);
      if (index <= VarArrayHighBound(values, 1)) value = VarArrayGet(values, {index});
    } else if (i == 0) {
      value = values;
    }
    converted[i] = ConvertFieldData(value, *keys[i]);
    calculated = calculated || keys[i]->FieldKind() == fkCalculated;
  }

  // The sort columns the keys begin with, in column order. While rows
  // arrive in the background the local order waits for the fetch's end
  // (the rows come in the server's order), so the search scans instead,
  // waiting for more rows when it reaches the last held.
  int prefix = 0;
  if ((options & (lxPartialKey | lxNearest | lxPartialCompare)) == 0 && !store.SharedRows()) {
    for (const TSortColumn& column : store.SortColumns()) {
      if (column.case_sensitive == ((options & lxCaseInsensitive) != 0)) break;
      auto at = std::find(keys.begin() + prefix, keys.end(), column.field);
      if (at == keys.end()) break;
      const auto index = static_cast<std::size_t>(at - keys.begin());
      std::rotate(keys.begin() + prefix, keys.begin() + static_cast<std::ptrdiff_t>(index),
                  keys.begin() + static_cast<std::ptrdiff_t>(index) + 1);
      std::rotate(converted.begin() + prefix, converted.begin() + static_cast<std::ptrdiff_t>(index),
                  converted.begin() + static_cast<std::ptrdiff_t>(index) + 1);
      ++prefix;
    }
  }

  TRecBookmark saved;
  store.GetBookmark(saved);
  auto read = [&](int record_no) {
    store.SetRecordNo(record_no);
    store.GetRecord(search_buffer_);
    if (calculated) GetCalcFields(search_buffer_);
  };
  bool found = false;
  bool scan = prefix < static_cast<int>(keys.size());
  if (prefix > 0) {
    int low = 1, high = store.GetRecordCount();
    if ((options & lxNext) != 0) {
      store.GetNextRecord(nullptr);
      low = store.GetRecordNo();
    }
    if ((options & lxUp) != 0) {
      store.GetPriorRecord(nullptr);
      high = store.GetRecordNo();
    }
    std::optional<int> match;
    if (low >= 1 && high >= low) {
      const int range_low = low, range_high = high;
      auto compare = [&](int record_no) {
        read(record_no);
        return CompareKey(keys, converted, prefix, options);
      };
      int result = compare(low);
      if (result <= 0) {
        if (result == 0) match = low;
      } else if ((result = compare(high)) >= 0) {
        if (result == 0) match = high;
      } else {
        while (!match && high - low > 1) {
          const int middle = (low + high) / 2;
          result = compare(middle);
          if (result < 0) high = middle;
          else if (result > 0) low = middle;
          else match = middle;
        }
      }
      // The edge of the run of equal keys: its first record (its last upwards).
      if (match) {
        const int step = (options & lxUp) != 0 ? 1 : -1;
        while (*match + step >= range_low && *match + step <= range_high && compare(*match + step) == 0)
          *match += step;
      }
    }
    if (!match) {
      scan = false;
    } else if (!scan) {
      read(*match);
      found = true;
    } else {
      // The scan's first move lands on the run's edge.
      store.SetRecordNo(*match);
      if ((options & lxUp) != 0) store.GetNextRecord(nullptr);
      else store.GetPriorRecord(nullptr);
    }
  } else if ((options & (lxNext | lxUp)) == 0) {
    store.SetToBegin();
  }
  if (scan) {
    for (;;) {
      if ((options & lxUp) != 0) store.GetPriorRecord(search_buffer_);
      else store.GetNextRecord(search_buffer_);
      if ((options & lxUp) != 0 ? store.GetBOF() : store.GetEOF()) break;
      if (calculated) GetCalcFields(search_buffer_);
      if (KeysMatch(keys, converted, options)) {
        found = true;
        break;
      }
    }
  }
  if ((keep_position || !found) && !(store.GetBOF() && store.GetEOF())) store.SetToBookmark(saved);
  return found;
}

// ---- Locate and Lookup --------------------------------------------------------------------

namespace {

TLocateExOptions ExOptionsOf(TLocateOptions options) {
  TLocateExOptions out = 0;
  if (options.Contains(loCaseInsensitive)) out |= lxCaseInsensitive;
  if (options.Contains(loPartialKey)) out |= lxPartialKey;
  return out;
}

}  // namespace

bool TMemDataSet::Locate(const std::string& key_fields, const Variant& key_values, TLocateOptions options) {
  CheckBrowseMode();
  return LocateAndScroll(KeyDescsOf(key_fields), key_values, ExOptionsOf(options));
}

bool TMemDataSet::Locate(const std::vector<TField*>& key_fields, const Variant& key_values, TLocateOptions options) {
  return LocateEx(key_fields, key_values, ExOptionsOf(options));
}

bool TMemDataSet::LocateEx(const std::vector<TField*>& key_fields, const Variant& key_values,
                           TLocateExOptions options) {
  CheckBrowseMode();
  return LocateAndScroll(KeyDescsOf(key_fields), key_values, options);
}

bool TMemDataSet::LocateAndScroll(std::vector<TFieldDesc*> keys, const Variant& key_values,
                                  TLocateExOptions options) {
  DoBeforeScroll();
  const bool found = LocateRecord(std::move(keys), key_values, options, false);
  SetFound(found);
  if (found) {
    Resync({rmExact, rmCenter});
    DoAfterScroll();
  }
  return found;
}

Variant TMemDataSet::Lookup(const std::string& key_fields, const Variant& key_values,
                            const std::string& result_fields) {
  if (!Active() || !LocateRecord(KeyDescsOf(key_fields), key_values, 0, true)) return Null();
  // The found record is computed and read as the calculation buffer.
  std::vector<TField*> results;
  GetFieldList(results, result_fields);
  const TRecordBuffer saved_calc = CalcBuffer();
  const TDataSetState saved = SetTempState(dsCalcFields);
  Variant answer;
  try {
    CalculateFields(search_buffer_);
    if (results.size() == 1) {
      answer = results[0]->Value();
    } else {
      std::vector<Variant> values;
      for (TField* field : results) values.push_back(field->Value());
      answer = VarArrayOf(values);
    }
  } catch (...) {
    RestoreState(saved);
    SetCalcBuffer(saved_calc);
    throw;
  }
  RestoreState(saved);
  SetCalcBuffer(saved_calc);
  return answer;
}

}  // namespace dacore
