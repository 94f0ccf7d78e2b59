// TOCIRecordSet: the Oracle driver's result set. It runs its TOCICommand,
// describes the select list into field descriptions and fetches blocks of
// FetchRows rows straight into the record store's items: plain values are
// defined into the records, values that need a conversion or a value
// object (heap texts, RAWs of 32 bytes and more, LOBs, date-times,
// intervals, NUMBER objects, 64-bit integers, object instances) pass
// through a fetch buffer, and LONG columns arrive in pieces through a
// define callback. Fetching everything may run on a background thread that
// Close stops.
//
// The record keeps the store's null byte per field; the client library's
// 16-bit indicators sit after them (GetIndicatorSize) and become the null
// bytes as each row is finished.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "classlib/syncobjs.h"
#include "dacore/driver_record_set.h"
#include "oracle/cmd_field_desc.h"
#include "oracle/cmd_oci_command.h"
#include "oracle/cursor_conversions.h"
#include "oracle/rset_row_copy.h"

namespace oracle {

class TOCIConnection;
class TExecThread;
class TOraNumber;
class TOraCursor;

// Record-set property numbers.
inline constexpr int prAutoClose = 55;
inline constexpr int prDeferredLobRead = 61;
inline constexpr int prHasObjectFields = 92;

class TOCIRecordSet : public dacore::TCRRecordSet {
  CLASSLIB_CLASS(TOCIRecordSet, dacore::TCRRecordSet)
 public:
  // Gives an object column its type, described once per service context
  // (objects, VARRAYs and nested tables; other kinds are refused).
  void DescribeObjectType(TOCIFieldDesc& field);
  TOCIRecordSet();
  ~TOCIRecordSet() override;

  // ---- Driver operations ----------------------------------------------------
  std::unique_ptr<dacore::TCRCommand> CreateCommand() override;
  std::unique_ptr<dacore::TFieldDesc> GetFieldDescType() override { return std::make_unique<TOCIFieldDesc>(); }
  dacore::TTableInfoClass GetTableInfoClass() override;
  void InternalExecute() override;
  // In non-blocking mode the statement runs, and its first rows are
  // fetched, on a background thread whose end the utility window reports.
  void ExecCommand() override;
  // One block of FetchRows rows, or one row when rows must come one at a
  // time (a scrollable cursor, the light client); whether any came.
  bool Fetch() override;
  // A scrollable cursor also fetches the rows before those held.
  bool CanFetchBack() override;
  bool FetchBack() override;
  // Every row; in non-blocking mode on a background thread.
  void FetchAll() override;
  bool SetProp(int prop, const classlib::Variant& value) override;
  bool GetProp(int prop, classlib::Variant& value) override;
  bool CanReopen() override;
  // A cursor not yet open: Close and Open. A block's REF CURSOR: the rows go
  // and the block runs again (the fields stay). Another cursor handed in
  // cannot be read again: "Reopen is not allowed".
  void Reopen() override;

  TOCICommand& Command() { return *static_cast<TOCICommand*>(GetCommand()); }
  TOCIConnection* Connection();
  // A background fetch of every row is running.
  bool FetchingAll() const { return fetch_thread_ != nullptr; }
  // A background execution is running (its end not yet handled).
  bool ExecutingInBackground() const { return exec_thread_ != nullptr; }
  // Waits (pumping the utility window's messages) until it has ended; its
  // end shows the data set the rows that came.
  void WaitForExecute();
  // Rows are fetched one at a time.
  bool RowByRow() const;
  // The rows a scrollable cursor holds: from FirstRowHeld (0-based) up to
  // before EndRowHeld.
  int FirstRowHeld() const { return window_first_; }
  int EndRowHeld() const { return window_end_; }
  // Waits (pumping the utility window's messages) until it has ended.
  void WaitForFetchAll();

