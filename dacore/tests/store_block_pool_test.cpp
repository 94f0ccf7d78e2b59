// The pool of fetched-item blocks: reuse by size, its bound, and the block
// manager giving its fetched blocks back to it.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "dacore/store_block_pool.h"
#include "dacore/store_blocks.h"

namespace dacore {
namespace {

TEST(ItemBlockPoolTest, FreedBlockServesTheNextTakeOfItsRoundedSize) {
  TItemBlockPool pool(1 << 20);
  void* first = pool.Take(10000);
  pool.Give(first, 10000);
  EXPECT_EQ(pool.KeptBytes(), TItemBlockPool::RoundedSize(10000));
  void* other_size = pool.Take(20000);  // another page count: new memory
  EXPECT_NE(other_size, first);
  void* again = pool.Take(10001);  // the same pages
  EXPECT_EQ(again, first);
  EXPECT_EQ(pool.KeptBytes(), 0u);
  pool.Give(again, 10001);
  pool.Give(other_size, 20000);
}

TEST(ItemBlockPoolTest, KeepsNoMoreThanItsCapacityAndDropsTheOldestFirst) {
  const size_t page_block = TItemBlockPool::RoundedSize(1);
  TItemBlockPool pool(3 * page_block);
  std::vector<void*> blocks;
  for (int i = 0; i < 5; ++i) blocks.push_back(pool.Take(1));
  for (void* block : blocks) pool.Give(block, 1);
  EXPECT_EQ(pool.KeptBytes(), 3 * page_block);  // the last two were freed
  pool.SetCapacity(page_block);
  EXPECT_EQ(pool.KeptBytes(), page_block);
  EXPECT_EQ(pool.Take(1), blocks[2]);  // the newest one kept
  pool.Give(blocks[2], 1);
  pool.SetCapacity(0);
  EXPECT_EQ(pool.KeptBytes(), 0u);
  void* fresh = pool.Take(1);
  pool.Give(fresh, 1);  // no room: freed at once
  EXPECT_EQ(pool.KeptBytes(), 0u);
}

TEST(ItemBlockPoolTest, ThreadsTakingAndGivingKeepTheCountRight) {
  TItemBlockPool pool(64 * TItemBlockPool::RoundedSize(1));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&pool, t] {
      for (int i = 0; i < 2000; ++i) {
        const size_t bytes = static_cast<size_t>(1 + (i + t) % 3) * 4096;
        void* block = pool.Take(bytes);
        static_cast<char*>(block)[bytes - 1] = 1;  // the whole size is usable
        pool.Give(block, bytes);
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_LE(pool.KeptBytes(), pool.Capacity());
  pool.Clear();
  EXPECT_EQ(pool.KeptBytes(), 0u);
}

// The shared pool's capacity for one test, restored after it.
class SharedPoolCapacity {
 public:
  explicit SharedPoolCapacity(size_t capacity) : saved_(TItemBlockPool::Shared().Capacity()) {
    TItemBlockPool::Shared().Clear();
    TItemBlockPool::Shared().SetCapacity(capacity);
  }
  ~SharedPoolCapacity() {
    TItemBlockPool::Shared().Clear();
    TItemBlockPool::Shared().SetCapacity(saved_);
  }

 private:
  size_t saved_;
};

void FreeBlockItems(TBlockManager& manager, ItemHeader* first, int count) {
  for (int i = count - 1; i >= 0; --i)
    manager.FreeItem(reinterpret_cast<ItemHeader*>(reinterpret_cast<uint8_t*>(first) + manager.ItemStride() * i));
}

TEST(ItemBlockPoolTest, FetchedBlocksOfAClosedStoreServeTheNextStore) {
  SharedPoolCapacity capacity(1 << 20);
  ItemHeader* first = nullptr;
  {
    TBlockManager manager;
    manager.SetRecordSize(40);
    first = manager.AllocItemsBlock(100);
  }  // the manager frees its blocks into the pool
  EXPECT_GT(TItemBlockPool::Shared().KeptBytes(), 0u);
  TBlockManager manager;
  manager.SetRecordSize(40);
  EXPECT_EQ(manager.AllocItemsBlock(100), first);
  EXPECT_EQ(TItemBlockPool::Shared().KeptBytes(), 0u);
}

TEST(ItemBlockPoolTest, ARowInRecycledMemoryIsNotTheBookmarkedOne) {
  SharedPoolCapacity capacity(1 << 20);
  TBlockManager manager;
  manager.SetRecordSize(40);
  ItemHeader* first = manager.AllocItemsBlock(100);
  const uint32_t serial = first->serial;
  EXPECT_TRUE(manager.IsLiveItem(first, serial));
  FreeBlockItems(manager, first, 100);  // the last item gives the block back
  EXPECT_EQ(manager.BlockCount(), 0);
  EXPECT_FALSE(manager.IsLiveItem(first, serial));
  ItemHeader* reused = manager.AllocItemsBlock(100);
  ASSERT_EQ(reused, first);
  EXPECT_FALSE(manager.IsLiveItem(first, serial));
  EXPECT_TRUE(manager.IsLiveItem(reused, reused->serial));
  EXPECT_EQ(reused->flag, kItemUsed);
  EXPECT_EQ(reused->block->used_items, 100);
}

TEST(ItemBlockPoolTest, BlocksOfSingleItemsAreNotPooled) {
  SharedPoolCapacity capacity(1 << 20);
  {
    TBlockManager manager;
    manager.SetRecordSize(40);
    manager.FreeItem(manager.AllocItem());
  }
  EXPECT_EQ(TItemBlockPool::Shared().KeptBytes(), 0u);
}

}  // namespace
}  // namespace dacore
