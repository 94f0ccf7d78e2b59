// TMemData: the concrete record store. Rows are record items in a doubly
// linked list; every visible row carries an order number, and its record
// number is that number plus the order base, so that an insert or delete
// renumbers only the shorter side of the list. Bookmarks carry the item, its
// serial and the record number. Filters, local sorting and cached updates
// attach through the virtual hooks below.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "dacore/store_blocks.h"
#include "dacore/store_data.h"
#include "dacore/store_rows_lock.h"
#include "dacore/store_sort_columns.h"

namespace dacore {

// One recorded cached change: the row's item, in the order rows were first changed.
struct TCacheItem {
  ItemHeader* item = nullptr;
  TCacheItem* next = nullptr;
};

enum TReorderMode { rmInsert, rmDelete, rmAll };

// The process-wide refresh stamp: every InitData of any store takes the next.
int32_t NextRefreshStamp();

class TMemData : public TData {
  CLASSLIB_CLASS(TMemData, TData)
 public:
  TMemData();
  ~TMemData() override;

  void Reopen() override;
  void InitFields() override;
  void ClearFields() override;

  // ---- Navigation -----------------------------------------------------------
  // Inline and without the rows lock even while the rows are shared: a walk
  // asks at every row, and only the browsing thread writes what it reads.
  bool GetEOF() override { return !current_item_ && eof_; }
  bool GetBOF() override;
  void SetToBegin() override;
  void SetToEnd() override;
  void GetRecord(TRecBuf rec) override;
  void GetNextRecord(TRecBuf rec) override;
  void GetPriorRecord(TRecBuf rec) override;
  int GetRecordCount() override;
  int GetRecordNo() override;
  void SetRecordNo(int value) override;
  // Appends the next rows of a result; answers whether any came.
  virtual bool Fetch() { return false; }
  // Fills the record-number cache (every visible item in order).
  void BuildRecordNoCache();

  // ---- Bookmarks ------------------------------------------------------------
  void GetBookmark(TRecBookmark& bookmark) override;
  void SetToBookmark(const TRecBookmark& bookmark) override;
  bool BookmarkValid(const TRecBookmark* bookmark) override;

  // ---- Edits ----------------------------------------------------------------
  void PutRecord(TRecBuf rec) override;
  void AppendRecord(TRecBuf rec) override;
  void InsertRecord(TRecBuf rec) override;
  void UpdateRecord(TRecBuf rec) override;
  void DeleteRecord() override;
  // Takes the current row out of the store only: no statement hook runs and
  // no cached change is recorded (the server holds no such row).
  void RemoveRecord();
  // The memory data set's store of a row's Variant and heap values, and its post.
  void StoreComplexValues(TRecBuf rec);
  void PostRecord(TRecBuf rec);
  // Appends a row after the last one (fetching).
  ItemHeader* InternalAppend(TRecBuf rec);
  // Appends an item whose record is already filled (a driver's block fetch).
  void AppendFilledItem(ItemHeader* item);
  // Appends `count` filled items that lie `stride` bytes apart.
  void AppendFilledItems(ItemHeader* first, size_t stride, int count);

  // ---- Rows changed on the server by others ---------------------------------
  // A row read again from the server (a refresh, a change the server
  // notified) is not an edit: no statement hook runs and no cached change
  // is recorded. Its new values may move it in the local order or across
  // the filter, so it is tested again once they are written.
  //
  // The row whose field field_no holds text, hidden rows included; the rows
  // not fetched yet are fetched while it is not found. nullptr when none.
  ItemHeader* FindRowByText(int field_no, const std::string& text);
  // Makes a row current; a row the filter hid is shown (not tested again)
  // until ReplaceCurrentRow, so that its values can be read again. A row
  // that cached updates hide (deleted) stays hidden.
  void ShowRow(ItemHeader* item);
  // Appends a row of rec's values after the last one, current and shown
  // until ReplaceCurrentRow; the store takes over rec's complex values.
  ItemHeader* AppendRow(TRecBuf rec);
  // The current row takes rec's values outside an edit: the filter tests
  // it again and the sort puts it in its place.
  void ReplaceCurrentRow(TRecBuf rec);
  // Lets the filter decide on a row again (one ShowRow showed whose values
  // could not be read).
  void TestRowAgain(ItemHeader* item);
  // Makes a row current as it is; GetRecord goes on from a hidden one.
  void GoToRow(ItemHeader* item);
  // Takes a row out, as RemoveRecord does the current one.
  void RemoveRow(ItemHeader* item);
  // The current row's values, whether or not the filter shows it.
  void GetCurrentRow(TRecBuf rec);