  // ---- Record store ----------------------------------------------------------
  int GetIndicatorSize() override;
  bool IsBlobFieldType(dacore::TDataType t) const override;
  bool IsComplexFieldType(dacore::TDataType t) const override;
  void CreateComplexField(dacore::TRecBuf rec, const dacore::TFieldDesc& field, bool with_blob) override;
  void GetFieldAsVariant(int field_no, dacore::TRecBuf rec, classlib::Variant& value) override;
  // A NUMBER object takes integers as they are and other numbers and texts
  // through its text form; any other Variant raises "Cannot convert type".
  void PutFieldAsVariant(int field_no, dacore::TRecBuf rec, const classlib::Variant& value) override;
  // The date-time, interval or NUMBER object of a field in a record;
  // nullptr for other fields.
  dacore::TSharedObject* ValueObject(int field_no, dacore::TRecBuf rec);
  // Date-times, intervals and NUMBER objects keep the null in their own indicator too.
  void SetNull(int field_no, dacore::TRecBuf rec, bool value) override;
  // A value object written through its own methods while the record was
  // edited leaves the record's null flag behind: before the record is
  // posted the flag takes the value's state (a date-time's, interval's or
  // NUMBER's always, an object's, collection's, REF's or XML value's when it
  // was written), so that the statements see what was written.
  void TakeValueNulls(dacore::TRecBuf rec);
  // A new record's objects, collections and XML values start NULL as its
  // null flags do (the object cache may make an instance that is not).
  void NullNewValues(dacore::TRecBuf rec);
  // A value read again from the server (a refresh's answer, of the same
  // column kind) copied into the record's own value object, the null flag
  // with it; false for a field that holds no value object.
  bool PutValueObject(int field_no, dacore::TRecBuf rec, void* source, bool is_null);
  // Date-times, intervals and NUMBER objects are copied by value, so that
  // changing the copy leaves the row as it was.
  void CopyComplexFields(dacore::TRecBuf source, dacore::TRecBuf dest, bool with_blob) override;
  // An edit works on a copy of the row's date-times, intervals, NUMBERs,
  // objects and collections, so that a cancel leaves the row's values as
  // they were (and the cached update keeps them to restore).
  void* OwnEditedValue(const dacore::TFieldDesc& field, void* value) override;
  // While everything is fetched in the background, the end of the rows
  // held is no end until the fetch has ended.
  bool GetEOF() override;
  // While a background thread appends rows, the step to the next row held
  // is taken under the rows' lock, and a step past them waits for the
  // thread to end.
  void GetNextRecord(dacore::TRecBuf rec) override;
  // Without a background thread or shared rows, the step to a held row
  // takes its bookmark at once.
  bool StepNext(dacore::TRecBuf rec, dacore::TRecBookmark& bookmark) override;
  // A filter set while everything is fetched in the background waits for its end.
  void SetFilterText(const std::string& text) override;
  // Stops a background execute or fetch and waits for its thread.
  void StopBackground() override;
  // A change of the rows on the main thread waits for a background thread
  // to be done with them (and tests the rows it left pending); the local
  // order, which needs every row, is skipped meanwhile and applied at the
  // fetch's end.
  void PutRecord(dacore::TRecBuf rec) override;
  // Waits for the end of a background execute or fetch (the rows the
  // thread left pending are then tested).
  void WaitForBackgroundRows() override;
  void InsertRecord(dacore::TRecBuf rec) override;
  void UpdateRecord(dacore::TRecBuf rec) override;
  void DeleteRecord() override;
  void ApplyUpdates() override;
  void CancelUpdates() override;
  void RevertRecord() override;
  void SortItems() override;
  // Every row is tested anew here, also while rows arrive (under the lock).
  void ClearCache() override;
  // A scrollable cursor moves its window of rows: to the start on demand,
  // to the last row with one fetch, to a bookmarked row by fetching towards
  // it or starting a new window there. Without one the end is the end of
  // every row, fetched first.
  void SetToBegin() override;
  void SetToEnd() override;
  void SetToBookmark(const dacore::TRecBookmark& bookmark) override;
  void GetPriorRecord(dacore::TRecBuf rec) override;
  // A search value against a date-time, interval or NUMBER object: a text
  // (and, for date-times, a date-time; for NUMBERs, an integer or a float)
  // becomes a value of the field's kind, a value object is taken as it is,
  // and the two objects are compared by their own comparison.
  int CompareFieldValue(const void* value, dacore::TDataType value_type, const dacore::TFieldDesc& field,
                        dacore::TRecBuf rec, dacore::TCompareOptions options) override;
  // Date-times, intervals and NUMBER objects by their own comparison, nulls first.
  int CompareRecords(dacore::TRecBuf rec1, dacore::TRecBuf rec2, dacore::TCompareOptions options,
                     const dacore::TFieldDesc& field) override;
  // The 16-bit indicator the client library wrote for a field of a record.
  int16_t Indicator(dacore::TRecBuf rec, int field_no) const;
  // The server session the statement was prepared on ended (a fail-over)
  // while the statement was in use: it is let go once that use ends (the
  // cursor closes, the execute returns) and prepared anew when next needed.
  void ReleaseStatementWhenDone() { release_when_done_ = true; }
  // The statement is being prepared or described: a call on its handle is
  // under way.
  bool Describing() const { return describing_ > 0; }

