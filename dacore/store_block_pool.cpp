#include "dacore/store_block_pool.h"

#include <cstdlib>
#include <new>

namespace dacore {

namespace {

constexpr size_t kPage = 4096;

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer freed blocks go straight back, so that a row used
// after its data set freed it is still caught.
constexpr size_t kSharedCapacity = 0;
#else
constexpr size_t kSharedCapacity = size_t{32} << 20;
#endif

}  // namespace

// Never destroyed: block managers of static objects may give blocks back
// at exit, after a static pool would have gone.
TItemBlockPool& TItemBlockPool::Shared() {
  static auto* pool = new TItemBlockPool(kSharedCapacity);
  return *pool;
}

TItemBlockPool::TItemBlockPool(size_t capacity) : capacity_(capacity) {}

TItemBlockPool::~TItemBlockPool() { Clear(); }

size_t TItemBlockPool::RoundedSize(size_t bytes) { return (bytes + kPage - 1) / kPage * kPage; }

void* TItemBlockPool::Take(size_t bytes) {
  const size_t size = RoundedSize(bytes);
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (size_t i = kept_.size(); i-- > 0;) {
      if (kept_[i].size != size) continue;
      void* block = kept_[i].block;
      kept_.erase(kept_.begin() + static_cast<std::ptrdiff_t>(i));
      kept_bytes_ -= size;
      return block;
    }
  }
  void* block = std::malloc(size);
  if (!block) throw std::bad_alloc();
  return block;
}

void TItemBlockPool::Give(void* block, size_t bytes) {
  if (!block) return;
  const size_t size = RoundedSize(bytes);
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (kept_bytes_ + size <= capacity_) {
      try {
        kept_.push_back(TKept{block, size});
        kept_bytes_ += size;
        return;
      } catch (const std::bad_alloc&) {
        // no room to remember it: free it below
      }
    }
  }
  std::free(block);
}

// The oldest blocks go first.
void TItemBlockPool::TrimTo(size_t capacity) {
  size_t dropped = 0;
  while (kept_bytes_ > capacity) {
    kept_bytes_ -= kept_[dropped].size;
    std::free(kept_[dropped].block);
    ++dropped;
  }
  kept_.erase(kept_.begin(), kept_.begin() + static_cast<std::ptrdiff_t>(dropped));
}

void TItemBlockPool::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  TrimTo(0);
}

size_t TItemBlockPool::Capacity() const {
  std::lock_guard<std::mutex> guard(lock_);
  return capacity_;
}

void TItemBlockPool::SetCapacity(size_t capacity) {
  std::lock_guard<std::mutex> guard(lock_);
  capacity_ = capacity;
  TrimTo(capacity);
}

size_t TItemBlockPool::KeptBytes() const {
  std::lock_guard<std::mutex> guard(lock_);
  return kept_bytes_;
}

}  // namespace dacore