  // ---- View -----------------------------------------------------------------
  void ClearCache() override;
  void SetFilterText(const std::string& text) override;
  // A background fetch tests the rows it brings with the filter: its
  // callbacks and flags change under the rows lock, as the rows do.
  void SetFilterFunc(TFilterFunc func) override;
  void SetFilterMDFunc(TFilterFunc func) override;
  void SetFilterCaseInsensitive(bool value) override;
  void SetFilterNoPartialCompare(bool value) override;
  void SetFilterItemTypes(TItemTypes types) override;
  int GetUpdateStatus() override;
  int GetUpdateResult() override;

  // ---- Cached updates ------------------------------------------------------
  // Hands every recorded change to the apply handler, in the order rows were
  // first changed, with the new and old values in the cache buffers.
  void ApplyUpdates() override;
  // Applies what is pending, then forgets the applied changes.
  void CommitUpdates() override;
  // Takes every changed row back to its values before its first change.
  void CancelUpdates() override;
  // Offers every change to the next ApplyUpdates again.
  void RestoreUpdates() override;
  // Takes the current row back to its values before its first change.
  void RevertRecord() override;
  bool UpdatesPending() override;
  // The current row's values before its first cached change.
  void GetRefreshRecord(TRecBuf rec) override;
  // ---- Local order and value comparison ------------------------------------
  // Results are -1, 0 or 1. Ansi strings zero-terminated, or with lengths.
  virtual int CompareStrA(const char* a, const char* b, TCompareOptions options);
  virtual int CompareStrExactA(std::string_view a, std::string_view b, TCompareOptions options);
  // Wide strings in raw memory: over the length of a, or whole.
  virtual int CompareStrW(const void* a, const void* b, TCompareOptions options);
  virtual int CompareStrExactW(const void* a, const void* b, TCompareOptions options);
  // A key against a stored text, with the partial options.
  virtual int CompareFieldsPartial(std::string_view key, std::string_view value, TCompareOptions options);
  virtual int CompareFieldsPartialW(const void* key, const void* value, TCompareOptions options);
  // A value of value_type (in its record form) against the field's value in
  // rec; negative when the value is less. The field's null flag is not read.
  virtual int CompareFieldValue(const void* value, TDataType value_type, const TFieldDesc& field, TRecBuf rec,
                                TCompareOptions options);
  // The sort reads each record's null flag (GetNull) and value once and
  // compares numbers itself and ansi texts by their collation keys, in the
  // order CompareStrExactA gives; a store whose CompareRecordField,
  // CompareRecords, CompareFieldValue, CompareFieldsPartial or
  // CompareStrExactA give another order answers false from SortsByKeys, so
  // the sort goes through them.
  virtual int CompareRecordField(TRecBuf rec1, TRecBuf rec2, const TSortColumn& column);
  // The field of rec1 against the field of rec2; null sorts first.
  virtual int CompareRecords(TRecBuf rec1, TRecBuf rec2, TCompareOptions options, const TFieldDesc& field);
  // Stores the index field list; an active store parses it and sorts.
  virtual void SetSortFields(const std::string& text);
  // Sorts every row by the sort columns and renumbers them.
  virtual void SortItems();
  bool HasSortColumns() const { return !sort_columns_.empty(); }
  const std::string& SortFields() const { return sort_fields_; }
  const TSortColumns& SortColumns() const { return sort_columns_; }
  // The order of two records by every sort column.
  int CompareBySortColumns(TRecBuf rec1, TRecBuf rec2);
  // How many entry comparisons the last SortItems made.
  int64_t SortComparisons() const { return sort_comparisons_; }
  // Numbers the visible rows from `item` on, forwards or backwards.
  void ReorderItems(ItemHeader* item, bool keep_count, bool backwards);

