// TDataSet: the abstract cursor over records that every data access layer
// derives from. The base class owns the protocol — states, open and close,
// a ring of record buffers around the current record, navigation,
// bookmarks, editing with its events, calculated and lookup fields, filters
// and the notification of data sources — and leaves the record storage to
// descendants through the protected virtual operations below (the record
// buffer protocol).
//
// The buffer ring. While open the data set holds up to BufferCount record
// buffers, Buffers(0) .. Buffers(BufferedRecords() - 1), filled with
// consecutive records of the cursor; ActiveRecord() is the index of the
// current record among them and CurrentRecord() the index of the buffer the
// descendant's cursor stands on. One more buffer past the ring is the
// TempBuffer; CalcBuffer is the buffer calculated fields are computed in.
// ActiveBuffer() picks the buffer of the current state (edit and browse: the
// active record; calc-fields: the CalcBuffer; filter: the FilterBuffer).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "classlib/component.h"
#include "classlib/dataset_provider.h"
#include "classlib/db_types.h"
#include "classlib/event.h"
#include "classlib/exceptions.h"

namespace classlib {

class TDataSet;
class TDataSource;
class TField;
class TFieldDef;
class TFieldDefs;
class TFields;
class TParams;
class TStream;
class Variant;

using TRecordBuffer = uint8_t*;
// A bookmark is a copy of BookmarkSize bytes of a record buffer's bookmark
// data; empty means no bookmark.
using TBookmark = std::vector<uint8_t>;

using TDataSetNotifyEvent = Event<void(TDataSet* data_set)>;
using TDataSetErrorEvent = Event<void(TDataSet* data_set, EDatabaseError& error, TDataAction& action)>;
using TFilterRecordEvent = Event<void(TDataSet* data_set, bool& accept)>;

// Declares the getter and setter of an event property backed by member.
#define CLASSLIB_DATASET_EVENT(Type, Name, member)            \
  const Type& Name() const { return member; }                \
  void Set##Name(Type handler) { member = std::move(handler); }

class TDataSet : public TComponent {
  CLASSLIB_CLASS(TDataSet, TComponent)
 public:
  explicit TDataSet(TComponent* owner);
  // Descendants close the data set in their own destructor (Destroying();
  // SetActive(false)) so their InternalClose still runs.
  ~TDataSet() override;

  // ---- Open and close ----
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  bool Active() const { return state_ != dsInactive && state_ != dsOpening; }
  virtual void SetActive(bool value);
  TDataSetState State() const { return state_; }
  // The active record while browsing a record, else nullptr: the only
  // place a field's direct read takes its value from.
  TRecordBuffer BrowsedRecord() const {
    return BrowsesARecord() ? buffers_[static_cast<std::size_t>(active_record_)] : nullptr;
  }
  bool BrowsesARecord() const { return state_ == dsBrowse && active_record_ < record_count_; }
  bool Modified() const { return modified_; }
  bool DefaultFields() const { return default_fields_; }

  // ---- Navigation ----
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves distance records (negative: back); answers how far it moved.
  int MoveBy(int distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool IsEmpty() const;
  int RecNo() const { return GetRecNo(); }
  void SetRecNo(int value) { SetRecNoValue(value); }
  int RecordCount() const { return GetRecordCount(); }
  // Whether RecNo and RecordCount are exact (records are numbered).
  virtual bool IsSequenced() const { return true; }
  // Re-reads the ring around the cursor: rmExact keeps the current record
  // exactly where it was, rmCenter places it in the middle of the ring.
  virtual void Resync(TResyncMode mode);
  // Whether the last Locate found a record.
  bool Found() const { return found_; }
  // Above 0 the data set reads in the block-read state, in which data
  // sources hear nothing; 0 goes back to browsing.
  int BlockReadSize() const { return block_read_size_; }
  void SetBlockReadSize(int size) { SetBlockReadSizeValue(size); }

  // ---- Bookmarks ----
  virtual TBookmark GetBookmark();
  void GotoBookmark(const TBookmark& bookmark);
  virtual bool BookmarkValid(const TBookmark& bookmark);
  // -1, 0 or 1; an empty bookmark sorts after a set one.
  virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b);
  int BookmarkSize() const { return bookmark_size_; }

