// TMemData: the concrete record store. Rows are record items in a doubly
// linked list; every visible row carries an order number, and its record
// number is that number plus the order base, so that an insert or delete
// renumbers only the shorter side of the list. Bookmarks carry the item, its
// serial and the record number. Filters, local sorting and cached updates
// attach through the virtual hooks below.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dacore/store_blocks.h"
#include "dacore/store_data.h"

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

  // ---- Navigation -----------------------------------------------------------
  bool GetEOF() override;
  bool GetBOF() override;
  void SetToBegin() override;
  void SetToEnd() override;
  void GetRecord(TRecBuf rec) override;
  void GetNextRecord(TRecBuf rec) override;
  void GetPriorRecord(TRecBuf rec) override;
  int GetRecordCount() override { return record_count_; }
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
  // The memory data set's store of a row's Variant and heap values, and its post.
  void StoreComplexValues(TRecBuf rec);
  void PostRecord(TRecBuf rec);
  // Appends a row after the last one (fetching).
  ItemHeader* InternalAppend(TRecBuf rec);

  // ---- View -----------------------------------------------------------------
  void ClearCache() override;
  void SetFilterItemTypes(TItemTypes types) override;
  int GetUpdateStatus() override;
  int GetUpdateResult() override;
  // Local order (the sorting layer overrides them).
  virtual bool HasSortColumns() { return false; }
  virtual int CompareRecords(TRecBuf /*rec1*/, TRecBuf /*rec2*/) { return 0; }
  virtual void SortItems() {}
  // Numbers the visible rows from `item` on, forwards or backwards.
  void ReorderItems(ItemHeader* item, bool keep_count, bool backwards);

  ItemHeader* FirstItem() const { return first_item_; }
  ItemHeader* LastItem() const { return last_item_; }
  ItemHeader* CurrentItem() const { return current_item_; }
  TBlockManager& BlockManager() { return block_man_; }
  int32_t RefreshStamp() const { return refresh_stamp_; }
  int32_t OrderBase() const { return order_base_; }
  // Record number of a visible item.
  int32_t RecordNoOf(const ItemHeader* item) const { return item->order + order_base_; }

 protected:
  void InitData() override;
  void FreeData() override;

  bool IsHidden(ItemHeader* item);
  ItemHeader* InternalInsert(TRecBuf rec);
  void InternalDelete();
  void RenumberItems(ItemHeader* item, TReorderMode mode);
  void RenumberAfterDelete(ItemHeader* prev, ItemHeader* next);
  // Moves the current item to its place in the local order (sorting layer).
  virtual void MoveItemBySort(int /*direction*/) {}
  // Cached-updates layer: record the current row's insert, update or delete.
  virtual void CacheInsert(ItemHeader* /*item*/) {}
  virtual void CacheUpdate(ItemHeader* /*item*/, TRecBuf /*rec*/) {}
  virtual void CacheDelete(ItemHeader* /*item*/) {}
  void FreeCachedEntries();
  void LinkBefore(ItemHeader* item, ItemHeader* before);
  void Unlink(ItemHeader* item);
  // Commits (drops the rollback copy of) every blob of a record.
  void CommitBlobs(TRecBuf rec);
  // Frees an item with its values (complex ones when the store has them).
  void FreeItemWithValues(ItemHeader* item);
  void ReleaseReplacedValues(TRecBuf previous, TRecBuf rec);

  ItemHeader* first_item_ = nullptr;
  ItemHeader* last_item_ = nullptr;
  ItemHeader* current_item_ = nullptr;
  TCacheItem* first_cache_ = nullptr;
  TCacheItem* last_cache_ = nullptr;
  int32_t refresh_stamp_ = 0;
  std::vector<ItemHeader*> record_no_cache_;
  TBlockManager block_man_;

 private:
  ItemHeader* NextVisible(ItemHeader* item);
  ItemHeader* PriorVisible(ItemHeader* item);
  void RenumberForwards(ItemHeader* from, int32_t order);
  void RenumberBackwards(ItemHeader* from, int32_t order);
  void ResetFilterStates();
};

}  // namespace dacore
