// TData: the abstract in-memory record store under every data set. It owns
// the field descriptions and the string heap, lays the fields out in a
// record buffer (values, then one null byte per field), reads and writes
// values by field number, by type and as Variants, and defines the life
// cycle and the virtual operations that TMemData and the drivers fill in.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/exceptions.h"
#include "classlib/object.h"
#include "classlib/unaligned.h"
#include "classlib/variant.h"
#include "dacore/blob.h"
#include "dacore/field_descs.h"
#include "dacore/heap_string.h"

namespace dacore {

class TFilterExpression;

// A record buffer: the data area, the null bytes, a spare byte to an even
// size, and in buffers made for them the calculated fields.
using TRecBuf = void*;

// A bookmark as the store hands it out. TData fills only the record number.
struct TRecBookmark {
  int32_t refresh_stamp = 0;
  void* item = nullptr;
  int32_t record_no = -1;  // -1: there was no current row
  uint32_t serial = 0;     // the item's serial when the bookmark was taken
};

// Visible update statuses in cached-updates mode: bit 1 << status.
using TItemTypes = uint8_t;
inline constexpr TItemTypes kAllItemTypes = 0x0F;
inline constexpr TItemTypes kDefaultItemTypes = 0x07;  // every status but deleted

// How a date-time value travels in GetField/PutField buffers.
enum TDateKind {
  dkMSecsSince0001 = 0,  // double: milliseconds since 0001-01-01
  dkDateTime = 1,        // double: the stored date-time number
  dkMSecsOfDay = 2,      // Int32: milliseconds since midnight
  dkDayNumber = 3,       // Int32: days, 0001-01-01 as day 1
};

class TData : public classlib::TObject {
  CLASSLIB_CLASS(TData, classlib::TObject)
 public:
  using TRecordEvent = std::function<void(TRecBuf)>;
  using TApplyRecordEvent = std::function<void(int kind, int& action, bool last_item)>;
  using TFilterFunc = std::function<bool(TRecBuf)>;
  using TCalcFieldsFunc = std::function<void(TRecBuf)>;
  using TNotifyFunc = std::function<void()>;

  TData();
  ~TData() override;
  TData(const TData&) = delete;
  TData& operator=(const TData&) = delete;

  // ---- Life cycle -----------------------------------------------------------
  virtual void Open();
  virtual void Close();
  virtual void Prepare();
  virtual void UnPrepare();
  virtual bool CanReopen() { return true; }
  virtual void Reopen();
  virtual void InitFields();
  virtual void ClearFields();
  bool Active() const { return active_; }
  bool Prepared() const { return prepared_; }

  // ---- Fields ---------------------------------------------------------------
  TFieldDescs& Fields() { return fields_; }
  const TFieldDescs& Fields() const { return fields_; }
  int GetFieldCount() const { return fields_.Count(); }
  TFieldDesc* FindField(const std::string& name) const { return fields_.FindField(name); }
  TFieldDesc* FieldByName(const std::string& name) const { return fields_.FieldByName(name); }
  bool HasFieldTypes(std::initializer_list<TDataType> types) const { return fields_.HasFieldTypes(types); }
  virtual std::unique_ptr<TFieldDesc> GetFieldDescType() { return std::make_unique<TFieldDesc>(); }
  virtual std::string GetChildFieldName(int index) { return "[" + std::to_string(index) + "]"; }
  virtual bool IsBlobFieldType(TDataType t) const { return IsBlobDataType(t); }
  virtual bool IsComplexFieldType(TDataType t) const { return IsComplexDataType(t); }