  bool AutoClose = false;
  bool DeferredLobRead = false;

 protected:
  void InternalPrepare() override;
  void InternalUnPrepare() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFields() override;
  // Open parses the filter after the statement has started on its thread,
  // whose appends test rows against it.
  void ParseFilter() override;
  // The value objects compare by their own values, not by the stored bytes.
  bool SortsByKeys() const override { return false; }

 private:
  friend struct TFetchCallbacks;

  // Lets the statement go when ReleaseStatementWhenDone asked for it.
  void ReleaseIfDone();

  // How a column reaches its record.
  enum class TDefineKind { kRecord, kBuffer, kPieces };
  // What a value defined into the record needs once fetched: nothing, the
  // DATE bytes turned into a date-time number, the RAW length word bounded,
  // the text's last byte (two for UTF-16) made a terminator.
  enum class TFinish : uint8_t { kAsFetched, kDate, kVarBytes, kText, kWideText };
  struct TColumnPlan {
    TOCIFieldDesc* field = nullptr;
    ub4 position = 0;  // in the select list (attribute fields do not count)
    TDefineKind kind = TDefineKind::kRecord;
    ub2 type = 0;          // external type
    sb4 size = 0;          // define size
    size_t buffer_at = 0;  // offset in a fetch-buffer row
    OCIDefine* define = nullptr;
    bool complex = false;  // the record holds a value object or heap reference
    bool wide = false;     // text arrives as UTF-16
    // Taken from the field when planned, so that finishing a row does not
    // decide them again per value.
    TFinish finish = TFinish::kAsFetched;
    int index = 0;        // field number - 1: the null byte and the indicator
    int32_t offset = 0;   // in the record
    uint16_t value_size = 0;
    uint16_t length = 0;
  };

  // A new value of field's kind in rec's slot, assigned from `from`.
  void* CopyValueInto(const dacore::TFieldDesc& field, void* from, dacore::TRecBuf rec);

  // rset_ref_cursor.cpp
  // The cursor of the first REF CURSOR parameter of a PL/SQL block run on
  // the command's own cursor; nil for any other statement.
  TOraCursor* FindRefCursorParam();
  // A block whose REF CURSOR has been opened: its rows are the cursor's.
  bool UsesRefCursor();
  // The command runs the block (binding and executing it when it has not)
  // and takes the parameter's cursor; answers the state to restore when
  // the block ran only for that, else 0.
  uint8_t OpenRefCursorForDescribe();
  // Back to the command's own cursor; the parameter's cursor lets its
  // statement go (the next execute opens a new one).
  void EndRefCursor();

  // rset_oci7_fetch.cpp
  // A LONG column not read as a text: the older interface reads it in pieces.
  bool HasPiecewiseLongs();
  // The pieces of the row's LONG columns through ogetpi and osetpi.
  ub4 ReadPiecesOci7(dacore::TRecBuf rec, sword& status);

  // rset_ref_columns.cpp
  // A REF column's value of a record: a TOraRef of the column's object
  // type that owns the REF the fetch makes for it.
  void CreateReferenceField(dacore::TRecBuf rec, const dacore::TFieldDesc& field, OCISvcCtx* context);
  // The REF the client wrote into the fetch-buffer cell becomes the value's own.
  void FinishReference(dacore::TRecBuf rec, const TOCIFieldDesc& field, const uint8_t* cell, bool null);

