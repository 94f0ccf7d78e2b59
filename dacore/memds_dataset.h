// TMemDataSet: the class library's data set laid over a record store. The
// store (a TData, in practice a TMemData or a driver's record set derived
// from it) holds the rows; this class maps the record-buffer protocol onto
// it: record buffers, bookmarks, field data, calculated and lookup fields,
// filters, searching, editing and cached updates, and blob fields as TBlob
// objects and streams. It runs no SQL: the three statement hooks answer
// false here and a SQL data set overrides them.
//
// Record buffer: the store's record (values, then one null byte per field),
// the calculated area, the store's bookmark, then the record information
// (record number, update status, bookmark flag, what the buffer owns).
//
// Who owns a record's complex values (heap strings, Variant holders,
// blobs): a browsed buffer only borrows the row's; an edited buffer owns
// copies of its heap strings and Variants (blobs are edited in place, with
// their rollback copy); a new record's buffer owns all of them. Posting hands
// what the buffer owns to the row.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "classlib/dataset.h"
#include "classlib/event.h"
#include "classlib/field.h"
#include "classlib/variant.h"
#include "dacore/store_mem_data.h"
#include "dacore/support_xml_writer.h"

namespace dacore {

class TMemDataSet;

// The apply answers beyond the class library's: none yet (the record gets
// the default handling), and pending (the record waits for the answer of a
// later one, which then counts for both).
inline constexpr classlib::TUpdateAction uaDefault = static_cast<classlib::TUpdateAction>(5);
inline constexpr classlib::TUpdateAction uaPending = static_cast<classlib::TUpdateAction>(6);

using TUpdateRecordEvent =
    classlib::Event<void(classlib::TDataSet* data_set, classlib::TUpdateKind kind, classlib::TUpdateAction& action)>;
using TUpdateErrorEvent = classlib::Event<void(classlib::TDataSet* data_set, classlib::EDatabaseError& error,
                                               classlib::TUpdateKind kind, classlib::TUpdateAction& action)>;

// Search option bits of LocateRecord (the comparison bits are the store's).
using TLocateExOptions = uint8_t;
inline constexpr TLocateExOptions lxCaseInsensitive = 1u << 0;
inline constexpr TLocateExOptions lxPartialKey = 1u << 1;
inline constexpr TLocateExOptions lxNearest = 1u << 2;
inline constexpr TLocateExOptions lxNext = 1u << 3;
inline constexpr TLocateExOptions lxUp = 1u << 4;
inline constexpr TLocateExOptions lxPartialCompare = 1u << 5;

// A search value in record-store form (ConvertFieldData).
struct TConvertedValue {
  std::vector<uint8_t> data;  // empty for Null
  TDataType type = dtUnknown;
  bool IsNull() const { return data.empty(); }

  // A fixed-size value of the given store type.
  template <class T>
  static TConvertedValue Scalar(T value, TDataType type) {
    TConvertedValue out;
    out.type = type;
    out.data.resize(sizeof(T));
    std::memcpy(out.data.data(), &value, sizeof(T));
    return out;
  }
  // A zero-terminated text (dtString).
  static TConvertedValue Text(const std::string& text) {
    TConvertedValue out;
    out.type = dtString;
    out.data.assign(text.begin(), text.end());
    out.data.push_back(0);
    return out;
  }
};

class TMemDataSet : public classlib::TDataSet {
  CLASSLIB_CLASS(TMemDataSet, classlib::TDataSet)
 public:
  explicit TMemDataSet(classlib::TComponent* owner = nullptr);
  ~TMemDataSet() override;

  // ---- The store ----
  TData* RecordSet() const { return FIRecordSet; }
  virtual void Prepare();
  virtual void UnPrepare();
  bool Prepared() const { return FIRecordSet != nullptr && FIRecordSet->Prepared(); }

  // ---- Blobs ----
  // The blob of the named field in the active record; nullptr without one.
  TBlob* GetBlob(const std::string& field_name);
  TBlob* GetBlob(classlib::TField* field);
  std::unique_ptr<classlib::TStream> CreateBlobStream(classlib::TField* field, classlib::TBlobStreamMode mode) override;