  // Values by field number (1-based); attribute fields through their root
  // object. The types of the read plan are read without the per-type
  // dispatch of GetField; the rest goes through it.
  void GetFieldByNo(int field_no, TRecBuf rec, void* dest, bool& is_blank);
  void PutFieldByNo(int field_no, TRecBuf rec, const void* source);
  // Whether GetFieldByNo gives an inline text as the record holds it, but
  // for the trailing blanks it trims (no line ends to expand).
  bool ReadsTextAsStored(const TFieldDesc& field);
  // The null flag of a top-level field in a record.
  bool IsNullInRecord(const TFieldDesc& field, TRecBuf rec) const { return *NullPtr(rec, field.FieldNo()) != 0; }
  // Whether a field's value is read as the bytes its record holds, by
  // GetFieldByNo and GetFieldAsVariant alike (the read plan's byte copy).
  bool ReadsValueAsStored(const TFieldDesc& field) const { return PlanFieldRead(field) == TFieldRead::kBytes; }
  // Values by data type, without null handling. A store that reads a type
  // differently (here or in GetFieldAsVariant) also answers kGeneral for it
  // in PlanFieldRead.
  virtual void GetField(const TFieldDesc& field, TRecBuf rec, void* dest);
  virtual void PutField(const TFieldDesc& field, TRecBuf rec, const void* source);
  virtual bool GetNull(int field_no, TRecBuf rec);
  virtual void SetNull(int field_no, TRecBuf rec, bool value);
  bool GetNullByBlob(int field_no, TRecBuf rec);
  // A blob field is null exactly when its blob holds nothing: every write of
  // its content sets the record's null flag from it.
  void SetNullByBlob(int field_no, TRecBuf rec);
  virtual void GetFieldAsVariant(int field_no, TRecBuf rec, classlib::Variant& value);
  virtual void PutFieldAsVariant(int field_no, TRecBuf rec, const classlib::Variant& value);
  virtual void GetDateFromBuf(TRecBuf rec, int32_t offset, TDateKind kind, void* dest);
  virtual void PutDateToBuf(TRecBuf rec, int32_t offset, TDateKind kind, const void* source);

  // ---- Record buffers -------------------------------------------------------
  TRecBuf AllocRecBuf() const;
  static void FreeRecBuf(TRecBuf rec);
  // Zero-fills (when there are complex fields) and marks every field null.
  void InitRecord(TRecBuf rec);
  int32_t RecordSize() const { return record_size_; }
  int32_t CalcRecordSize() const { return calc_record_size_; }
  int32_t DataSize() const { return data_size_; }
  virtual int GetIndicatorSize() { return GetFieldCount(); }

  // ---- Complex values -------------------------------------------------------
  virtual void CreateComplexFields(TRecBuf rec, bool with_blob);
  virtual void CreateComplexField(TRecBuf rec, const TFieldDesc& field, bool with_blob);
  virtual void FreeComplexField(TRecBuf rec, const TFieldDesc& field, bool with_blob);
  virtual void FreeComplexFields(TRecBuf rec, bool with_blob);
  // Dest (already a byte copy of source) gets its own heap strings and one
  // more reference to every shared value (blobs only with with_blob).
  virtual void CopyComplexFields(TRecBuf source, TRecBuf dest, bool with_blob);
  virtual void AddRefComplexFields(TRecBuf rec);
  // The value an edited record holds instead of a row's shared value (not
  // a blob, heap string or Variant): the base shares it (one more
  // reference); a store whose values are edited in place answers a copy,
  // so that a cancelled edit leaves the row as it was.
  virtual void* OwnEditedValue(const TFieldDesc& field, void* value);
  TBlob* GetBlob(int field_no, TRecBuf rec);
  // Blob data by field number; a unicode blob is read and written as ansi
  // text unless true_unicode is set (positions and counts in characters).
  uint32_t ReadBlob(int field_no, TRecBuf rec, uint32_t position, uint32_t count, void* dest,
                    bool from_rollback = false, bool true_unicode = false);
  void WriteBlob(int field_no, TRecBuf rec, uint32_t position, uint32_t count, const void* source,
                 bool true_unicode = false);
  uint32_t GetBlobSize(int field_no, TRecBuf rec, bool from_rollback = false, bool true_unicode = false);
  void TruncateBlob(int field_no, TRecBuf rec, uint32_t size, bool true_unicode = false);