  // rset_block_fetch.cpp
  void PlanColumns();
  bool BlockFetch();
  // After a block of `rows` got `received`: the end of the rows when it
  // came short, the buffers freed when the cursor is done; whether any came.
  bool EndBlock(ub4 received, ub4 rows);
  void PrepareBufferRow(dacore::TRecBuf rec, uint8_t* row);
  // With stride 0 one row is defined and LONG columns are read through the
  // piece calls instead of the callback.
  void DefineColumns(dacore::ItemHeader* first, size_t stride);
  void DefineObject(const TColumnPlan& column);
  // The first `count` rows of a block, row i with its fetch-buffer row.
  void FinishRows(dacore::ItemHeader* first, size_t stride, ub4 count);
  void FinishRow(dacore::TRecBuf rec, uint8_t* row);
  // Every column of the row, whatever its indicator says.
  void FinishAnyRow(uint8_t* record, uint8_t* row);
  // A row of plain columns whose indicators are all 0 (no null, no cut
  // value), as most rows are: only the values that need it are touched.
  // False, with the row as it was, when the row is not such a row.
  // Inline: a block finishes its rows in one loop.
  [[gnu::always_inline]] inline bool FinishPlainRow(uint8_t* record);
  // Then its heap texts, copied from its fetch-buffer row.
  [[gnu::always_inline]] inline void FinishHeapTexts(uint8_t* record, const uint8_t* row);
  // A value defined into the record made what the record keeps (a kRecord
  // column, not null); whether it turned out null (an invalid DATE).
  bool FinishInRecord(TFinish finish, uint16_t value_size, uint16_t length, uint8_t* value);
  // A LONG value's pieces as the client left them; whether it is null.
  bool FinishPieces(dacore::TRecBuf rec, const TColumnPlan& column, bool null);
  void FinishBufferedValue(const TColumnPlan& column, dacore::TRecBuf rec, const uint8_t* cell, bool null);
  void ReleaseItems(dacore::ItemHeader* first, size_t stride, int from, int to);
  void DropRows();
  void FreeFetchBuffer();
  dacore::TRecBuf RecordOfIteration(ub4 iteration) const;
  const TColumnPlan* ColumnOfDefine(const OCIDefine* define) const;
  // A new piece at the end of the row's LONG value, sized like its blob's pieces.
  dacore::PieceHeader* AppendLongPiece(dacore::TRecBuf rec, const TColumnPlan& column);
  // Keeps what the client wrote into the piece (never past its size); an empty piece goes.
  void FinishLongPiece(dacore::TRecBuf rec, const TColumnPlan& column, dacore::PieceHeader* piece, ub4 written);
  int16_t* IndicatorPtr(dacore::TRecBuf rec, int field_no) const;
  size_t IndicatorBase() const;

  // rset_staged_fetch.cpp
  // A block of `rows` is fetched through the staging block.
  bool StagesBlock(int rows);
  // Fetches and finishes a block in the staging block (defining its
  // columns there when they are not); the rows received.
  ub4 FetchIntoStaging(uint16_t rows);
  // Empties the heap-text slots of the staging block's first `rows` rows,
  // first freeing their texts with free_texts (a block that failed).
  void ClearStagedTexts(uint16_t rows, bool free_texts);
  void TakeStagedRows(ub4 count);

  // rset_row_fetch.cpp
  enum class TRowMove { kForward, kBackward, kLast };
  bool RowFetch(TRowMove move);
  bool PlaceRow(TRowMove move, dacore::ItemHeader* item);
  ub4 ReadPieces(dacore::TRecBuf rec, ub2 orientation, sb4 offset, sword& status);
  bool Scrollable();
  int WindowCapacity() const { return FetchRows < 2 ? 2 : FetchRows; }
  int RowsHeld() const { return window_end_ - window_first_; }
  void DropWindowItem(dacore::ItemHeader* item);
  void DropWindow();
  void ResetWindow();
  void WaitForFirstRow();
  dacore::ItemHeader* ItemOfRow(int row) const;

  // rset_background.cpp
  void BackgroundExecute();
  void EndBackgroundExecute(const classlib::Exception* error);
  void StopExecute();
  void RouteBackgroundError(const classlib::Exception* error);

  // rset_fetch_all.cpp
  void FetchAllLoop();
  void EndFetchAll(const classlib::Exception* error);
  void AfterFetch(bool in_thread);
  // A before-fetch handler's cancel: a fetch of everything pauses, or with
  // AutoClose the cursor is cancelled.
  void CancelFetch();
  void StopFetchAll();
  bool InThread() const;
  // The end of the background thread the main thread would have to wait
  // for (none on the thread itself or with no thread working).
  classlib::TEvent* BackgroundEnd();
  // GetNextRecord while a background thread works: kept out of the step
  // taken without one.
  [[gnu::noinline]] void GetNextRecordShared(dacore::TRecBuf rec);
  [[gnu::noinline]] bool GetEOFShared();
  // Whether GetNextRecord can step without fetching; the caller holds rows_lock_.
  bool HoldsNextVisible();
  // The rows are shared with a background thread from its start until its
  // end is handled: the main thread's reads then take the rows lock, and
  // the string heap locks too.
  void ShareRows(bool value);