  // ---- Editing ----
  void Edit();
  void Insert() { BeginInsertAppend(false); }
  void Append() { BeginInsertAppend(true); }
  virtual void Post();
  virtual void Cancel();
  void Delete();
  void Refresh();
  // Ends a pending edit: posts it when a field was changed, else cancels;
  // in every state it first checks that the data set is active. Inline:
  // every step of a walk asks it, and browsing it only tells the links.
  void CheckBrowseMode() {
    if (state_ != dsBrowse) [[unlikely]] CheckActive();
    SendStepEvent(deCheckBrowseMode, 0);
    if (state_ != dsBrowse) [[unlikely]] EndPendingEdit();
  }
  // Asks data links to write their pending control values into the record.
  void UpdateRecord();
  // An event told by another data set (a parent tells its nested data sets
  // deParentScroll), handled as the data set's own.
  void NotifyDataEvent(TDataEvent event, intptr_t info) { DataEvent(event, info); }
  void ClearFields();
  bool CanModify() const { return GetCanModify(); }
  virtual TUpdateStatus UpdateStatus() const { return usUnmodified; }

  // ---- Fields ----
  TFields& Fields() const { return *fields_; }
  TFieldDefs& FieldDefs() const { return *field_defs_; }
  // Every field, object fields' children included (in order).
  std::vector<TField*> FieldList() const;
  int FieldCount() const;
  TField* FindField(std::string_view name) const;
  // Raises EDatabaseError "Field '%s' not found".
  TField* FieldByName(std::string_view name) const;
  TField* FieldByNumber(int field_no) const;
  // The fields named in "A;B;C"; a missing one raises like FieldByName.
  void GetFieldList(std::vector<TField*>& list, std::string_view field_names) const;
  std::vector<std::string> GetFieldNames() const;
  // Fills FieldDefs from the cursor unless they are up to date.
  void InitFieldDefs();
  bool AutoCalcFields() const { return auto_calc_fields_; }
  void SetAutoCalcFields(bool value) { auto_calc_fields_ = value; }

  // ---- Field data (called by fields) ----
  // Copies the field's value from the active buffer into buffer (native
  // form); false when the value is null or there is no active record.
  // Shows the data set in another state for as long as it lives, so field
  // reads give that state's values (dsOldValue: the record before editing),
  // and restores the state afterwards, also when the read raises.
  class StateSwitch {
   public:
    StateSwitch(TDataSet& data_set, TDataSetState state)
        : data_set_(data_set), saved_(data_set.SetTempState(state)) {}
    ~StateSwitch() { data_set_.RestoreState(saved_); }
    StateSwitch(const StateSwitch&) = delete;
    StateSwitch& operator=(const StateSwitch&) = delete;

   private:
    TDataSet& data_set_;
    TDataSetState saved_;
  };

  virtual bool GetFieldData(TField* field, void* buffer);
  // Whether a field may read its text slot (TField::TDirectSlot::kTextForm)
  // straight from the record now, and whether the trailing blanks of such a
  // text are trimmed (`fixed`: a CHAR column's). Asked at every text read,
  // it answers what SettleDirectTextRules last settled.
  bool DirectTextRules(bool fixed, bool& trims) const {
    if ((direct_text_rules_ & kDirectTexts) == 0) return false;
    trims = ((direct_text_rules_ >> (fixed ? 1 : 0)) & 1) != 0;
    return true;
  }
  // Settles the direct text rules anew from CurrentDirectTextRules. The data
  // set does so at every state change (opening included); whatever changes
  // an option they depend on while the data set is open calls it, so the
  // change holds at the next read.
  void SettleDirectTextRules();
  // The same in native or field-side form: the base converts through
  // DataConvert when native is false.
  virtual bool GetFieldData(TField* field, void* buffer, bool native);
  // Writes the field's value into the active buffer; nullptr writes null.
  virtual void SetFieldData(TField* field, const void* buffer);
  virtual void SetFieldData(TField* field, const void* buffer, bool native);
  // A stream over a blob field's value in the active record. The base has
  // no blob storage and refuses.
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);
  // Copies the current record into buffer; false when there is none.
  virtual bool GetCurrentRecord(TRecordBuffer buffer);