  // ---- Navigation and edits (TMemData implements them) ---------------------
  virtual bool GetEOF() { return eof_; }
  virtual bool GetBOF() { return bof_; }
  virtual int GetRecordCount() { return -1; }
  virtual int GetRecordNo() { return -1; }
  virtual void SetRecordNo(int /*value*/) {}
  virtual void SetToBegin();
  virtual void SetToEnd();
  virtual void GetRecord(TRecBuf rec) = 0;
  virtual void GetNextRecord(TRecBuf rec) = 0;
  virtual void GetPriorRecord(TRecBuf rec) = 0;
  virtual void PutRecord(TRecBuf rec) = 0;
  virtual void AppendRecord(TRecBuf rec) = 0;
  virtual void InsertRecord(TRecBuf rec) = 0;
  virtual void UpdateRecord(TRecBuf rec) = 0;
  virtual void DeleteRecord() = 0;
  virtual void GetBookmark(TRecBookmark& bookmark);
  // Steps to the next record (copied into rec when given) and takes its
  // bookmark; false at the end. A data set's walk asks both at every row.
  virtual bool StepNext(TRecBuf rec, TRecBookmark& bookmark);
  virtual void SetToBookmark(const TRecBookmark& bookmark);
  virtual bool BookmarkValid(const TRecBookmark* bookmark);
  virtual int CompareBookmarks(const TRecBookmark* b1, const TRecBookmark* b2);

  // ---- Cached updates (the cached-updates layer overrides them) ------------
  virtual int GetUpdateStatus() { return 0; }
  virtual int GetUpdateResult() { return 5; }
  virtual bool UpdatesPending() { return false; }
  virtual void SetCacheRecBuf(TRecBuf new_buf, TRecBuf old_buf);
  virtual void ApplyUpdates() {}
  virtual void CommitUpdates() {}
  virtual void CancelUpdates() {}
  virtual void RestoreUpdates() {}
  virtual void RevertRecord() {}
  virtual void GetRefreshRecord(TRecBuf /*rec*/) {}
  virtual void ClearCache() {}
  virtual void SetFilterItemTypes(TItemTypes types) { filter_item_types_ = types; }
  TItemTypes FilterItemTypes() const { return filter_item_types_; }
  bool CachedUpdates() const { return cached_updates_; }
  // Switching off cancels the pending changes; switching on shows every
  // row but the deleted ones.
  void SetCachedUpdates(bool value);

  // ---- Filters (the filter-expression layer overrides the parse hooks) -----
  virtual void SetFilterText(const std::string& text);
  const std::string& FilterText() const { return filter_text_; }
  bool HasFilter() { return filter_func_ || filter_md_func_ || HasFilterExpression(); }
  // The filter's callbacks and flags (virtual: a store that another thread
  // fills changes them under its rows lock, since that thread tests rows).
  virtual void SetFilterFunc(TFilterFunc func) { filter_func_ = std::move(func); }
  virtual void SetFilterMDFunc(TFilterFunc func) { filter_md_func_ = std::move(func); }
  bool FilterCaseInsensitive() const { return filter_case_insensitive_; }
  virtual void SetFilterCaseInsensitive(bool value) { filter_case_insensitive_ = value; }
  bool FilterNoPartialCompare() const { return filter_no_partial_compare_; }
  virtual void SetFilterNoPartialCompare(bool value) { filter_no_partial_compare_ = value; }

  // ---- Options and events ---------------------------------------------------
  bool DescribeFields() const { return describe_fields_; }
  void SetDescribeFields(bool value) { describe_fields_ = value; }
  // A change of the trimming options is told through OnTrimOptionsChanged.
  bool TrimFixedChars() const { return trim_fixed_chars_; }
  void SetTrimFixedChars(bool value) {
    trim_fixed_chars_ = value;
    if (OnTrimOptionsChanged) OnTrimOptionsChanged();
  }
  bool TrimVarChars() const { return trim_var_chars_; }
  void SetTrimVarChars(bool value) {
    trim_var_chars_ = value;
    if (OnTrimOptionsChanged) OnTrimOptionsChanged();
  }
  bool EmptyStrAsValue() const { return empty_str_as_value_; }
  void SetEmptyStrAsValue(bool value) { empty_str_as_value_ = value; }
  bool HasComplexFields() const { return has_complex_fields_; }
  bool OneElementArrays() const { return one_element_arrays_; }
  void SetOneElementArrays(bool value) { one_element_arrays_ = value; }
  TStringHeap& StringHeap() { return string_heap_; }
  // The driver's option that turns LF into CR LF in string values read.
  virtual bool GetConnectionFlag() { return false; }

  TRecordEvent OnInsertRecord, OnDeleteRecord, OnUpdateRecord;
  TApplyRecordEvent OnApplyRecord;
  TNotifyFunc OnAfterInitFields;
  TNotifyFunc OnTrimOptionsChanged;
  TCalcFieldsFunc OnCalcFields;

