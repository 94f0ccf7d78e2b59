#include "dacore/store_blocks.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "classlib/exceptions.h"
#include "dacore/store_block_pool.h"

namespace dacore {

namespace {

// How many items ahead of the one being initialised a new block's memory is
// asked for.
constexpr size_t kPrefetchItems = 8;
constexpr uintptr_t kCacheLine = 64;

// Asks for the cache lines of the `stride` bytes from `at` for writing, as
// far as they lie before `end`.
void PrefetchForWrite(uintptr_t at, size_t stride, uintptr_t end) {
  const uintptr_t stop = std::min<uintptr_t>(at + stride, end);
  for (uintptr_t line = at & ~(kCacheLine - 1); line < stop; line += kCacheLine)
    __builtin_prefetch(reinterpret_cast<const void*>(line), 1);
}

}  // namespace

size_t TBlockManager::ItemSize() const {
  const size_t size = sizeof(ItemHeader) + static_cast<size_t>(record_size_);
  return (size + alignof(ItemHeader) - 1) / alignof(ItemHeader) * alignof(ItemHeader);
}

ItemHeader* TBlockManager::ItemAt(BlockHeader* block, int index) const {
  return reinterpret_cast<ItemHeader*>(reinterpret_cast<uint8_t*>(block) + sizeof(BlockHeader) +
                                       ItemSize() * static_cast<size_t>(index));
}

void TBlockManager::PushFree(ItemHeader* item) {
  item->prev = nullptr;
  item->next = first_free_;
  if (first_free_) first_free_->prev = item;
  first_free_ = item;
}

void TBlockManager::UnlinkFree(ItemHeader* item) {
  if (item->prev) item->prev->next = item->next; else first_free_ = item->next;
  if (item->next) item->next->prev = item->prev;
}

void TBlockManager::AllocBlock() {
  const size_t bytes = sizeof(BlockHeader) + ItemSize() * items_in_block_;
  auto* block = static_cast<BlockHeader*>(std::malloc(bytes));
  if (!block) throw std::bad_alloc();
  *block = BlockHeader{items_in_block_, 0, false, nullptr, first_block_};
  if (first_block_) first_block_->prev = block;
  first_block_ = block;
  const auto start = reinterpret_cast<uintptr_t>(block);
  blocks_[start] = start + bytes;
  for (int i = items_in_block_ - 1; i >= 0; --i) {
    ItemHeader* item = ItemAt(block, i);
    *item = ItemHeader{};
    item->block = block;
    item->flag = kItemFree;
    PushFree(item);
  }
}

void TBlockManager::FreeBlock(BlockHeader* block) {
  if (block->prev) block->prev->next = block->next; else first_block_ = block->next;
  if (block->next) block->next->prev = block->prev;
  const auto found = blocks_.find(reinterpret_cast<uintptr_t>(block));
  const size_t bytes = found->second - found->first;
  blocks_.erase(found);
  if (block->pooled) TItemBlockPool::Shared().Give(block, bytes);
  else std::free(block);
}

ItemHeader* TBlockManager::AllocItem() {
  if (!first_free_) AllocBlock();
  ItemHeader* item = first_free_;
  CLASSLIB_ASSERT(item->flag == kItemFree);
  UnlinkFree(item);
  item->prev = item->next = item->rollback = nullptr;
  item->status = isUnmodified;
  item->update_result = urNone;
  item->order = 0;
  item->flag = kItemUsed;
  item->filter_result = fsNotChecked;
  item->serial = ++serial_;
  ++item->block->used_items;
  return item;
}

// The items go straight into use, without passing the free list. These
// blocks hold fetched rows, many at a time, so they come from the pool.
ItemHeader* TBlockManager::AllocItemsBlock(uint16_t count) {
  CLASSLIB_ASSERT(count > 0);
  const size_t stride = ItemSize();
  const size_t bytes = sizeof(BlockHeader) + stride * count;
  auto* block = static_cast<BlockHeader*>(TItemBlockPool::Shared().Take(bytes));
  const auto start = reinterpret_cast<uintptr_t>(block);
  try {
    blocks_[start] = start + bytes;
  } catch (...) {
    TItemBlockPool::Shared().Give(block, bytes);
    throw;
  }
  *block = BlockHeader{count, count, true, nullptr, first_block_};
  if (first_block_) first_block_->prev = block;
  first_block_ = block;
  // A new block's memory has mostly left the caches since it was last used
  // (a pooled block served rows many megabytes ago), and its items and then
  // their records are written right away: asking for the lines a few items
  // ahead lets those misses overlap instead of holding up each item in turn.
  const uintptr_t end = start + bytes;
  for (uint16_t i = 0; i < count; ++i) {
    ItemHeader* item = ItemAt(block, i);
    PrefetchForWrite(reinterpret_cast<uintptr_t>(item) + kPrefetchItems * stride, stride, end);
    *item = ItemHeader{};
    item->block = block;
    item->update_result = urNone;
    item->flag = kItemUsed;
    item->serial = ++serial_;
  }
  return ItemAt(block, 0);
}

void TBlockManager::FreeItem(ItemHeader* item) {
  CLASSLIB_ASSERT(item->flag == kItemUsed);
  item->flag = kItemFree;
  BlockHeader* block = item->block;
  if (--block->used_items > 0) {
    PushFree(item);
    return;
  }
  for (int i = 0; i < block->item_count; ++i) {
    ItemHeader* other = ItemAt(block, i);
    if (other == item) continue;
    CLASSLIB_ASSERT(other->flag == kItemFree);
    UnlinkFree(other);
  }
  FreeBlock(block);
}

void TBlockManager::FreeAllBlocks() {
  while (first_block_) FreeBlock(first_block_);
  first_free_ = nullptr;
}

bool TBlockManager::IsLiveItem(const ItemHeader* item, uint32_t serial) const {
  const auto at = reinterpret_cast<uintptr_t>(item);
  auto it = blocks_.upper_bound(at);
  if (it == blocks_.begin()) return false;
  --it;
  if (at < it->first + sizeof(BlockHeader) || at >= it->second) return false;
  if ((at - it->first - sizeof(BlockHeader)) % ItemSize() != 0) return false;
  return item->flag == kItemUsed && item->serial == serial;
}

}  // namespace dacore