  // ---- Searching ----
  // The base answers false / Null; descendants that can search override.
  virtual bool Locate(const std::string& key_fields, const Variant& key_values,
                      TLocateOptions options);
  virtual Variant Lookup(const std::string& key_fields, const Variant& key_values,
                         const std::string& result_fields);

  // ---- Filters ----
  // The base filters through OnFilterRecord only (see RecordFilter); the
  // Filter text and options are kept for descendants that evaluate them.
  // Changing any of them re-reads an open data set from its first record.
  bool Filtered() const { return filtered_; }
  void SetFiltered(bool value) { SetFilteredValue(value); }
  const std::string& Filter() const { return filter_text_; }
  void SetFilter(const std::string& text) { SetFilterText(text); }
  TFilterOptions FilterOptions() const { return filter_options_; }
  void SetFilterOptions(TFilterOptions options) { SetFilterOptionsValue(options); }
  const TFilterRecordEvent& OnFilterRecord() const { return on_filter_record_; }
  void SetOnFilterRecord(TFilterRecordEvent handler) { SetOnFilterRecordValue(std::move(handler)); }

  // ---- Controls and data sources ----
  // Counted: link notifications stop until the matching EnableControls,
  // which sends the one change that sums up what happened meanwhile.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disable_count_ != 0; }
  // The master data source (detail data sets answer theirs).
  TDataSource* DataSource() const { return GetDataSource(); }
  // Whether source's data set is this one or has it among its masters (so
  // making source this data set's master would close a circle).
  bool IsLinkedTo(TDataSource* source) const;
  // Data sources register themselves here to hear data events.
  void AddDataSource(TDataSource* source);
  void RemoveDataSource(TDataSource* source);
  const std::vector<TDataSource*>& DataSources() const { return data_sources_; }

  // ---- Provider support ----
  // What a data provider asks of the data set it publishes: which fields
  // are keys, which table and statement lie behind it, its parameters and
  // transactions, statements of its own to run and deltas to apply. The
  // answers here are those of a data set that knows no SQL: the keys are the
  // fields flagged pfInKey, there is no default order, table, quote
  // character, parameter list or transaction, nothing is applied for the
  // provider (PSUpdateRecord false: it writes the change itself), and a
  // statement or a parameter list it sends is refused. A data set over a
  // server overrides what it can answer.
  virtual std::string PSGetKeyFields();
  virtual std::unique_ptr<TIndexDef> PSGetDefaultOrder();
  virtual std::string PSGetTableName();
  virtual std::string PSGetQuoteChar();
  virtual void PSSetCommandText(const std::string& text);
  // The data set's parameters as the provider may show them (nullptr: none).
  virtual TParams* PSGetParams();
  // An empty list is accepted; the base refuses one with parameters.
  virtual void PSSetParams(const TParams& params);
  virtual bool PSIsSQLBased();
  virtual bool PSIsSQLSupported();
  virtual bool PSInTransaction();
  virtual void PSStartTransaction();
  // Commits (true) or rolls back (false) what PSStartTransaction began.
  virtual void PSEndTransaction(bool commit);
  // Reads the data anew before the provider fetches again.
  virtual void PSReset();
  // Runs sql, whose parameters are marked "?", with params in order. With
  // result_set, the caller wants the rows: it receives a data set over them.
  // Answers the rows a select returned or the rows a statement changed.
  virtual int PSExecuteStatement(const std::string& sql, const TParams& params,
                                 std::unique_ptr<TDataSet>* result_set = nullptr);
  // Applies the current record of delta as a change of kind; false when the
  // data set leaves it to the provider.
  virtual bool PSUpdateRecord(TUpdateKind kind, TDataSet& delta);
  // The update error a failure of a change is reported as; previous is the
  // update error reported before it for the same change (or nullptr).
  virtual std::unique_ptr<EUpdateError> PSGetUpdateException(const Exception& error,
                                                             const EUpdateError* previous);

