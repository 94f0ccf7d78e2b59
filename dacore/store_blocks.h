// Record items and the blocks they are carved from. A row of a record store
// is an item: this header, then the record. Items come from blocks of ten,
// so that fetching many rows costs one allocation per ten rows.
#pragma once

#include <cstdint>
#include <map>

#include "classlib/object.h"

namespace dacore {

struct BlockHeader;

// Update statuses of a row in cached-updates mode.
enum TItemStatus : uint8_t { isUnmodified = 0, isUpdated = 1, isAppended = 2, isDeleted = 3 };
// Update results: 4 applied, 5 none; others come from the apply handler.
enum TUpdateRecAction : uint8_t { urFail = 0, urAbort = 1, urSkip = 2, urRetry = 3, urApplied = 4, urNone = 5 };
// Whether a filter was evaluated for a row, and its answer.
enum TItemFilterState : uint8_t { fsNotChecked = 0, fsNotOmitted = 1, fsOmitted = 2 };

inline constexpr uint8_t kItemFree = 221;
inline constexpr uint8_t kItemUsed = 238;

struct ItemHeader {
  BlockHeader* block;
  ItemHeader* prev;      // row list, or free list
  ItemHeader* next;
  ItemHeader* rollback;  // the row's values before its first cached change
  uint8_t status;        // TItemStatus
  uint8_t update_result; // TUpdateRecAction
  int32_t order;         // order number of a visible row; 0 for a hidden one
  uint8_t flag;          // kItemFree or kItemUsed
  uint8_t filter_result; // TItemFilterState
  // Taken anew each time the item is handed out, so that a bookmark can tell
  // its row from a later row in the same memory.
  uint32_t serial;
};
using PItemHeader = ItemHeader*;

struct BlockHeader {
  uint16_t item_count;
  uint16_t used_items;
  bool pooled;  // taken from the item block pool, given back to it when freed
  BlockHeader* prev;
  BlockHeader* next;
};

// The record of an item.
inline uint8_t* ItemRecord(ItemHeader* item) { return reinterpret_cast<uint8_t*>(item) + sizeof(ItemHeader); }

class TBlockManager : public classlib::TObject {
  CLASSLIB_CLASS(TBlockManager, classlib::TObject)
 public:
  static constexpr uint16_t kDefaultItemsInBlock = 10;

  TBlockManager() = default;
  ~TBlockManager() override { FreeAllBlocks(); }
  TBlockManager(const TBlockManager&) = delete;
  TBlockManager& operator=(const TBlockManager&) = delete;

  // Takes a free item (a new block when none is left); it is marked in use.
  ItemHeader* AllocItem();
  // Returns an item; the last used item of a block releases the block.
  void FreeItem(ItemHeader* item);
  void FreeAllBlocks();
  // Takes a new block of `count` items, all in use and in order, one every
  // ItemStride() bytes, so that a driver can have rows written straight into
  // them; answers the first.
  ItemHeader* AllocItemsBlock(uint16_t count);
  size_t ItemStride() const { return ItemSize(); }
  // Whether `item` is an item in use handed out with `serial`; reads only
  // memory of blocks that are still allocated.
  bool IsLiveItem(const ItemHeader* item, uint32_t serial) const;

  int32_t RecordSize() const { return record_size_; }
  void SetRecordSize(int32_t size) { record_size_ = size; }
  uint16_t ItemsInBlock() const { return items_in_block_; }
  void SetItemsInBlock(uint16_t count) { items_in_block_ = count; }
  BlockHeader* FirstBlock() const { return first_block_; }
  ItemHeader* FirstFree() const { return first_free_; }
  int BlockCount() const { return static_cast<int>(blocks_.size()); }

 private:
  // Item stride: header and record, rounded up so every header is aligned.
  size_t ItemSize() const;
  ItemHeader* ItemAt(BlockHeader* block, int index) const;
  void AllocBlock();
  void FreeBlock(BlockHeader* block);
  void PushFree(ItemHeader* item);
  void UnlinkFree(ItemHeader* item);

  BlockHeader* first_block_ = nullptr;  // newest first
  ItemHeader* first_free_ = nullptr;
  int32_t record_size_ = 0;
  uint16_t items_in_block_ = kDefaultItemsInBlock;
  uint32_t serial_ = 0;
  // Block start -> one past its end, for checks of bookmarked items.
  std::map<uintptr_t, uintptr_t> blocks_;
};

}  // namespace dacore