 protected:
  // How GetFieldByNo reads a top-level field, decided once per layout:
  // a byte copy of the field's size, an inline text (copied, then trimmed
  // as the options say; GetField when line ends are expanded), a stored
  // date-time through GetDateFromBuf, or GetField.
  enum class TFieldRead : uint8_t { kGeneral, kBytes, kText, kDateTime };
  virtual TFieldRead PlanFieldRead(const TFieldDesc& field) const;
  // Where the driver keeps the flag GetConnectionFlag answers, when its
  // answer is only that flag: text reads then load it instead of asking.
  // Unset (the default), every text read asks GetConnectionFlag.
  void SetConnectionFlagSource(const bool* const* source) { connection_flag_source_ = source; }

  virtual void InternalPrepare() {}
  virtual void InternalUnPrepare() {}
  virtual void InternalOpen() {}
  virtual void InternalClose() {}
  virtual void InitData();
  virtual void FreeData() {}
  virtual void InternalInitFields() {}
  virtual void DoOnInsertRecord(TRecBuf rec);
  virtual void DoOnDeleteRecord(TRecBuf rec);
  virtual void DoOnUpdateRecord(TRecBuf rec);
  virtual void DoOnApplyRecord(int kind, int& action, bool last_item);
  // The filter expression: parse the stored text into a tree (an empty or
  // blank text leaves none; the old tree is freed first), free it, and test
  // a record.
  virtual void ParseFilter();
  virtual void FreeFilter();
  bool HasFilterExpression() const { return filter_ != nullptr; }
  bool FilterExpressionAccepts(TRecBuf rec);
  // The filter expression when it is the only filter set (no filter
  // handler), else null.
  const TFilterExpression* SoleFilterExpression() const {
    return filter_func_ || filter_md_func_ ? nullptr : filter_;
  }
  // Whether a record passes every filter that is set.
  bool FilterAccepts(TRecBuf rec) {
    if (filter_func_ && !filter_func_(rec)) return false;
    if (filter_md_func_ && !filter_md_func_(rec)) return false;
    return !filter_ || FilterExpressionAccepts(rec);
  }
  // A driver that frees its result outside UnPrepare clears the mark itself.
  void SetPrepared(bool value) { prepared_ = value; }

  // The record slot of a field and its null byte.
  uint8_t* FieldPtr(TRecBuf rec, const TFieldDesc& field) const;
  uint8_t* NullPtr(TRecBuf rec, int field_no) const;
  void* GetSlot(TRecBuf rec, const TFieldDesc& field) const;
  void SetSlot(TRecBuf rec, const TFieldDesc& field, void* value) const;
  TFieldDesc& FieldOfNo(int field_no) const;

  int32_t record_size_ = 0;
  int32_t calc_record_size_ = 0;
  int32_t data_size_ = 0;
  int32_t calc_data_size_ = 0;
  bool cached_updates_ = false;
  bool bof_ = true;
  bool eof_ = true;
  int32_t order_base_ = 0;
  int32_t record_count_ = 0;
  TItemTypes filter_item_types_ = kDefaultItemTypes;
  TRecBuf new_cache_rec_buf_ = nullptr;
  TRecBuf old_cache_rec_buf_ = nullptr;
  TFilterFunc filter_func_;
  TFilterFunc filter_md_func_;

 private:
  void LayoutFields();
  void GetChildField(const TFieldDesc& field, TRecBuf rec, void* dest, bool& is_blank);
  void PutChildField(const TFieldDesc& field, TRecBuf rec, const void* source);
  void TrimValue(const TFieldDesc& field, void* dest) const;
  void PlanReads();
  // Whether a text reads as the bytes its record holds: nothing trimmed,
  // and the line-end flag, loaded where the driver keeps it, clear.
  bool CopiesTexts() const {
    return connection_flag_source_ && !**connection_flag_source_ && !trim_fixed_chars_ && !trim_var_chars_;
  }
  // The planned reads GetFieldByNo calls past its inline byte copy.
  [[gnu::noinline]] void ReadText(int field_no, TRecBuf rec, void* dest, bool& is_blank);
  [[gnu::noinline]] void ReadDateTime(int field_no, TRecBuf rec, void* dest, bool& is_blank);
  // Out of line, so that the planned reads need not save what it uses.
  [[gnu::noinline]] void ReadByType(int field_no, TRecBuf rec, void* dest, bool& is_blank);