  // ---- Events ----
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, BeforeOpen, before_open_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, AfterOpen, after_open_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, BeforeClose, before_close_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, AfterClose, after_close_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, BeforeInsert, before_insert_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, AfterInsert, after_insert_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, BeforeEdit, before_edit_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, AfterEdit, after_edit_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, BeforePost, before_post_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, AfterPost, after_post_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, BeforeCancel, before_cancel_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, AfterCancel, after_cancel_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, BeforeDelete, before_delete_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, AfterDelete, after_delete_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, BeforeRefresh, before_refresh_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, AfterRefresh, after_refresh_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, BeforeScroll, before_scroll_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, AfterScroll, after_scroll_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, OnNewRecord, on_new_record_)
  CLASSLIB_DATASET_EVENT(TDataSetNotifyEvent, OnCalcFields, on_calc_fields_)
  CLASSLIB_DATASET_EVENT(TDataSetErrorEvent, OnEditError, on_edit_error_)
  CLASSLIB_DATASET_EVENT(TDataSetErrorEvent, OnPostError, on_post_error_)
  CLASSLIB_DATASET_EVENT(TDataSetErrorEvent, OnDeleteError, on_delete_error_)

 protected:
  // ---- Record buffer protocol (descendants override) ----
  virtual TRecordBuffer AllocRecordBuffer();
  virtual void FreeRecordBuffer(TRecordBuffer& buffer);
  virtual void InternalInitRecord(TRecordBuffer buffer);
  // Clears buffer for a new record: InternalInitRecord, calculated fields
  // cleared, bookmark flag bfInserted.
  virtual void InitRecord(TRecordBuffer buffer);
  // Reads the record after (gmNext), before (gmPrior) or at (gmCurrent) the
  // cursor into buffer and moves the cursor there; grBOF/grEOF at the ends.
  // An override sets the buffer's bookmark, computes calculated fields
  // (GetCalcFields) and skips records the filter refuses (RecordFilter).
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool do_check);
  virtual int GetRecordSize() const { return 0; }
  virtual void GetBookmarkData(TRecordBuffer buffer, void* data);
  virtual void SetBookmarkData(TRecordBuffer buffer, const void* data);
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer);
  virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag);
  virtual void InternalGotoBookmark(const void* bookmark);
  virtual void InternalSetToRecord(TRecordBuffer buffer);
  virtual void InternalFirst();
  virtual void InternalLast();
  // Opens the cursor. An override fills FieldDefs (InitFieldDefs), makes
  // the fields when DefaultFields() (CreateFields), binds them
  // (BindFields(true), which sizes the calculated area) and sets the
  // bookmark size; the base then allocates the ring and reads the first
  // records.
  virtual void InternalOpen();
  // Closes the cursor: an override unbinds the fields and destroys them
  // when they are default fields.
  virtual void InternalClose();
  virtual void InternalInitFieldDefs();
  virtual bool IsCursorOpen() const;
  virtual void InternalHandleException();
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalPost();
  virtual void InternalAddRecord(TRecordBuffer buffer, bool append);
  virtual void InternalDelete();
  virtual void InternalCancel() {}
  virtual void InternalRefresh() {}
  virtual bool GetCanModify() const { return true; }
  virtual int GetRecordCount() const { return -1; }
  virtual int GetRecNo() const { return -1; }
  virtual void SetRecNoValue(int /*value*/) {}
  virtual TDataSource* GetDataSource() const { return nullptr; }
  virtual void SetBlockReadSizeValue(int size);

  // ---- Open and close steps ----
  // OpenCursor: InternalOpen (info_query: only the field definitions).
  virtual void OpenCursor(bool info_query);
  virtual void CloseCursor();
  // Open after the cursor: buffers, first records, AfterOpen.
  virtual void DoInternalOpen();

  // ---- Field data conversion and state values ----
  // Converts a value between the field-side and the native buffer forms
  // (see field.h); types without a difference are copied.
  virtual void DataConvert(TField* field, const void* source, void* dest, bool to_native);
  // The direct text rules as the data set's options make them now (see
  // DirectTextRules); the base gives no text slots and allows none.
  struct TDirectTextRules {
    bool direct = false;
    bool trim_fixed = false;
    bool trim_var = false;
  };
  virtual TDirectTextRules CurrentDirectTextRules() const { return {}; }
  // OldValue / NewValue: the base reads the field with the state switched.
  virtual Variant GetStateFieldValue(TDataSetState state, TField* field);
  virtual void SetStateFieldValue(TDataSetState state, TField* field, const Variant& value);

  // ---- Calculated and lookup fields ----
  // Fills buffer's calculated fields: CalculateFields in calc-fields state.
  virtual void GetCalcFields(TRecordBuffer buffer);
  // Lookup fields first, then OnCalcFields.
  virtual void CalculateFields(TRecordBuffer buffer);
  virtual void ClearCalcFields(TRecordBuffer buffer);
  // Reads or writes a calculated field's slot in the calculated area.
  bool GetCalcFieldData(TField* field, void* buffer);
  void SetCalcFieldData(TField* field, const void* buffer);
  int CalcFieldsSize() const { return calc_fields_size_; }
  // Whether the bound fields include calculated ones (or internally
  // calculated columns): without them GetCalcFields has nothing to do.
  bool HasCalcFields() const { return has_calc_fields_; }
  // Where the calculated area starts in every record buffer; descendants
  // that lay it elsewhere than after GetRecordSize() bytes set it.
  int CalcFieldsOffset() const { return calc_fields_offset_; }
  void SetCalcFieldsOffset(int offset) { calc_fields_offset_ = offset; }

  // ---- Filters ----
  virtual void SetFilteredValue(bool value);
  virtual void SetFilterText(const std::string& text);
  virtual void SetFilterOptionsValue(TFilterOptions options);
  virtual void SetOnFilterRecordValue(TFilterRecordEvent handler);
  // Runs OnFilterRecord on buffer in the filter state; the answer is Accept.
  bool RecordFilter(TRecordBuffer buffer);

  // ---- Fields ----
  virtual void CreateFields();
  virtual void DestroyFields();
  virtual void BindFields(bool binding);
  // The field class made for a field type (nullptr when there is none).
  virtual TField* CreateFieldOfType(TFieldType type, TComponent* owner);
  // Refuses a persistent field whose type differs from its column's.
  virtual void CheckFieldCompatibility(TField* field, TFieldDef* field_def);
  void CheckRequiredFields();
  // Lets every field drop what it kept for the edit that ends.
  void FreeFieldBuffers();
  void SetDefaultFields(bool value) { default_fields_ = value; }
  void SetBookmarkSize(int size) { bookmark_size_ = size; }

  // ---- The ring ----
  int BufferCount() const { return buffer_count_; }
  // Sets the ring size (at least 1); the data set re-reads as needed.
  virtual void SetBufferCount(int count);
  TRecordBuffer Buffers(int index) const { return buffers_[static_cast<std::size_t>(index)]; }
  int BufferedRecords() const { return record_count_; }
  void SetBufferedRecords(int count) { record_count_ = count; }
  int ActiveRecord() const { return active_record_; }
  void SetActiveRecord(int index) { active_record_ = index; }
  int CurrentRecord() const { return current_record_; }
  // Moves the descendant's cursor to the record of buffer index (at once
  // when it already stands there, as it does at every step of a walk).
  void SetCurrentRecord(int index) {
    if (current_record_ != index) MoveCursorToBuffer(index);
  }
  // Sets the cursor index without moving the cursor (after a descendant
  // moved it itself).
  void SetCurrentRecordIndex(int index) { current_record_ = index; }
  void SetBof(bool value) { bof_ = value; }
  void SetEof(bool value) { eof_ = value; }
  TRecordBuffer ActiveBuffer() const { return GetActiveRecordBuffer(); }
  virtual TRecordBuffer GetActiveRecordBuffer() const;
  TRecordBuffer TempBuffer() const { return buffers_.empty() ? nullptr : buffers_.back(); }
  TRecordBuffer CalcBuffer() const { return calc_buffer_; }
  void SetCalcBuffer(TRecordBuffer buffer) { calc_buffer_ = buffer; }
  TRecordBuffer FilterBuffer() const { return filter_buffer_; }
  void SetFilterBuffer(TRecordBuffer buffer) { filter_buffer_ = buffer; }
  // Fetch steps used by navigation and Resync.
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  void ClearBuffers();
  void ActivateBuffers();
  // Puts the descendant's cursor on the active record.
  void UpdateCursorPos();
  // Tells the data set the descendant moved its cursor on its own.
  void CursorPosChanged() { current_record_ = -1; }

  // ---- State ----
  void CheckActive() const {
    if (!Active()) [[unlikely]] RaiseNotActive();
  }
  void CheckInactive() const;
  // Raises "Dataset not in edit or insert mode" outside edit and insert.
  void CheckEditing() const;
  void SetState(TDataSetState state);
  // Switches the state for a short internal read and answers the old one
  // for RestoreState; no data events fire.
  TDataSetState SetTempState(TDataSetState state);
  void RestoreState(TDataSetState state);
  void SetModified(bool value) { modified_ = value; }
  void SetFound(bool value) { found_ = value; }

  // ---- Events (override to add behaviour, call the inherited one) ----
  virtual void DoBeforeOpen() { Fire(before_open_); }
  virtual void DoAfterOpen() { Fire(after_open_); }
  virtual void DoBeforeClose() { Fire(before_close_); }
  virtual void DoAfterClose() { Fire(after_close_); }
  virtual void DoBeforeInsert() { Fire(before_insert_); }
  virtual void DoAfterInsert() { Fire(after_insert_); }
  virtual void DoBeforeEdit() { Fire(before_edit_); }
  virtual void DoAfterEdit() { Fire(after_edit_); }
  virtual void DoBeforePost() { Fire(before_post_); }
  virtual void DoAfterPost() { Fire(after_post_); }
  virtual void DoBeforeCancel() { Fire(before_cancel_); }
  virtual void DoAfterCancel() { Fire(after_cancel_); }
  virtual void DoBeforeDelete() { Fire(before_delete_); }
  virtual void DoAfterDelete() { Fire(after_delete_); }
  virtual void DoBeforeRefresh() { Fire(before_refresh_); }
  virtual void DoAfterRefresh() { Fire(after_refresh_); }
  virtual void DoBeforeScroll() { Fire(before_scroll_); }
  virtual void DoAfterScroll() { Fire(after_scroll_); }
  virtual void DoOnNewRecord() { Fire(on_new_record_); }
  virtual void DoOnCalcFields() { Fire(on_calc_fields_); }
  // Sends a data event to the data sources (held back while controls are
  // disabled); info is a TField* for deFieldChange/deRecordChange, else a
  // number. Inline, so that a walk's events, which mostly reach nobody,
  // return at once where the call is not overridden.
  virtual void DataEvent(TDataEvent event, intptr_t info) {
    if (NoOneHears(event)) [[likely]] return;
    DispatchDataEvent(event, info);
  }
  // Whether the base's DataEvent would do nothing with the event now: no
  // data source to tell, nothing held back, and not an event that changes
  // something on its own.
  bool NoOneHears(TDataEvent event) const {
    return event != deFieldChange && event != dePropertyChange && disable_count_ == 0 &&
           state_ != dsBlockRead && data_sources_.empty();
  }
  // A descendant whose DataEvent override hands deCheckBrowseMode and
  // deDataSetScroll to TDataSet::DataEvent unchanged says so here, and keeps
  // its override final so that no class below changes that.
  void SetStepEventsPassedOn(bool value) { step_events_passed_on_ = value; }
  // Sends an event that every step of a walk sends (deCheckBrowseMode,
  // deDataSetScroll). Where the descendant passes such events on unchanged
  // and no one hears them, the virtual call is left out.
  void SendStepEvent(TDataEvent event, intptr_t info) {
    if (step_events_passed_on_ && NoOneHears(event)) [[likely]] return;
    DataEvent(event, info);
  }

  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TField;
  friend class TFieldDef;
  friend class TFieldDefs;
  friend class TDataLink;
  friend class TDataSource;

  void Fire(const TDataSetNotifyEvent& event) {
    if (event) event(this);
  }
  void OpenSequence();
  void CloseSequence();
  void AllocateBuffers();
  void FreeBuffers();
  void CalculateLookupField(TField* field);
  void BeginInsertAppend(bool append);
  // Runs action, offering failures to handler until it answers other than
  // daRetry; daAbort becomes the silent abort.
  template <class Action>
  void RunWithRetry(const TDataSetErrorEvent& handler, Action action);
  // Moves buffer from to index to, shifting those between by one. A step
  // forward through a ring of one record swaps it with the spare buffer.
  // The steps of MoveBy: records moved, with the ring's shift in scroll.
  int StepForward(int distance, int& scroll);
  // One record forward, the step of Next; false at the end.
  bool StepForwardOnce(int& scroll);
  int StepBack(int distance, int& scroll);
  void MoveBuffer(int from, int to) {
    if (to == from + 1)
      std::swap(buffers_[static_cast<std::size_t>(from)], buffers_[static_cast<std::size_t>(to)]);
    else
      RotateBuffers(from, to);
  }
  void RotateBuffers(int from, int to);
  void MoveCursorToBuffer(int index);
  // CheckBrowseMode's work outside browsing: the edit posted or cancelled.
  void EndPendingEdit();
  [[noreturn, gnu::cold]] void RaiseNotActive() const;
  void SendDataEvent(TDataEvent event, intptr_t info);
  // What DataEvent does for an event that changes something or that someone
  // hears.
  void DispatchDataEvent(TDataEvent event, intptr_t info);

  TDataSetState state_ = dsInactive;
  bool modified_ = false;
  bool bof_ = true;
  bool eof_ = true;
  bool found_ = false;
  int block_read_size_ = 0;
  bool default_fields_ = false;
  bool auto_calc_fields_ = true;
  bool filtered_ = false;
  bool in_open_ = false;
  bool step_events_passed_on_ = false;
  std::string filter_text_;
  TFilterOptions filter_options_;
  TFilterRecordEvent on_filter_record_;

  std::unique_ptr<TFields> fields_;
  std::unique_ptr<TFieldDefs> field_defs_;
  std::vector<TDataSource*> data_sources_;

  std::vector<TRecordBuffer> buffers_;  // the ring plus the temp buffer
  int buffer_count_ = 0;
  int record_count_ = 0;
  int active_record_ = 0;
  int current_record_ = -1;
  TRecordBuffer calc_buffer_ = nullptr;
  TRecordBuffer filter_buffer_ = nullptr;
  int bookmark_size_ = 0;
  int calc_fields_size_ = 0;
  int calc_fields_offset_ = 0;
  bool has_calc_fields_ = false;  // calculated fields or internally calculated columns
  // The settled direct text rules, as bits: a varying text's trimming is
  // bit 0, a fixed one's bit 1.
  static constexpr uint8_t kTrimVarTexts = 1, kTrimFixedTexts = 2, kDirectTexts = 4;
  uint8_t direct_text_rules_ = 0;

  int disable_count_ = 0;
  TDataEvent pending_event_ = deDataSetChange;
  bool event_pending_ = false;
  TDataSetState disable_state_ = dsInactive;

  TDataSetNotifyEvent before_open_, after_open_, before_close_, after_close_;
  TDataSetNotifyEvent before_insert_, after_insert_, before_edit_, after_edit_;
  TDataSetNotifyEvent before_post_, after_post_, before_cancel_, after_cancel_;
  TDataSetNotifyEvent before_delete_, after_delete_, before_refresh_, after_refresh_;
  TDataSetNotifyEvent before_scroll_, after_scroll_, on_new_record_, on_calc_fields_;
  TDataSetErrorEvent on_edit_error_, on_post_error_, on_delete_error_;
};

// Raises EDatabaseError with message, prefixed "<name>: " when component is
// named (the platform's DatabaseError).
[[noreturn]] void DatabaseError(const std::string& message, const TComponent* component = nullptr);
// Replaces each "%s" of fmt by the next argument, in order.
std::string FormatMessage(std::string_view fmt, std::initializer_list<std::string_view> args);

}  // namespace classlib
