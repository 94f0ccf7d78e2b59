// TFIBCustomDataSet: the buffered data set of the Firebird layer. It reads
// rows through an internal select statement into a record cache and writes
// changes back through four further internal statements (update, insert,
// delete, refresh). TFIBDataSet only publishes what this class offers.
//
// The work is split by concern over several sources:
//   fib_dataset.cpp          construction, owned objects, link notifications
//   fib_dataset_props.cpp    property setters and the state checks
//   fib_dataset_connection.cpp database, transactions and their relays
//   fib_dataset_stored.cpp   options of older stored forms
//   fib_dataset_prepare.cpp  Prepare, field definitions, statement texts
//   fib_dataset_columns.cpp  column information, origins, field-name cache
//   fib_dataset_master.cpp   master/detail reactions
//   fib_dataset_open.cpp     InternalOpen/Close and the event overrides
//   fib_dataset_fetch.cpp    GetRecord, fetching, navigation, bookmarks
//   fib_dataset_buffers.cpp  record buffers, field data, blob handles
//   fib_dataset_blobs.cpp    blob streams of fields, array fields
//   fib_dataset_transfer.cpp rows to the cache, records to parameters
//   fib_dataset_attempts.cpp blobs and arrays written by each attempt to store a record
//   fib_dataset_refresh.cpp  refreshing a record, re-opening in place
//   fib_dataset_sqlobject.cpp fields and parameters by name for statements
// Editing, cached updates, lookup and local sorting, the extended locate
// and the limited cache model are declared in the sections marked below
// and built in sources of their own; until they are, the definitions in
// fib_dataset_unbuilt_editing.cpp and fib_dataset_unbuilt_locate.cpp raise.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/dataset.h"
#include "classlib/strings.h"
#include "fib/dataset/cache_model_options.h"
#include "fib/dataset/fib_data_link.h"
#include "fib/dataset/fib_dataset_limited.h"
#include "fib/dataset/fib_fields_owner.h"
#include "fib/records/fib_dataset_types.h"
#include "fib/records/field_descr_list.h"
#include "fib/records/key_search.h"
#include "fib/records/limited_cache_sql.h"
#include "fib/records/pending_arrays.h"
#include "fib/statements/fib_base.h"
#include "fib/statements/fib_base_params.h"
#include "fib/statements/zod_options.h"
#include "fib/statements/zod_props_owners.h"