  // The read plan of the layout, by field number - 1: what a read needs of
  // the field, taken from it when it was laid out (a change of the fields
  // takes a new layout, which plans anew).
  struct TReadStep {
    int32_t offset;
    uint16_t size;
    TFieldRead read;
  };
  std::vector<TReadStep> read_plan_;
  size_t planned_fields_ = 0;  // read_plan_.size(), read per value
  const bool* const* connection_flag_source_ = nullptr;

  bool describe_fields_ = true;
  bool trim_fixed_chars_ = false;
  bool trim_var_chars_ = false;
  std::string filter_text_;
  bool filter_case_insensitive_ = false;
  bool filter_no_partial_compare_ = false;
  bool empty_str_as_value_ = false;
  bool has_complex_fields_ = false;
  // The fields that hold objects (heap texts, blobs, variants, ...), as the
  // layout found them, and the field count they were found in: every record
  // made or freed walks only these.
  std::vector<int> complex_fields_;
  int complex_fields_of_count_ = -1;
  bool one_element_arrays_ = false;
  TFieldDescs fields_;
  TStringHeap string_heap_;
  TFilterExpression* filter_ = nullptr;  // owned
  bool active_ = false;
  bool prepared_ = false;
};

// Bytes enough to receive the value of a field (attribute fields take no
// room in the record, so their length and type decide).
size_t ValueBufferSize(const TFieldDesc& field);

// The record helpers run for every value read or written: inline.
inline uint8_t* TData::FieldPtr(TRecBuf rec, const TFieldDesc& field) const {
  return static_cast<uint8_t*>(rec) + field.Offset();
}

inline uint8_t* TData::NullPtr(TRecBuf rec, int field_no) const {
  return static_cast<uint8_t*>(rec) + data_size_ + field_no - 1;
}

inline void* TData::GetSlot(TRecBuf rec, const TFieldDesc& field) const {
  return classlib::LoadUnaligned<void*>(FieldPtr(rec, field));
}

inline void TData::SetSlot(TRecBuf rec, const TFieldDesc& field, void* value) const {
  classlib::StoreUnaligned<void*>(FieldPtr(rec, field), value);
}

// A byte copy is the most frequent read, a text's too when nothing is
// trimmed or expanded: it stays in the caller.
inline void TData::GetFieldByNo(int field_no, TRecBuf rec, void* dest, bool& is_blank) {
  const auto index = static_cast<size_t>(field_no) - 1;
  const TFieldRead read = index < planned_fields_ ? read_plan_[index].read : TFieldRead::kGeneral;
  if (read == TFieldRead::kBytes || (read == TFieldRead::kText && CopiesTexts())) {
    auto* record = static_cast<uint8_t*>(rec);
    is_blank = record[data_size_ + index] != 0;
    const uint8_t* value = record + read_plan_[index].offset;
    // Eight bytes (floats, 64-bit integers, date-times) need no call.
    if (read_plan_[index].size == 8) classlib::StoreUnaligned(dest, classlib::LoadUnaligned<uint64_t>(value));
    else std::memcpy(dest, value, read_plan_[index].size);
    return;
  }
  // The other planned reads are called from here, without a frame between.
  if (read == TFieldRead::kText) return ReadText(field_no, rec, dest, is_blank);
  if (read == TFieldRead::kDateTime) return ReadDateTime(field_no, rec, dest, is_blank);
  ReadByType(field_no, rec, dest, is_blank);
}

inline TFieldDesc& TData::FieldOfNo(int field_no) const {
  CLASSLIB_ASSERT(field_no >= 1 && field_no <= GetFieldCount());
  return *fields_.GetItems(field_no - 1);
}
// A float rounded to `scale` decimals through its decimal text, as values of
// fields with a scale are stored.
double RoundToScale(double value, int scale);

// A work buffer of size bytes, freed when it goes out of scope.
struct TRecBufHolder {
  explicit TRecBufHolder(size_t size);
  ~TRecBufHolder();
  TRecBufHolder(const TRecBufHolder&) = delete;
  TRecBufHolder& operator=(const TRecBufHolder&) = delete;
  TRecBuf buf;
};

}  // namespace dacore