  // ---- Options ----
  bool CachedUpdates() const { return cached_updates_; }
  void SetCachedUpdates(bool value);
  bool LocalUpdate() const { return local_update_; }
  void SetLocalUpdate(bool value) { local_update_ = value; }
  bool LocalConstraints() const { return local_constraints_; }
  void SetLocalConstraints(bool value) { local_constraints_ = value; }
  const std::string& IndexFieldNames() const { return index_field_names_; }
  void SetIndexFieldNames(const std::string& value);
  // With the range check on, numeric fields take their column's range and
  // precision when the data set opens (SetNumberRange).
  bool RangeCheck() const { return range_check_; }
  void SetRangeCheck(bool value) { range_check_ = value; }
  // With calculated fields cached, a record's calculated fields are computed
  // once and kept until a record of the data set changes, instead of at
  // every read of the record.
  bool CacheCalcFields() const { return cache_calc_fields_; }
  void SetCacheCalcFields(bool value);
  void Assign(const classlib::TPersistent* source) override;

  // ---- Cached updates ----
  virtual void ApplyUpdates();
  void CommitUpdates();
  void CancelUpdates();
  void RestoreUpdates();
  void RevertRecord();
  bool UpdatesPending() const;
  classlib::TUpdateStatus UpdateStatus() const override;
  const TUpdateRecordEvent& OnUpdateRecord() const { return on_update_record_; }
  void SetOnUpdateRecord(TUpdateRecordEvent handler) { on_update_record_ = std::move(handler); }
  const TUpdateErrorEvent& OnUpdateError() const { return on_update_error_; }
  void SetOnUpdateError(TUpdateErrorEvent handler) { on_update_error_ = std::move(handler); }

  // ---- Searching ----
  bool Locate(const std::string& key_fields, const classlib::Variant& key_values,
              classlib::TLocateOptions options) override;
  bool Locate(const std::vector<classlib::TField*>& key_fields, const classlib::Variant& key_values,
              classlib::TLocateOptions options);
  bool LocateEx(const std::vector<classlib::TField*>& key_fields, const classlib::Variant& key_values,
                TLocateExOptions options);
  classlib::Variant Lookup(const std::string& key_fields, const classlib::Variant& key_values,
                           const std::string& result_fields) override;

  // ---- Field data ----
  bool GetFieldData(classlib::TField* field, void* buffer) override;
  using TDataSet::GetFieldData;
  void SetFieldData(classlib::TField* field, const void* buffer) override;
  using TDataSet::SetFieldData;
  bool BookmarkValid(const classlib::TBookmark& bookmark) override;
  int CompareBookmarks(const classlib::TBookmark& a, const classlib::TBookmark& b) override;
  bool IsSequenced() const override { return true; }
  // The description of a field's column; assertion failures for a missing
  // store or field and for a field of another data set.
  virtual TFieldDesc* GetFieldDesc(classlib::TField* field) const;
  // The value object (blob, driver value) a complex field's slot holds in
  // the active record, whether the value is null or not; nullptr without an
  // active record, a column or an object.
  void* GetFieldObject(classlib::TField* field);

 protected:
  // ---- The store and its hooks (in the order descendants meet them) ----
  virtual std::unique_ptr<TData> CreateIRecordSet();
  // Takes the store over (freeing the former one) and installs its handlers.
  virtual void SetIRecordSet(std::unique_ptr<TData> record_set);
  virtual void ReopenRecordSet();
  virtual void CreateFieldDefsFromDescs();
  virtual std::string GetChildFieldDefName(classlib::TFieldDef* parent, int index, TObjectType* type);
  virtual int GetFieldDefSize(classlib::TFieldType type, const TFieldDesc& desc);
  virtual classlib::TFieldType GetFieldType(TDataType data_type);
  virtual classlib::TFieldType GetFieldTypeOfDesc(const TFieldDesc& desc);
  // The range and precision of a numeric field's column (with RangeCheck).
  virtual void SetNumberRange(classlib::TField* field);
  virtual void PerformPost();
  virtual bool PerformInsert() { return false; }
  virtual bool PerformDelete() { return false; }
  virtual bool PerformUpdate() { return false; }
  virtual void ApplyDefaultExpression(classlib::TField* field);
  virtual TConvertedValue ConvertFieldData(const classlib::Variant& value, const TFieldDesc& desc);
  virtual bool CheckRecordSetState() { return false; }
  virtual bool CheckFetchLimit() { return false; }
  virtual void PerformSpecialSQL();

