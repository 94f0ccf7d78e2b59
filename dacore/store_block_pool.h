// Freed blocks of fetched items, kept for the next fetch. A large result
// fills many megabytes of item blocks; giving them back to the system when
// the data set closes makes the next fetch fault every page in afresh, which
// costs as much as decoding the rows. Blocks of the same byte size are handed
// out again instead, up to a bound on what the process keeps.
#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

namespace dacore {

class TItemBlockPool {
 public:
  // The process-wide pool every block manager uses.
  static TItemBlockPool& Shared();

  explicit TItemBlockPool(size_t capacity);
  ~TItemBlockPool();
  TItemBlockPool(const TItemBlockPool&) = delete;
  TItemBlockPool& operator=(const TItemBlockPool&) = delete;

  // A block of `bytes` (rounded up to RoundedSize): a kept one when there is
  // one of that size, else new memory; throws std::bad_alloc.
  void* Take(size_t bytes);
  // Keeps the block for a later Take of the same size while the pool has
  // room, else frees it. `bytes` is what was asked of Take.
  void Give(void* block, size_t bytes);
  // Frees every kept block.
  void Clear();

  size_t Capacity() const;
  // A smaller capacity frees kept blocks beyond it.
  void SetCapacity(size_t capacity);
  size_t KeptBytes() const;

  // Sizes are rounded up to whole pages so that blocks of nearly equal size
  // serve each other.
  static size_t RoundedSize(size_t bytes);

 private:
  struct TKept {
    void* block;
    size_t size;
  };
  void TrimTo(size_t capacity);  // caller holds the lock

  mutable std::mutex lock_;
  std::vector<TKept> kept_;  // newest last: the most recently touched memory goes out first
  size_t kept_bytes_ = 0;
  size_t capacity_;
};

}  // namespace dacore