  // ---- Rows shared with a background thread --------------------------------
  // While a driver's thread may change the rows (a background fetch), the
  // reads and moves of the thread that browses take the rows lock; otherwise
  // they take none. The fetching thread takes it around every change of the
  // row list, the count, the filter states and the block manager. It changes
  // only the rows it adds (a one-way record set also frees those before the
  // current row): never the current-row pointer, BOF, EOF, the order base,
  // nor the current row's order number, filter state or serial. So the
  // browsing thread reads those without the lock: GetEOF, GetRecordNo and
  // GetBookmark take none, and a walk's step takes the lock once.
  // The fetching thread runs no application code: a row that a filter or
  // the cached-updates view must decide on is appended pending (hidden from
  // the count and unnumbered), and the browsing thread tests the pending
  // rows, in order, as soon as it looks at the list (SettlePendingRows).
  void SetSharedRows(bool value) { shared_rows_.store(value, std::memory_order_relaxed); }
  bool SharedRows() const { return shared_rows_.load(std::memory_order_relaxed); }
  TRowsLock& RowsLock() { return rows_lock_; }
  // Waits until a driver's background thread is done with the rows. A
  // change of the rows on the browsing thread waits for it before it takes
  // the rows lock, never under it: the thread needs the lock to finish.
  virtual void WaitForBackgroundRows() {}
  // Tests the rows appended pending, in order, and numbers and counts the
  // visible ones after the last visible row. On the thread that owns the
  // store, under the rows lock while the rows are shared. A row whose test
  // raises stays pending, with the rows after it.
  void SettlePendingRows();
  bool HasPendingRows() const { return first_pending_ != nullptr; }
  // Frees the rows appended pending, untested: a store whose fetch was
  // stopped because it closes runs no application code for them.
  void DropPendingRows();

  ItemHeader* FirstItem() const { return first_item_; }
  ItemHeader* LastItem() const { return last_item_; }
  ItemHeader* CurrentItem() const { return current_item_; }
  TBlockManager& BlockManager() { return block_man_; }
  int32_t RefreshStamp() const { return refresh_stamp_; }
  int32_t OrderBase() const { return order_base_; }
  // Record number of a visible item.
  int32_t RecordNoOf(const ItemHeader* item) const { return item->order + order_base_; }

 protected:
  // The bookmark of the current item as GetBookmark takes it (what it reads
  // only the browsing thread writes).
  void BookmarkOfCurrent(TRecBookmark& bookmark) {
    bookmark = TRecBookmark{};  // its bytes as a whole are compared
    bookmark.refresh_stamp = refresh_stamp_;
    bookmark.item = current_item_;
    bookmark.serial = current_item_ ? current_item_->serial : 0;
    // The record number as GetRecordNo gives it.
    bookmark.record_no = !current_item_ ? -1 : IsHidden(current_item_) ? 0 : RecordNoOf(current_item_);
  }
  // Holds the rows lock while the rows are shared, and settles the rows
  // appended pending before the list is read; lets the lock go for a call
  // that may wait for the fetching thread (a fetch asked for here), and
  // settles what that brought once it holds the lock again. The browsing
  // thread's guard: the fetching thread takes the lock itself.
  class TRowsGuard {
   public:
    explicit TRowsGuard(TMemData& data) : data_(data), lock_(data.SharedRows() ? &data.rows_lock_ : nullptr) {
      if (lock_) lock_->lock();
      try {
        Settle();
      } catch (...) {
        if (lock_) lock_->unlock();
        throw;
      }
    }
    ~TRowsGuard() {
      if (lock_) lock_->unlock();
    }
    TRowsGuard(const TRowsGuard&) = delete;
    TRowsGuard& operator=(const TRowsGuard&) = delete;
    template <class TCall>
    auto Unlocked(TCall&& call) {
      if (!lock_) {
        auto result = call();
        Settle();
        return result;
      }
      auto result = [&] {
        lock_->unlock();
        struct TRelock {
          TRowsLock* lock;
          ~TRelock() { lock->lock(); }
        } relock{lock_};
        return call();
      }();
      Settle();
      return result;
    }

   private:
    void Settle() {
      if (data_.first_pending_) data_.SettlePendingRows();
    }
    TMemData& data_;
    TRowsLock* lock_;
  };

  void InitData() override;
  void FreeData() override;