 public:
  // ---- XML export of a field (row-set attribute vocabulary) ----
  // Attributes go into the element the caller has just opened; texts from
  // the data are UTF-8 and escaped with EncodeXmlText.
  virtual void WriteFieldXMLDataType(classlib::TField* field, const TFieldDesc& desc,
                                     const std::string& field_alias, XmlTextWriter& writer);
  virtual void WriteFieldXMLAttributeType(classlib::TField* field, const TFieldDesc& desc,
                                          const std::string& field_alias, XmlTextWriter& writer);
  // The escaped text of the field's value in the active record.
  virtual std::string WriteFieldXMLValue(classlib::TField* field, const TFieldDesc& desc);

 protected:

  // ---- Record buffers ----
  classlib::TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(classlib::TRecordBuffer& buffer) override;
  void InternalInitRecord(classlib::TRecordBuffer buffer) override;
  classlib::TGetResult GetRecord(classlib::TRecordBuffer buffer, classlib::TGetMode mode, bool do_check) override;
  int GetRecordSize() const override { return record_size_; }
  classlib::TRecordBuffer GetActiveRecordBuffer() const override;
  // Texts the store expands (line ends) are its own read's work; the others
  // trim as the store's options say.
  TDirectTextRules CurrentDirectTextRules() const override;

  // ---- Bookmarks and navigation ----
  void GetBookmarkData(classlib::TRecordBuffer buffer, void* data) override;
  void SetBookmarkData(classlib::TRecordBuffer buffer, const void* data) override;
  classlib::TBookmarkFlag GetBookmarkFlag(classlib::TRecordBuffer buffer) override;
  void SetBookmarkFlag(classlib::TRecordBuffer buffer, classlib::TBookmarkFlag flag) override;
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalSetToRecord(classlib::TRecordBuffer buffer) override;
  void InternalFirst() override;
  void InternalLast() override;
  int GetRecordCount() const override;
  int GetRecNo() const override;
  void SetRecNoValue(int value) override;

  // ---- Cursor ----
  void CloseCursor() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  bool IsCursorOpen() const override;
  void InternalRefresh() override;
  void CheckFieldCompatibility(classlib::TField* field, classlib::TFieldDef* def) override;

  // ---- Editing ----
  void InternalEdit() override;
  void InternalPost() override;
  void InternalDelete() override;
  void InternalCancel() override;
  void InternalAddRecord(classlib::TRecordBuffer buffer, bool append) override;
  bool GetCanModify() const override { return true; }
  classlib::Variant GetStateFieldValue(classlib::TDataSetState state, classlib::TField* field) override;

  // ---- Filters ----
  void SetFilteredValue(bool value) override;
  void SetFilterText(const std::string& text) override;
  void SetFilterOptionsValue(classlib::TFilterOptions options) override;
  void SetOnFilterRecordValue(classlib::TFilterRecordEvent handler) override;

  // ---- Searching ----
  // Finds a record whose key fields hold the values (see the options);
  // the found record is the store's current one and sits in the search
  // buffer, unless keep_position asks to stay where the store was.
  bool LocateRecord(std::vector<TFieldDesc*> keys, const classlib::Variant& values, TLocateExOptions options,
                    bool keep_position);
  bool LocateAndScroll(std::vector<TFieldDesc*> keys, const classlib::Variant& key_values, TLocateExOptions options);
  std::vector<TFieldDesc*> KeyDescsOf(const std::string& names) const;
  std::vector<TFieldDesc*> KeyDescsOf(const std::vector<classlib::TField*>& fields) const;

  // A record's values changed: the calculated fields kept for the records
  // are computed again when next read.
  void ForgetCalculatedValues() { calculated_values_.clear(); }

  // Whether cached updates are being applied (the active buffers are the
  // new and, in the old-value state, the old values of the record offered).
  bool ApplyingCachedUpdates() const { return new_cache_buffer_ != nullptr; }
  // The store's bookmark of the row the last post stored, which the filter
  // may hide from the records shown.
  const TRecBookmark& PostedRow() const { return posted_row_; }

  // Store callbacks.
  void DoPerformHook(bool (TMemDataSet::*hook)());
  void DoApplyRecord(int kind, int& action, bool last);
  // The default handling of a cached change: its statement hook (none with
  // LocalUpdate); the answer the record gets (uaApplied here). last: no
  // later change waits to be applied.
  virtual classlib::TUpdateAction ApplyRecordDefault(classlib::TUpdateKind kind, bool last);

  TData* FIRecordSet = nullptr;