  // The end of a background run shows the data set its rows, unless the end
  // is handled inside a step of the data set's own (a Last waiting for every
  // row), which reads the rows itself.
  void ShowRowsThatCame();
  struct TInsideStep {
    explicit TInsideStep(int& depth) : depth_(depth) { ++depth_; }
    ~TInsideStep() { --depth_; }
    int& depth_;
  };
  int inside_step_ = 0;

  // The REF CURSOR parameter's cursor (the parameter owns it), or nil.
  TOraCursor* ref_cursor_ = nullptr;
  std::vector<TColumnPlan> plan_;
  // Every field is a column defined into the record or a heap text (no
  // hidden, attribute, other buffered or LONG field): rows may take
  // FinishPlainRow, and the fetch-buffer cells need no preparation.
  bool plain_rows_ = false;
  // What FinishPlainRow does to the columns whose values need finishing,
  // taken from their plans and kept by kind, so that a row reads a few
  // small arrays without deciding per value: the terminator bytes of the
  // texts (two for UTF-16), the RAWs' length words to bound, the DATE
  // bytes to turn into date-time numbers.
  std::vector<int32_t> text_ends_;
  struct TVarBytesStep {
    int32_t offset;   // of the value in the record
    uint16_t length;  // the bound
  };
  std::vector<TVarBytesStep> var_bytes_;
  struct TDateStep {
    int32_t offset;
    uint16_t index;  // field number - 1: an invalid date is a null
  };
  std::vector<TDateStep> dates_;
  struct THeapTextStep {
    uint32_t cell;      // offset in a fetch-buffer row
    int32_t offset;     // of the slot in the record
    uint16_t capacity;  // characters the cell holds before its terminator
    bool fixed;         // a fixed CHAR: trimmed when the store trims those
  };
  std::vector<THeapTextStep> heap_texts_;
  size_t planned_columns_ = 0;  // plan_.size(), read per row
  // The complex fields whose slot gets a value object in a fetched row (a
  // heap text's slot is only cleared).
  std::vector<const dacore::TFieldDesc*> object_fields_;
  bool planned_ = false;
  bool release_when_done_ = false;
  int describing_ = 0;
  std::vector<uint8_t> fetch_buffer_;
  // The staging block of small blocks of plain rows, and the staging block
  // the columns are defined into (none when any define or execute since
  // may have moved them).
  std::vector<uint8_t> staging_;
  const uint8_t* staged_defines_ = nullptr;
  size_t buffer_row_size_ = 0;
  size_t indicator_base_ = 0;  // of the planned layout
  // The block a fetch is filling, for the LONG piece callback.
  dacore::ItemHeader* block_first_ = nullptr;
  size_t block_stride_ = 0;
  TOraNumber* number_scratch_ = nullptr;
  TDayCache day_cache_;
  // The store's rows lock (RowsLock) guards the item list, the current row,
  // the hidden flags, the row count, the filter and the block manager while
  // a background thread fetches. The thread holds it only for linking and
  // for taking and giving back items (not for the round trip), so reading
  // rows on the main thread is not starved by the fetch. Lock order: the
  // command's lock, then the rows lock, then the connection's (a filter may
  // read a LOB).
  // Set and cleared on the main thread; atomic because the main thread
  // publishes them while the thread they name already runs.
  std::atomic<TExecThread*> fetch_thread_{nullptr};
  std::atomic<TExecThread*> exec_thread_{nullptr};
  // Not signalled while a background execution works.
  classlib::TEvent exec_ended_{true, true};
  bool row_by_row_ = false;
  // The scrollable cursor's window: rows [window_first_, window_end_) are
  // held, 0-based; end_row_ is the number of rows once known, else -1.
  int window_first_ = 0;
  int window_end_ = 0;
  int end_row_ = -1;
  // The length word of the LONG piece being read.
  ub4 piece_length_ = 0;
  std::atomic<bool> stop_requested_{false};
  // The before-fetch handler cancelled the first rows of a background execute.
  bool first_rows_cancelled_ = false;
  std::atomic<bool> fetching_{false};
  // The background thread (execute or fetch-all) that is working.
  std::atomic<std::thread::id> fetch_thread_id_{};
  // Not signalled while a background fetch of everything runs.
  classlib::TEvent fetch_all_ended_{true, true};
  bool has_pending_filter_ = false;
  std::string pending_filter_;
};

// Marks a record set alive or gone for the after-fetch messages that reach
// the main thread late.
void RegisterLiveRecordSet(const TOCIRecordSet* record_set, bool live);

}  // namespace oracle