  bool IsHidden(ItemHeader* item) {
    if (item && item->filter_result != fsNotChecked) return item->filter_result == fsOmitted;
    return CheckHidden(item);
  }
  // Decides and stores whether an item not yet checked is hidden.
  bool CheckHidden(ItemHeader* item);
  // Every row tested anew and numbered in one pass; answers the rows shown.
  int32_t TestAndNumberRows();
  // The same when the filter expression alone decides on each row's own
  // bytes: the pass calls nothing else for a row.
  int32_t TestAndNumberRows(const TFilterExpression& filter);
  ItemHeader* InternalInsert(TRecBuf rec);
  void InternalDelete();
  void RenumberItems(ItemHeader* item, TReorderMode mode);
  void RenumberAfterDelete(ItemHeader* prev, ItemHeader* next);
  // Moves the current item towards its place in the local order: forwards
  // for a positive direction, backwards for a negative one.
  virtual void MoveItemBySort(int direction);
  bool MoveBySort(ItemHeader* item, int direction);
  // Puts a row whose values changed outside an edit (a cached change taken
  // back) in its place in the local order; answers whether it moved.
  bool PlaceBySort(ItemHeader* item);
  // Whether the sort may compare columns by keys read once per record.
  virtual bool SortsByKeys() const { return true; }
  // The way the sort compares a column, and a record's key for it: bytes
  // appended to `key` that order, compared as unsigned bytes, as the
  // column's values do in its direction (not for kRecord).
  TSortKeyKind SortKeyKind(const TSortColumn& column);
  void AppendSortKey(const TSortColumn& column, TSortKeyKind kind, TRecBuf rec, std::string& key);
  // Cached-updates layer: record the current row's insert, update or delete.
  virtual void CacheInsert(ItemHeader* item);
  virtual void CacheUpdate(ItemHeader* item, TRecBuf rec);
  virtual void CacheDelete(ItemHeader* item);
  void FreeCachedEntries();
  // Unlinks a row and frees it with its values; the count drops when it was
  // visible, the rest is renumbered from its neighbours, and a current row
  // gives way to its successor (or predecessor).
  void RemoveItem(ItemHeader* item);
  void LinkBefore(ItemHeader* item, ItemHeader* before);
  void Unlink(ItemHeader* item);
  // Commits every blob of a record (drops its rollback copy) and ends its
  // modified state: the record holds what was posted or read.
  void CommitBlobs(TRecBuf rec);
  // Frees an item with its values (complex ones when the store has them).
  void FreeItemWithValues(ItemHeader* item);
  // Frees the rows from the first up to (not including) keep, every row
  // without one: a one-way fetch lets the rows already read go.
  void DropRowsBefore(ItemHeader* keep);
  void ReleaseReplacedValues(TRecBuf previous, TRecBuf rec);
  void ReleaseKeptShares(TRecBuf previous, TRecBuf rec);

  ItemHeader* first_item_ = nullptr;
  ItemHeader* last_item_ = nullptr;
  ItemHeader* current_item_ = nullptr;
  TCacheItem* first_cache_ = nullptr;
  TCacheItem* last_cache_ = nullptr;
  int32_t refresh_stamp_ = 0;
  std::vector<ItemHeader*> record_no_cache_;
  TBlockManager block_man_;
  std::string sort_fields_;
  TSortColumns sort_columns_;
  bool sort_by_calculated_ = false;  // some sort column is a calculated field
  int64_t sort_comparisons_ = 0;
  TRowsLock rows_lock_;
  std::atomic<bool> shared_rows_{false};
  // The first of the rows a background fetch appended untested (the rows
  // after it are all pending too); nil when every row is settled.
  ItemHeader* first_pending_ = nullptr;
  bool settling_ = false;  // a filter handler asking for the count lands here again

 private:
  ItemHeader* NextVisible(ItemHeader* item);
  ItemHeader* PriorVisible(ItemHeader* item);
  void RenumberForwards(ItemHeader* from, int32_t order);
  void RenumberBackwards(ItemHeader* from, int32_t order);
  // The value of a field in its record form (see CompareFieldValue).
  const void* FieldValue(const TFieldDesc& field, TRecBuf rec, std::vector<uint8_t>& scratch);
  int CompareByColumnsWithCalc(TRecBuf rec1, TRecBuf rec2);
  void AddCacheEntry(ItemHeader* item);
  TCacheItem* FindCacheEntry(ItemHeader* item, TCacheItem** prev);
  void DropCacheEntry(TCacheItem* entry, TCacheItem* prev);
  // Takes a row back to its state before its first change; answers
  // whether the row still exists.
  bool RevertItem(ItemHeader* item);
  void RestoreFromRollback(ItemHeader* item);
  void SaveRollback(ItemHeader* item);
  void SeparateRollbackBlobs(ItemHeader* item);
  void FreeRollback(ItemHeader* item);
  // The new-values buffer of a row the apply handler has seen becomes the row's record.
  void KeepAppliedValues(ItemHeader* item);
  int32_t cache_removals_ = 0;
  void SetSortColumns(TSortColumns columns);  // entries dropped, so an apply walk can tell
  void SwapWithNext(ItemHeader* item);
};

}  // namespace dacore