 private:
  class TBlobStream;
  friend class TBlobStream;
  // Streams read the active record's buffer and the fields: a close or a
  // free cuts them off, so a stream kept longer reads nothing and touches
  // nothing that went with the data set.
  void DetachBlobStreams();
  // A post or cancel ends the edit the writing streams were made for:
  // their later writes are refused (Write answers 0).
  void EndBlobStreamWrites();
  std::vector<TBlobStream*> blob_streams_;

  struct TRecInfo {
    int32_t record_number;
    uint8_t update_status;
    uint8_t bookmark_flag;
    uint8_t owned;  // TOwnedValues
  };
  enum TOwnedValues : uint8_t { ovNone = 0, ovEdited = 1, ovAll = 2 };

  TMemData& Store() const;
  TRecInfo InfoOf(classlib::TRecordBuffer buffer) const;
  void SetInfo(classlib::TRecordBuffer buffer, const TRecInfo& info);
  TRecBookmark BookmarkOf(classlib::TRecordBuffer buffer) const;
  // Frees the complex values a buffer owns.
  void ReleaseOwnedValues(classlib::TRecordBuffer buffer);
  // Gives an edited buffer its own heap strings and Variant holders.
  void OwnEditedValues(classlib::TRecordBuffer buffer);
  void ClearEditedRecord(classlib::TRecordBuffer buffer);
  void FreeOldValueBuffer();
  void ApplyStoreFilter(bool filtered, const std::string& text, classlib::TFilterOptions options,
                        bool has_handler);
  bool StoreFilterAccepts(TRecBuf rec);
  // Runs a store operation on the cached updates with scratch buffers as the
  // active ones, then re-reads the ring.
  template <class Operation>
  void RunCacheOperation(Operation operation);
  void ReadStoreValue(const TFieldDesc& desc, classlib::TField* field, TRecBuf rec, void* buffer);
  bool ReadRecordValue(const TFieldDesc& desc, classlib::TField* field, TRecBuf rec, void* buffer);
  // Lets fields whose values the browsed record holds as they are read
  // them from it (classlib::TField::TDirectSlot); off while a cached-updates
  // operation makes other buffers the active ones.
  void SetDirectReads(bool on);
  classlib::TField::TDirectSlot DirectSlotFor(const classlib::TField& field) const;
  void WriteStoreValue(const TFieldDesc& desc, classlib::TField* field, TRecBuf rec, const void* buffer);
  void AddChildDefs(classlib::TFieldDef* def, const TFieldDesc& desc, TObjectType* type);
  // The limits of one-byte and unsigned 32-bit columns, which their fields'
  // types exceed.
  void SetStorageRange(classlib::TField* field);
  // Fills a read record's calculated fields, from the kept values when
  // they are cached.
  void CalculateRecord(classlib::TRecordBuffer buffer, const TRecBookmark& bookmark);
  int CompareKey(const std::vector<TFieldDesc*>& keys, const std::vector<TConvertedValue>& values, int count,
                 TLocateExOptions options);
  bool KeysMatch(const std::vector<TFieldDesc*>& keys, const std::vector<TConvertedValue>& values,
                 TLocateExOptions options);

  std::unique_ptr<TData> record_set_;
  TMemData* mem_data_ = nullptr;
  bool cached_updates_ = false;
  bool local_update_ = false;
  bool local_constraints_ = true;
  bool range_check_ = false;
  bool cache_calc_fields_ = false;
  // The calculated area of each record read, by its item; a value of an
  // item whose serial differs belongs to a row that is gone.
  struct TCalculatedValues {
    uint32_t serial;
    std::vector<uint8_t> area;
  };
  std::unordered_map<const void*, TCalculatedValues> calculated_values_;
  std::string index_field_names_;
  TUpdateRecordEvent on_update_record_;
  TUpdateErrorEvent on_update_error_;

  int record_size_ = 0;
  int bookmark_offset_ = 0;
  int info_offset_ = 0;
  int buffer_size_ = 0;
  classlib::TRecordBuffer search_buffer_ = nullptr;
  classlib::TRecordBuffer filter_record_ = nullptr;
  classlib::TRecordBuffer old_value_buffer_ = nullptr;
  // While cached updates are applied, the active buffers are these.
  classlib::TRecordBuffer new_cache_buffer_ = nullptr;
  classlib::TRecordBuffer old_cache_buffer_ = nullptr;
  TRecBookmark posted_row_;
};

}  // namespace dacore