namespace fib {

class TAutoUpdateOptions;
class TConditions;
class TDataSetsContainer;
class TFIBDatabase;
class TFIBMemoField;
class TFIBQuery;
class TFIBTimer;
class TFIBTransaction;
class TFIBXSQLDA;
class TFIBXSQLVAR;
class TFormatFields;
class TRecordsCache;
class TSQLs;

class TFIBCustomDataSet;

// Called by every buffered data set first when its data change as a whole
// (the data-set-change event), with the event's argument.
using TDataSetChangeHook = void (*)(TFIBCustomDataSet& data_set, intptr_t info);
// Registers the process's hook (nullptr: none).
void SetDataSetChangeHook(TDataSetChangeHook hook);

class TFIBCustomDataSet : public classlib::TDataSet,
                          public IFIBFieldsOwner,
                          public IFIBDetailDataSet,
                          public IDataSetSQLTexts,
                          public IConditionsOwner,
                          public ISQLObject {
  CLASSLIB_CLASS(TFIBCustomDataSet, classlib::TDataSet)
 public:
  explicit TFIBCustomDataSet(classlib::TComponent* owner);
  ~TFIBCustomDataSet() override;

  // ---- connection ----
  TFIBDatabase* Database() const;
  void SetDatabase(TFIBDatabase* database);
  TFIBTransaction* Transaction() const;
  void SetTransaction(TFIBTransaction* transaction);
  TFIBTransaction* UpdateTransaction() const;
  // Stored with a form only when it differs from Transaction.
  bool StoreUpdateTransaction() const { return UpdateTransaction() != Transaction(); }
  TTransactionKind RefreshTransactionKind() const { return refresh_transaction_kind_; }
  void SetRefreshTransactionKind(TTransactionKind kind);
  TFIBBase& Base() { return *base_; }

  // ---- SQL texts ----
  classlib::TStrings& SelectSQL();
  classlib::TStrings& InsertSQL();
  classlib::TStrings& UpdateSQL();
  classlib::TStrings& DeleteSQL();
  classlib::TStrings& RefreshSQL();
  // A run-time change of an open data set's select text raises code 28.
  void SetSelectSQL(const classlib::TStrings& lines);
  void SetInsertSQL(const classlib::TStrings& lines);
  void SetUpdateSQL(const classlib::TStrings& lines);
  void SetDeleteSQL(const classlib::TStrings& lines);
  void SetRefreshSQL(const classlib::TStrings& lines);
  TSQLs& SQLs() { return *sqls_; }
  // The internal statements; QSelect is the current select statement.
  TFIBQuery* QSelect() const { return select_query_; }
  TFIBQuery* QUpdate() const { return update_query_; }
  TFIBQuery* QInsert() const { return insert_query_; }
  TFIBQuery* QDelete() const { return delete_query_; }
  TFIBQuery* QRefresh() const { return refresh_query_; }
  // The statement of a modify kind; kind 3 is the refresh statement.
  TFIBQuery* StatementOfKind(int kind) const;
  TConditions& Conditions() { return *conditions_; }
  void SetConditions(const TConditions& conditions);

  // ---- options ----
  TpZODDsOptions Options() const { return options_; }
  virtual void SetOptions(TpZODDsOptions options);
  TpPrepareOptions PrepareOptions() const override { return prepare_options_; }
  TDetailConditions DetailConditions() const;
  void SetDetailConditions(TDetailConditions conditions);
  TFieldOriginRule FieldOriginRule() const { return field_origin_rule_; }
  void SetFieldOriginRule(TFieldOriginRule rule) { field_origin_rule_ = rule; }
  bool CachedUpdates() const { return cached_updates_; }
  bool UniDirectional() const { return uni_directional_; }
  void SetUniDirectional(bool value);
  TFIBUpdateRecordTypes UpdateRecordTypes() const { return update_record_types_; }
  void SetUpdateRecordTypes(TFIBUpdateRecordTypes types);
  TUpdateKinds AllowedUpdateKinds() const { return allowed_update_kinds_; }
  void SetAllowedUpdateKinds(TUpdateKinds kinds) { allowed_update_kinds_ = kinds; }
  bool AutoCommit() const { return auto_commit_; }
  void SetAutoCommit(bool value) { auto_commit_ = value; }
  // The screen cursor shown while the data set works (0: no change).
  int SQLScreenCursor() const { return sql_screen_cursor_; }
  void SetSQLScreenCursor(int cursor) { sql_screen_cursor_ = cursor; }
  TCacheModelOptions& CacheModelOptions() { return *cache_model_options_; }
  void SetCacheModelOptions(const TCacheModelOptions& options);
  TAutoUpdateOptions& AutoUpdateOptions() { return *auto_update_options_; }
  TDataSetsContainer* Container() const { return container_; }
  void SetContainer(TDataSetsContainer* container);
  void SetDataSource(classlib::TDataSource* source);
  // The layer's defaults for data sets created at design time.
  static TpZODDsOptions& DefaultOptions();
  static TpPrepareOptions& DefaultPrepareOptions();
  static TDetailConditions& DefaultDetailConditions();

  // ---- preparing ----
  bool Prepared() const { return prepared_; }
  void Unprepare();

  // ---- state ----
  bool UpdatesPending() const { return updates_pending_ > 0; }
  int CacheRecordCount() const { return record_count_; }
  int DeletedCount() const { return deleted_count_; }
  // Asked several times for every record read: inline.
  bool LimitedCacheModel() const {
    return cache_model_options_->CacheModelKind() == cmkLimitedBufferSize;
  }
  TRecordsCache* RecordsCache() const { return cache_.get(); }
  // Bytes of every record buffer (the class library's record size is
  // protected; the cache geometry is checked against it).
  int RecordSize() const { return record_size_; }
  TFIBFieldDescrList& FieldDescrs() { return field_descrs_; }
  classlib::TUpdateStatus UpdateStatus() const override;
  bool IsSequenced() const override;
  bool BookmarkValid(const classlib::TBookmark& bookmark) override;
  int CompareBookmarks(const classlib::TBookmark& a, const classlib::TBookmark& b) override;
  // Re-reads the buffers unless a pending-resync counter holds it back.
  void Resync(classlib::TResyncMode mode) override;
  // Fetches every remaining row of the select statement.
  void FetchAll();
  // Fetches up to count rows into the cache; answers how many came.
  int FetchNext(int count);
  // Counted; calculated fields are not computed while disabled, and the
  // last enable re-reads the buffers at the same record.
  void DisableCalcFields();
  void EnableCalcFields();
  // Counted; Before/AfterScroll do not fire while disabled.
  void DisableScrollEvents();
  void EnableScrollEvents();
  // The record-number move behind SetRecNo; centre places the record in the
  // middle of the buffers.
  void MoveToRecNo(int rec_no, bool centre);
  bool IsDBKeyField(const classlib::TField* field) const;

  // ---- columns and fields ----
  // The column descriptor of a data field (SQL type 65535 when unknown).
  XSQLVAR GetFieldXSQLVAR(classlib::TField* field);
  int GetFieldScale(classlib::TField* field);
  std::string GetRelationTableName(classlib::TObject* field_or_def);
  std::string GetRelationFieldName(classlib::TObject* field_or_def);
  // By FieldOriginRule: table or alias and column, joined with ".".
  std::string GetFieldOrigin(classlib::TField* field);
  classlib::TField* FieldByOrigin(const std::string& origin);
  // The field by name through the name cache; quotes around the name go.
  classlib::TField* FN(const std::string& name);
  // The same, raising the class library's "field not found".
  classlib::TField* FBN(const std::string& name);
  // The sort description read from the select's ORDER BY.
  const classlib::Variant& SortInfo() const { return sort_info_; }
  int SortFieldsCount() const;
  // 1-based position; outside 1..count the "Unknown" entry.
  TSortFieldInfo SortFieldInfo(int position) const;
  bool SortFieldsPresent() const;
  bool FieldSortInfo(classlib::TField* field, TSortFieldInfo& info) const;
  std::string SortFieldsText() const;

  // ---- re-reading ----
  // Re-opens with the position kept, finding the record again by the key
  // fields (";"-separated; empty: every plain data field).
  void ReopenLocate(const std::string& key_fields);
  // After a delete and the refresh that follows a post.
  void RefreshAround(bool resync, bool execute_first);
  // Refreshes one record through statement (the refresh statement).
  // `buffer`: the record to refresh when it is not the one on show (a
  // cached change being applied); nullptr: the record on show.
  bool RefreshRecordThrough(TFIBQuery* statement, classlib::TRecordBuffer buffer = nullptr);
  // Re-reads the records after a change of which ones are visible.
  void RefreshFilters();
  void StartUpdateTransaction();

  // ---- row transfer ----
  // Copies statement's current row into the cache as record index.
  void FetchRecordToCache(TFIBQuery& statement, int index);
  // Fills every parameter of statement from a record buffer.
  void SetModifyParams(TFIBQuery& statement, classlib::TRecordBuffer buffer);

  // ---- field data ----
  bool GetFieldData(classlib::TField* field, void* buffer) override;
  using TDataSet::GetFieldData;
  void SetFieldData(classlib::TField* field, const void* buffer) override;
  using TDataSet::SetFieldData;
  std::unique_ptr<classlib::TStream> CreateBlobStream(classlib::TField* field,
                                                      classlib::TBlobStreamMode mode) override;
  bool GetCurrentRecord(classlib::TRecordBuffer buffer) override;
  // The record buffer of the present state: the calculation buffer while
  // fields are calculated, else the active buffer of a record; nullptr
  // when there is none.
  classlib::TRecordBuffer GetActiveRecBuf() const;
  // The stream of a handle; nullptr once it was freed.
  TFIBBlobStream* BlobStreamByHandle(uint32_t handle) const;
  // The stream held in a record's blob slot of field (nullptr: none).
  TFIBBlobStream* BlobStreamOf(classlib::TRecordBuffer buffer, const classlib::TField* field) const;
  // What a field's blob stream reports: the data set is modified, and a
  // finished change of the field's content.
  void MarkModified() { SetModified(true); }
  void BlobStreamChanged(classlib::TField* field);

  // ---- IFIBFieldsOwner ----
  bool ColumnInfo(const std::string& field_name, TFIBColumnInfo& info) const override;
  const TFIBFieldDescr* FieldDescr(const classlib::TField* field) const override;
  bool UnicodeConnection() const override { return unicode_connection_; }
  std::unique_ptr<TpZODArray> CreateArray(classlib::TField* field) override;
  classlib::Variant ArrayValues(classlib::TField* field) override;
  void SetArrayValues(classlib::TField* field, const classlib::Variant& values) override;

  // ---- IDataSetSQLTexts ----
  classlib::TStrings& SQLText(TDataSetSQLKind kind) override;
  void SetSQLText(TDataSetSQLKind kind, const classlib::TStrings& lines) override;

  // ---- IConditionsOwner: Conditions rewrite the select text ----
  std::string ConditionsSQLText() const override;
  void SetConditionsSQLText(const std::string& sql) override;
  std::string MainWhereClause(const std::string& sql) const override;
  std::string SetMainWhereClause(const std::string& sql,
                                 const std::string& condition) const override;

  // ---- ISQLObject: fields of the current record, select parameters ----
  int ParamCount() const override;
  std::string ParamName(int index) const override;
  bool ParamExist(const std::string& name, int& index) const override;
  classlib::Variant ParamValue(int index) const override;
  void SetParamValue(int index, const classlib::Variant& value) override;
  bool FieldExist(const std::string& name, int& index) const override;
  classlib::Variant FieldValue(int index, bool old) const override;

  // ---- IFIBDetailDataSet ----
  void MasterChanged() override;
  void MasterDisabled() override;
  void DataLinkDestroyed(TFIBDataLink* link) override;

  // ---- own virtual operations, in slot order ----
  virtual int CompareFieldValues(classlib::TField* field, const classlib::Variant& s1,
                                 const classlib::Variant& s2);              // 1
  virtual bool CanEdit() const;                                            // 2
  virtual bool CanInsert() const;                                          // 3
  virtual bool CanDelete() const;                                          // 4
  virtual void DoTransactionEnding();                                      // 5
  virtual void DoTransactionEnded();                                       // 6
  // Reads a cached record into a data-set buffer.
  virtual void ReadRecordFromCache(int index, classlib::TRecordBuffer buffer,
                                   bool from_current);                     // 7
  // Runs the delete statement for the record (editing).
  virtual void InternalDeleteRecord(TFIBQuery* statement,
                                    classlib::TRecordBuffer buffer);       // 8
  // The extended locate (see its own sources).
  virtual bool LocateByKeys(const std::string& key_fields, const classlib::Variant& key_values,
                            TLocateKeyOptions options, bool from_start,
                            TLocateDirection direction, bool centre);      // 9
  virtual void DoOnEndScroll() {}                                          // 10
  // Whether a record of this status is shown.
  virtual bool IsVisible(classlib::TRecordBuffer buffer);                  // 11
  virtual void SetUpdateTransaction(TFIBTransaction* transaction);         // 12
  virtual void SetPrepareOptions(TpPrepareOptions options);                // 13
  // Runs a modify statement for one record (editing; the base does nothing).
  virtual void InternalPostRecord(TFIBQuery* statement,
                                  classlib::TRecordBuffer buffer);         // 14
  // Writes a data-set buffer into the cache as record index.
  virtual void WriteRecordToCache(int index, classlib::TRecordBuffer buffer); // 15
  // Sorts the cached records locally (editing).
  virtual void DoSort(const std::vector<classlib::Variant>& fields,
                      const std::vector<bool>& ascending);                 // 16
  bool MasterRefreshDue() override;                                        // 17
  // Reverts every pending cached change (editing).
  virtual void CancelUpdates();                                            // 18
  virtual void Prepare();                                                  // 19
  virtual void SetCachedUpdates(bool value);                               // 20
  // Marks the current record deleted in the cache only (editing).
  virtual void CacheDelete();                                              // 21

  // ---- editing: built with the editing work, not here ----
  void Post() override;
  classlib::Variant Lookup(const std::string& key_fields, const classlib::Variant& key_values,
                           const std::string& result_fields) override;
  bool Locate(const std::string& key_fields, const classlib::Variant& key_values,
              classlib::TLocateOptions options) override;
  // Commits the update transaction after a modify statement (AutoCommit).
  void AutoCommitUpdateTransaction();
  // Re-positions the posted record under the current sort order.
  void RepositionAfterPost();
  // One field's value of the cached record number (1-based), computed for
  // calculated and lookup fields; used by sorting and locating.
  classlib::Variant RecordFieldValue(classlib::TField* field, int record_number);
  // Whether the field's blob stream of the current record was changed.
  bool IsBlobFieldModified(classlib::TField* field);

  // ---- events ----
  TCompareFieldValuesEvent OnCompareFieldValues;
  classlib::TNotifyEvent DatabaseDisconnecting;
  classlib::TNotifyEvent DatabaseDisconnected;
  classlib::TNotifyEvent DatabaseFree;
  classlib::TNotifyEvent TransactionEnding;
  classlib::TNotifyEvent TransactionEnded;
  classlib::TNotifyEvent TransactionFree;
  TFIBUpdateErrorEvent OnUpdateError;
  TFIBUpdateRecordEvent OnUpdateRecord;
  TFetchRecordEvent AfterFetchRecord;
  TGetRecordErrorEvent OnGetRecordError;
  TFieldChangeEvent OnFieldChange;
  classlib::TDataSetNotifyEvent OnEnableControls;
  classlib::TDataSetNotifyEvent OnDisableControls;
  TOnFillClientBlob OnFillClientBlob;
  TTransactionNotifyEvent BeforeStartTransaction, AfterStartTransaction;
  TTransactionEndEvent BeforeEndTransaction, AfterEndTransaction;
  TTransactionNotifyEvent BeforeStartUpdateTransaction, AfterStartUpdateTransaction;
  TTransactionEndEvent BeforeEndUpdateTransaction, AfterEndUpdateTransaction;
  const TFetchRecordEvent& BeforeFetchRecord() const { return before_fetch_record_; }
  void SetBeforeFetchRecord(TFetchRecordEvent handler) { before_fetch_record_ = std::move(handler); }
  const classlib::TDataSetNotifyEvent& OnEndScroll() const { return on_end_scroll_; }
  void SetOnEndScroll(classlib::TDataSetNotifyEvent handler);

  // Reads an option of an older stored form ("oFetchAll", "poUseGuidField",
  // "BufferChunks", ...); false for a name that is none of them.
  bool ReadStoredProperty(const std::string& name, const classlib::Variant& value);

 protected:
  // ---- default display formats (poAutoFormatFields) ----
  // The formats the data set gives its fields; nullptr: the process-wide
  // defaults.
  virtual const TFormatFields* OwnFormats();
  // Gives the fields without a format one of `formats` (the extended data set's rules).
  void ApplyAutoFormat(classlib::TField& field, const TFormatFields& formats);
  // At run time with poAutoFormatFields: every field (after open).
  void ApplyAutoFormats();
  // With psSupportUnicodeBlobs: whether the memo's bytes reach the client as
  // UTF-8, so that the field converts them (a Unicode connection, or a
  // UNICODE_FSS or UTF8 column on a connection the server does not convert
  // for).
  bool MemoArrivesAsUtf8(const TFIBMemoField& memo) const;
  // After the definitions were read again: persistent fields follow them.
  void RecreatePersistentFields();

  // ---- record buffer protocol ----
  classlib::TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(classlib::TRecordBuffer& buffer) override;
  void InternalInitRecord(classlib::TRecordBuffer buffer) override;
  classlib::TGetResult GetRecord(classlib::TRecordBuffer buffer, classlib::TGetMode mode,
                                 bool do_check) override;
  int GetRecordSize() const override { return record_size_; }
  void GetBookmarkData(classlib::TRecordBuffer buffer, void* data) override;
  void SetBookmarkData(classlib::TRecordBuffer buffer, const void* data) override;
  classlib::TBookmarkFlag GetBookmarkFlag(classlib::TRecordBuffer buffer) override;
  void SetBookmarkFlag(classlib::TRecordBuffer buffer, classlib::TBookmarkFlag flag) override;
  void InternalGotoBookmark(const void* bookmark) override;
  // Whether going to the bookmark finds its record: in the standard model
  // it must be in the cache of the same opening and not hidden by its
  // status.
  bool BookmarkRecordExists(const void* bookmark);
  void InternalSetToRecord(classlib::TRecordBuffer buffer) override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  bool IsCursorOpen() const override { return open_; }
  void InternalHandleException() override;
  int GetRecordCount() const override;
  int GetRecNo() const override;
  void SetRecNoValue(int value) override;
  bool GetCanModify() const override;
  classlib::TDataSource* GetDataSource() const override;
  void CloseCursor() override;
  void DataConvert(classlib::TField* field, const void* source, void* dest,
                   bool to_native) override;
  classlib::Variant GetStateFieldValue(classlib::TDataSetState state,
                                       classlib::TField* field) override;
  void SetStateFieldValue(classlib::TDataSetState state, classlib::TField* field,
                          const classlib::Variant& value) override;
  // Final: reading a record asks CalcFieldsNeeded first and calls this only
  // when it answers yes.
  void GetCalcFields(classlib::TRecordBuffer buffer) final;
  bool CalcFieldsNeeded() const { return calc_disabled_ == 0 && CalcFieldsSize() != 0; }
  classlib::TField* CreateFieldOfType(classlib::TFieldType type,
                                      classlib::TComponent* owner) override;
  void CheckFieldCompatibility(classlib::TField* field, classlib::TFieldDef* field_def) override;
  // Final: the class library leaves out the events of a walk that no one
  // hears, because this override passes them on unchanged.
  void DataEvent(classlib::TDataEvent event, intptr_t info) final;
  // The events this class acts on itself: the change hook, and the
  // OnDisableControls/OnEnableControls handlers.
  [[gnu::noinline]] void HookedDataEvent(classlib::TDataEvent event, intptr_t info);
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;

  // ---- event overrides ----
  void DoBeforeOpen() override;
  void DoAfterOpen() override;
  void DoBeforeClose() override;
  void DoAfterClose() override;
  void DoBeforeScroll() override;
  void DoAfterScroll() override;
  void DoBeforeCancel() override;
  void DoBeforeDelete() override;
  void DoBeforeEdit() override;
  void DoBeforeInsert() override;
  void DoBeforePost() override;
  // With dcForceMasterRefresh and no cached updates, the master data set
  // refreshes its record after this detail posted.
  void DoAfterPost() override;
  void DoAfterDelete() override;
  void DoAfterInsert() override;

  // ---- editing overrides: built with the editing work, not here ----
  void InternalPost() override;
  void InternalAddRecord(classlib::TRecordBuffer buffer, bool append) override;
  void InternalDelete() override;
  void InternalCancel() override;
  void InternalRefresh() override;

  // ---- checks (client errors naming the data set) ----
  void CheckDataSetClosed(const std::string& reason) const;  // 28
  void CheckDataSetOpen(const std::string& reason) const;    // 29
  void CheckNotUniDirectional() const;                       // 53
  // The old-value and new-value states count as the state they were
  // entered from.
  void CheckCanModify() const;                               // 46 / 44 / 42
  // The state a write of a field's value happens in (see CheckCanModify).
  classlib::TDataSetState WritingState() const {
    const classlib::TDataSetState state = State();
    return state == classlib::dsOldValue || state == classlib::dsNewValue ? value_state_from_
                                                                           : state;
  }

  // Tells the SQL monitors of an action on the records alone (" do local
  // sorting "): the text as it stands, after the data set's name.
  void TraceAction(std::string_view action) const;
  // The limited model needs: no cached updates, an ORDER BY, no "NEW_"
  // select parameter, and one transaction or AutoCommit (client error 75).
  void CheckLimitedCacheConditions();

  // ---- internal statements ----
  // A statement owned by the data set, named, with its SQL-change
  // notification routed here.
  TFIBQuery* CreateInternalQuery(const std::string& name);
  // The limited model's keyset statements, made on first need.
  TFIBQuery* LimitedCacheQuery(const std::string& name);

  // ---- protected edit ----
  // The current record, posted after a protected edit, counts as modified
  // in the cache, so a later edit in the same transaction does not lock it
  // again.
  void MarkProtectedEdit();
  // The transaction ended: every such mark goes.
  void ClearProtectedEditMarks();
  // The update transaction ended (after the relayed events).
  virtual void UpdateTransactionEnded(TTransactionAction /*action*/) {}

  // ---- buffers and records ----
  static int32_t RecordIndexOf(classlib::TRecordBuffer buffer);
  static void SetRecordIndexOf(classlib::TRecordBuffer buffer, int32_t index);
  static uint8_t StatusOf(classlib::TRecordBuffer buffer);
  void SetSortInfo(const classlib::Variant& sort_info) { sort_info_ = sort_info; }
  static void SetStatusOf(classlib::TRecordBuffer buffer, uint8_t status);
  // The cache's logical number of a record index (the ring in the limited
  // model and for a uni-directional data set).
  int CacheNumberOf(int index) const;
  // Whether the cache holds the record of that index (the window's records
  // in the limited model, whose indexes run past the record count).
  bool HoldsRecord(int index) const;
  // Loads a work buffer with a record's current buffer from the cache.
  void LoadWorkBuffer(classlib::TRecordBuffer buffer, int index);
  // Frees the streams a record's blob slots refer to and clears them.
  void ReleaseBlobSlots(classlib::TRecordBuffer buffer);
  void FreeAllBlobStreams();
  int BlobSlotsOffset() const { return blob_slots_offset_; }
  // The blob slot of a field in a record (only blob fields have one), or
  // in a stored record given its slot area; nullptr for other fields.
  uint8_t* BlobSlot(uint8_t* slot_area, const classlib::TField* field) const;
  int NullFlagOffset(int column) const { return kNullFlagsOffset + column; }

  // ---- storing a record through statements (fib_dataset_attempts.cpp) ----
  // One attempt to store a record: a post without cached updates, or the
  // apply of a cached change. Unless Succeeded is called, the record's
  // changed blobs count as unwritten again and the arrays its statements
  // wrote are forgotten, so the next attempt writes them in its own
  // transaction.
  class WriteAttempt {
   public:
    WriteAttempt(TFIBCustomDataSet& data_set, classlib::TRecordBuffer buffer);
    ~WriteAttempt();
    WriteAttempt(const WriteAttempt&) = delete;
    WriteAttempt& operator=(const WriteAttempt&) = delete;
    // The attempt stored the record.
    void Succeeded(classlib::TRecordBuffer buffer);

   private:
    TFIBCustomDataSet& data_set_;
    bool succeeded_ = false;
  };
  // The slot of every array column of a record that is not NULL.
  void ForEachArraySlot(classlib::TRecordBuffer buffer, const std::function<void(uint8_t*)>& action);
  // A posted edit's arrays stay only where the record holds them.
  void EndArrayEdit(classlib::TRecordBuffer buffer);
  bool HoldsArray(classlib::TRecordBuffer buffer, const ISC_QUAD& id);
  // Writes the values behind a pending array id in the statement's
  // transaction (once per attempt and transaction); the answer is the id.
  ISC_QUAD WritePendingArray(TFIBQuery& statement, classlib::TField* field, const ISC_QUAD& pending);

  // ---- limited cache model: built with that work, not here ----
  void PrepareLimitedCacheSQL();
  void PrepareOrderKeys();
  void FillLimitedCacheAround(int target_index, bool execute_first, bool give_up_on_empty);
  classlib::TGetResult GetLimitedRecord(classlib::TRecordBuffer buffer, classlib::TGetMode mode);
  void LimitedFirst();
  void LimitedLast();
  void LimitedGotoBookmark(const void* bookmark);
  bool LocateInLimitedCache(const std::string& key_fields, const classlib::Variant& key_values,
                            TLocateKeyOptions options);

  // ---- counters and modes other parts of the data set use ----
  // The state a field's old or new value is being set from.
  classlib::TDataSetState value_state_from_ = classlib::dsInactive;
  // Counts the openings: a bookmark names the opening it was taken in.
  uint32_t opening_ = 0;
  int current_index_ = -1;     // the record at the internal cursor
  int record_count_ = 0;       // records in the cache
  int deleted_count_ = 0;      // deleted records still in the cache
  int inserted_count_ = 0;
  int updates_pending_ = 0;
  int calc_disabled_ = 0;
  int scroll_events_disabled_ = 0;
  int open_close_events_disabled_ = 0;
  int skip_resync_ = 0;
  int pending_resync_ = 0;
  bool open_ = false;
  bool cache_calc_fields_ = false;  // poCacheCalcFields as it was at open
  bool cache_only_ = false;         // cached-update machinery re-stores records
  bool keep_blob_streams_ = false;  // re-reading a row while editing
  // A separate update transaction holds writes of this data set, and rows
  // were (or may still be) read through the read transaction since: those
  // rows show the versions the writes replaced.
  bool update_writes_pending_ = false;
  bool reads_behind_update_writes_ = false;
  bool sorting_ = false;            // a local sort runs
  bool sorted_ = false;             // the current order is a local sort
  bool getting_record_ = false;
  bool reopening_ = false;          // re-opening itself internally
  bool cascading_ = false;          // processing a master change
  bool controls_disabled_by_reposition_ = false;
  int reposition_record_ = -1;      // record moved by re-positioning, -1
  std::unique_ptr<TLimitedCacheWindow> window_;
  std::vector<std::string> locate_fields_;  // the limited model's locate list
  // The limited model's bookmark keys: field name and offset.
  std::vector<std::pair<std::string, int>> order_keys_;

 private:
  friend class TCacheModelOptions;

  // Construction (fib_dataset.cpp).
  void RouteLinkEvents();
  void ApplyInitialOptions();
  void PassOptionsToStatements();
  void SelectSQLChanging(classlib::TObject* sender);
  void OtherSQLChanging(classlib::TObject* sender);
  void LinkDatabaseDisconnecting(TFIBBase* link);
  void LinkDatabaseDisconnected(TFIBBase* link);
  void LinkDatabaseFree(TFIBBase* link);
  void LinkTransactionEnding(TFIBBase* link);
  void LinkTransactionEnded(TFIBBase* link);
  void LinkTransactionFree(TFIBBase* link);
  void FireNotify(const classlib::TNotifyEvent& event) {
    if (event) event(this);
  }

  // Transaction relays (fib_dataset_props.cpp).
  void MoveTransactionHandlers(TFIBTransaction* from, TFIBTransaction* to, bool update);
  void RelayBeforeStart(classlib::TObject* sender);
  void RelayAfterStart(classlib::TObject* sender);
  void RelayBeforeEnd(TFIBTransaction* transaction, TTransactionAction action, bool force);
  void RelayAfterEnd(TFIBTransaction* transaction, TTransactionAction action, bool force);
  void RelayBeforeStartUpdate(classlib::TObject* sender);
  void RelayAfterStartUpdate(classlib::TObject* sender);
  void RelayBeforeEndUpdate(TFIBTransaction* transaction, TTransactionAction action, bool force);
  void RelayAfterEndUpdate(TFIBTransaction* transaction, TTransactionAction action, bool force);
  bool UpdateSharesReadTransaction() const;

  // Preparing (fib_dataset_prepare.cpp).
  void CompleteConnection();
  void GuardedDesignPrepare();
  void AddFieldDef(TFIBXSQLVAR& column, int field_no);
  bool RepositoryMarks(TFIBXSQLVAR& column, bool guid) const;
  void ReadSortInfo();

  // Columns (fib_dataset_columns.cpp).
  void BindForColumnInfo(classlib::TField* field);
  TFIBXSQLVAR* ColumnOf(const classlib::TField* field) const;
  // By address: a field being destroyed is no longer a TField.
  void ForgetCachedField(const classlib::TComponent* component);

  // Master/detail (fib_dataset_master.cpp).
  void WaitTimerTick(classlib::TObject* sender);
  void ProcessMasterChange();
  void AssignMasterParams();
  void EndScrollTick(classlib::TObject* sender);

  // Opening and fetching (fib_dataset_open.cpp, fib_dataset_fetch.cpp).
  void ComputeRecordLayout();
  void CheckOrderFieldsPresent();
  void ApplyPendingMasterChange();
  void SaveOldVersion();
  // read: whether a record was read into buffer.
  classlib::TGetResult GetStandardRecord(classlib::TRecordBuffer buffer, classlib::TGetMode mode,
                                         bool& read);
  // Moves current_index_ back (gmPrior) or onto a record that exists
  // (gmCurrent); grOK when it stands on one.
  classlib::TGetResult StepBackOrStay(classlib::TGetMode mode);
  bool FetchOneRow();
  // Whether the cache still holds record index (a uni-directional data set
  // keeps only the last BufferChunks records).
  bool InRing(int index) const;
  classlib::TGetResult HandleGetRecordError(classlib::Exception& error,
                                            classlib::TGetResult so_far);

  // Row transfer (fib_dataset_transfer.cpp).
  // How a fetched column's value goes into the stored record, settled from
  // its descriptor when the layout is made, so that storing a row is a
  // switch per column with nothing looked up.
  enum class TStoreKind : uint8_t {
    kCopy,           // the server's bytes (integers, floats, booleans)
    kId,             // a blob or array id, kept even when NULL
    kDate,
    kTime,
    kTimeStamp,
    kInt64,          // scaled below 4 places a double unless kept exact
    kText,           // CHAR in the record
    kTextString,     // CHAR in the string store, trimmed
    kTextInline,     // long CHAR with its length in the record, trimmed
    kVarying,        // VARCHAR in the record
    kVaryingString,  // VARCHAR in the string store
    kVaryingInline,  // long VARCHAR with its length in the record
  };
  struct TColumnStore {
    TStoreKind Kind;
    uint16_t FieldType;  // the column's type; a column of another is skipped
    int16_t Scale;
    int32_t NullableType;  // FieldType with the null flag, as a column's sqltype | 1 reads
    int32_t Slot;         // offset of the value in the stored record
    int32_t Width;        // bytes of the value there
    int32_t StringIndex;  // the string store's column of a string kind
  };
  void PlanColumnStores();
  void StoreSelectRow(TFIBXSQLDA& columns, uint8_t* stored, int index, bool fresh);
  void StoreColumn(const TColumnStore& store, const XSQLVAR& var, uint8_t* stored, int column,
                   int index, bool fresh);
  void StoreNullColumn(const TColumnStore& store, const XSQLVAR& var, uint8_t* slot, int index);
  void StoreOtherStatementRow(TFIBQuery& statement, uint8_t* stored, int index);
  void ForgetBlobStreams(uint8_t* blob_slots);
  void FireAfterFetchRecord(TFIBQuery& statement, int index);
  void KeepFetchedBlobStreams(TFIBQuery& statement, uint8_t* blob_slots);
  void SetModifyParam(TFIBQuery& statement, TFIBXSQLVAR& param, classlib::TRecordBuffer buffer,
                      classlib::TRecordBuffer old_values);
  void AssignColumnToParam(const TFIBFieldDescr& descr, classlib::TRecordBuffer source,
                           classlib::TField* field, TFIBXSQLVAR& param);
  void AssignTextToParam(const TFIBFieldDescr& descr, const uint8_t* slot, TFIBXSQLVAR& param);
  void AssignBlobToParam(const TFIBFieldDescr& descr, classlib::TRecordBuffer source,
                         classlib::TField* field, TFIBXSQLVAR& param);

  // Field data (fib_dataset_buffers.cpp).
  classlib::TRecordBuffer SourceBufferFor(classlib::TField* field);
  // Lets every data field whose record bytes are what a read delivers read
  // them directly (after the layout is made, and when the options change).
  void SetDirectReads();
  classlib::TField::TDirectSlot DirectSlotFor(const classlib::TField& field) const;
  bool ReadColumnValue(const TFIBFieldDescr& descr, classlib::TField* field,
                       classlib::TRecordBuffer record, void* buffer);
  void WriteColumnValue(const TFIBFieldDescr& descr, classlib::TField* field,
                        classlib::TRecordBuffer record, const void* buffer);
  void ReadText(const TFIBFieldDescr& descr, classlib::TField* field, const uint8_t* slot,
                void* buffer);
  void WriteText(const TFIBFieldDescr& descr, classlib::TField* field, uint8_t* slot,
                 const void* buffer);
  TFIBBlobStream* NewRecordBlobStream(classlib::TField* field, const ISC_QUAD& blob_id,
                                      uint8_t* slot);
  TFIBBlobStream* NewRecordBlobStream(classlib::TField* field, const ISC_QUAD& blob_id,
                                      uint8_t* slot, std::vector<classlib::Variant> keys);
  // The record's primary-key values that name a cached blob of `table`;
  // empty without a cache folder or without every key column as a field.
  std::vector<classlib::Variant> BlobCacheKeyValues(const std::string& table);
  void LoadForCachedUpdates(TFIBBlobStream& stream);
  // Before a hard end or a retaining rollback under cached updates: the
  // records take their arrays' values along, as pending ids, since the
  // server's ids may name nothing once the transaction ended.
  void KeepArraysOverTransactionEnd();
  // Replaces an array id in a record buffer by a kept copy of its values.
  bool KeepArrayOf(classlib::TField* field, classlib::TRecordBuffer record,
                   std::map<std::pair<ISC_LONG, ISC_ULONG>, ISC_QUAD>& kept);
  // Passes each cached record and each earlier version the log keeps to
  // `change`, and stores again those it changed.
  void RewriteHeldVersions(const std::function<bool(classlib::TRecordBuffer)>& change);
  // Before a hard end or a retaining rollback under cached updates: every
  // memo and blob a cached record has not read yet is read into a stream of
  // the record, since the server may drop it once the transaction ended.
  void KeepBlobsOverTransactionEnd();
  // Before a separate update transaction commits: records that show
  // versions its writes replaced keep their memos, blobs and arrays, which
  // the server drops once the commit made those versions obsolete.
  void KeepReplacedVersionsOverUpdateCommit();
  // Notes a read through the read transaction while the update
  // transaction holds writes of this data set.
  void NoteReadBehindUpdateWrites();
  // Gives a record's blob a loaded stream, shared by the records that name
  // the same id; `read_new` false only shares streams already read.
  bool KeepBlobOf(classlib::TField* field, classlib::TRecordBuffer record,
                  std::map<std::pair<ISC_LONG, ISC_ULONG>, uint32_t>& kept, bool read_new);
  uint32_t AddBlobStream(std::unique_ptr<TFIBBlobStream> stream);
  void FreeBlobStream(uint32_t handle);

  // Owned objects.
  std::unique_ptr<TFIBBase> base_;
  TFIBQuery* select_query_ = nullptr;  // the current select statement
  TFIBQuery* main_select_query_ = nullptr;
  TFIBQuery* update_query_ = nullptr;
  TFIBQuery* insert_query_ = nullptr;
  TFIBQuery* delete_query_ = nullptr;
  TFIBQuery* refresh_query_ = nullptr;
  std::vector<TFIBQuery*> limited_queries_;
  std::unique_ptr<TFIBDataLink> data_link_;
  std::unique_ptr<TSQLs> sqls_;
  std::unique_ptr<TAutoUpdateOptions> auto_update_options_;
  std::unique_ptr<TCacheModelOptions> cache_model_options_;
  std::unique_ptr<TConditions> conditions_;
  TFIBFieldDescrList field_descrs_;
  std::unique_ptr<TRecordsCache> cache_;
  std::unique_ptr<TFIBTimer> wait_timer_;
  std::unique_ptr<TFIBTimer> end_scroll_timer_;
  // The field-name cache: names as asked for, sorted, with their fields.
  std::vector<std::pair<std::string, classlib::TField*>> field_name_cache_;
  // Blob streams by handle (index + 1); freed handles are reused.
  // Blob streams by handle. Handles are never reused, not even after a
  // close, so a handle kept by a field's stream never finds another blob:
  // handle h is blob_streams_[h - 1 - blob_handle_base_].
  std::vector<std::unique_ptr<TFIBBlobStream>> blob_streams_;
  uint32_t blob_handle_base_ = 0;
  // Array values written to records and not stored yet.
  TPendingArrays pending_arrays_;
  // The blob streams that held changes when the current attempt began.
  std::vector<uint32_t> attempt_blob_handles_;
  classlib::Variant sort_info_;

  // Settings.
  TpZODDsOptions options_;
  TpPrepareOptions prepare_options_;
  TDetailConditions detail_conditions_;
  TFieldOriginRule field_origin_rule_ = forTableAndFieldName;
  TTransactionKind refresh_transaction_kind_ = tkReadTransaction;
  TFIBUpdateRecordTypes update_record_types_{cusUnmodified, cusModified, cusInserted};
  TUpdateKinds allowed_update_kinds_{classlib::ukModify, classlib::ukInsert, classlib::ukDelete};
  bool cached_updates_ = false;
  bool uni_directional_ = false;
  bool auto_commit_ = false;
  int sql_screen_cursor_ = 0;
  TDataSetsContainer* container_ = nullptr;
  TFetchRecordEvent before_fetch_record_;
  classlib::TDataSetNotifyEvent on_end_scroll_;
  uint32_t end_scroll_interval_ = 500;

  // Open state.
  bool prepared_ = false;
  // InternalInitFieldDefs read the definitions since the last open.
  bool field_defs_rebuilt_ = false;
  bool unicode_connection_ = false;
  int record_size_ = 0;
  int blob_slots_offset_ = 0;
  int calc_area_offset_ = 0;
  int stored_blob_offset_ = 0;  // the blob slots in a stored record
  // Per field (by index): its blob slot number, -1 for fields without one.
  std::vector<int> blob_slot_of_field_;
  int blob_slot_count_ = 0;
  bool fetch_stopped_ = false;  // AfterFetchRecord asked to stop
  // One per field descriptor, made with them.
  std::vector<TColumnStore> column_stores_;
  std::vector<uint8_t> old_buffer_;

  // ==== Editing, cached updates, lookup, local sort and the key search ====
  // Helpers of that work, kept together at the end of the class.
 public:
  // Whether the current order comes from a local sort (DoSort) rather than
  // from the select statement's ORDER BY.
  bool LocallySorted() const { return sorted_; }
  // Forgets the sort descriptor: the records are no longer known sorted.
  void ClearSortInfo();
  // Sends every pending cached change to the server through the modify
  // statements, record by record; applied records become unmodified (or
  // stay hidden when deleted). A failing statement stops it, leaving that
  // record and the ones after it pending.
  virtual void ApplyUpdates();
  // The value of field in cached record index (0-based): calculated and
  // lookup fields computed on the record unless calculations are
  // suspended. Missing rows are fetched first; an index beyond the rows
  // raises "<name>.Can't read record <number>".
  classlib::Variant CachedFieldValue(int index, classlib::TField* field);
  // The search behind LocateByKeys without its move: which record holds
  // the key values (see key_search.h).
  TKeySearchResult SearchKeys(const std::string& key_fields, const classlib::Variant& key_values,
                              TLocateKeyOptions options, bool from_start,
                              TLocateDirection direction);

 protected:
  // The records a key search runs over in the limited cache model (the
  // window); that model's navigation provides it. Indexes are the window's
  // record indexes, and CachedCount answers its last index + 1, so a search
  // starts at the window's first index and stays inside the window.
  virtual std::unique_ptr<ILocateRecords> WindowLocateRecords(
      const std::vector<classlib::TField*>& fields);
  // Lookup in the limited cache model (the window first, then a statement
  // of its own); that model's navigation provides it.
  virtual classlib::Variant LimitedCacheLookup(const std::string& key_fields,
                                               const classlib::Variant& key_values,
                                               const std::string& result_fields);
  // The value of field in a record buffer that is not on show.
  classlib::Variant FieldValueIn(classlib::TRecordBuffer buffer, classlib::TField* field);
  // Fills `record` with the version of cached record `index` before its
  // change (before the edit; under cached updates before the first cached
  // change) and answers it as a record buffer.
  classlib::TRecordBuffer ReadOldVersion(int index, std::vector<uint8_t>& record);

 private:
  class CacheLocateRecords;
  class CacheSortRecords;

  // Posting (fib_dataset_edit.cpp).
  void PostBuffer(classlib::TRecordBuffer buffer, bool inserting);
  int InsertPosition(classlib::TRecordBuffer buffer);
  bool MarkPosted(classlib::TRecordBuffer buffer, bool inserting, int index);
  void PostThroughStatement(classlib::TRecordBuffer buffer, bool inserting, int index);
  bool SortFieldsChanged();
  void SyncBlobColumns(classlib::TRecordBuffer buffer);
  void KeepPostedBlobContent(classlib::TRecordBuffer buffer);
  void ForEachBlobStream(classlib::TRecordBuffer buffer,
                         const std::function<void(classlib::TField*, TFIBBlobStream*)>& action);
  void AfterPostOrder(bool sort_changed);
  // Marks a post or delete as storing the active record while it lives.
  struct Storing {
    explicit Storing(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~Storing() { flag_ = was_; }
    Storing(const Storing&) = delete;
    Storing& operator=(const Storing&) = delete;
    bool& flag_;
    bool was_;
  };
  // Modify statements (fib_dataset_modify.cpp).
  static bool IsNoAction(TFIBQuery* statement);
  void ExecuteModify(TFIBQuery* statement, classlib::TRecordBuffer buffer);
  void StartUpdateTransactionIfAsked();
  void TakeReturnedValues(TFIBQuery* statement, classlib::TRecordBuffer buffer);
  void RefreshAfterPost(classlib::TRecordBuffer buffer);
  // Cached updates (fib_dataset_cached_updates.cpp).
  void RevertCachedRecord(int index);
  void RevertBlobStreams(uint8_t* stored, uint8_t* earlier);
  bool ApplyCachedRecord(int index, classlib::TRecordBuffer buffer);
  // Key search (fib_dataset_locate.cpp).
  std::vector<TKeyColumn> KeyColumns(const std::vector<classlib::TField*>& fields,
                                     const classlib::Variant& key_values,
                                     TLocateKeyOptions options, bool& suspend_calc);
  bool SortedSearchPossible(std::vector<classlib::TField*>& fields,
                            std::vector<TKeyColumn>& keys, TLocateKeyOptions options);
  void MoveToRecord(int index, bool centre);
  // Local sort (fib_dataset_sort.cpp).
  std::vector<classlib::TField*> ResolveSortFields(const std::vector<classlib::Variant>& fields);
  // A post or delete is storing the active record (see CacheDelete).
  bool storing_ = false;

  // ---- limited cache model: its navigation ----
 protected:
  friend class TLimitedCacheHost;
  // The field an ORDER BY item names.
  classlib::TField* SortFieldOf(const std::string& order_name);
  KeysetField KeysetFieldOf(classlib::TField* field, const std::string& qualifier,
                            bool ascending);
  std::vector<KeysetField> KeysetSortFields();
  // The key entries of the named data fields as a record holds them.
  BookmarkLayout LayoutOf(const std::vector<std::string>& names);
  // Writes the key entries of the limited model's bookmark of a record.
  void WriteLimitedBookmarkKeys(classlib::TRecordBuffer buffer, void* data);
  bool WindowRecordMatches(int index, const uint8_t* bookmark, bool ignore_identity);
  std::unique_ptr<TLimitedCacheHost> limited_host_;
  std::unique_ptr<TLimitedCacheNavigator> navigator_;
  BookmarkLayout bookmark_layout_;
  std::vector<uint8_t> scratch_record_;
};

// The published face of the buffered data set.
class TFIBDataSet : public TFIBCustomDataSet {
  CLASSLIB_CLASS(TFIBDataSet, TFIBCustomDataSet)
 public:
  using TFIBCustomDataSet::TFIBCustomDataSet;
};

}  // namespace fib
