// The string heap of a record store: small buffers carved from 16 KB pages
// with one free list per size class of 8 bytes, large ones from the general
// heap, each with a reference count. A store clears it at once on close.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_set>

#include "classlib/object.h"
#include "classlib/unaligned.h"

namespace dacore {

class TStringHeap : public classlib::TObject {
  CLASSLIB_CLASS(TStringHeap, classlib::TObject)
 public:
  static constexpr int kPageSize = 16384;
  // A page starts with the link to the previous page.
  static constexpr int kPageFree = kPageSize - static_cast<int>(sizeof(void*));
  // Buffer header: Int32 size, then Int16 marker (100 free, 101 one reference).
  static constexpr int kHeaderSize = 6;
  static constexpr int kClassCount = 250;  // classes of 8 .. 2000 bytes
  static constexpr int kSmallSize = kClassCount * 8;

  TStringHeap() = default;
  ~TStringHeap() override;
  TStringHeap(const TStringHeap&) = delete;
  TStringHeap& operator=(const TStringHeap&) = delete;

  // A buffer of at least size bytes with one reference; nil for size <= 0.
  // A small buffer carved from the current page stays in the caller.
  void* NewBuf(int size) {
    if (void* buf = CarveFromPage(size)) return buf;
    return NewBufSlow(size);
  }
  // Drops one reference; the last returns the buffer to its class (or the
  // general heap). Nil does nothing.
  void DisposeBuf(void* buf);
  void AddRefStr(void* buf);
  // A zero-terminated copy of len characters (-1: up to the terminator),
  // trailing blanks dropped with trim; nil for a nil source.
  char* AllocStr(const char* str, bool trim = false, int len = -1);
  char16_t* AllocWideStr(const char16_t* str, bool trim = false, int len = -1);
  // A new copy of str; the old buffer is disposed.
  char* ReAllocStr(char* str, bool trim = false);
  void Clear();

  bool Empty() const { return empty_; }
  bool HasLarge() const { return has_large_; }
  bool ThreadSafety() const { return lock_ != nullptr; }
  void SetThreadSafety(bool value);

  // The capacity of a buffer handed out (k x 8 for a small one).
  static int BufSize(const void* buf);
  // References held: the marker less 100.
  static int RefCount(const void* buf);

 private:
  static constexpr int16_t kFree = 100;
  static constexpr int16_t kOneRef = 101;

  std::unique_lock<std::mutex> Lock();
  // Filling a store takes buffers of a class with no free buffer, one
  // after the other from the current page: that case needs no lock, leaves
  // the page more than a buffer's worth of bytes and so does exactly what
  // NewSmall would. Nil when any of that does not hold.
  void* CarveFromPage(int size) {
    if (size <= 0 || size > kSmallSize || lock_) return nullptr;
    const int k = (size + 7) / 8;
    const int need = k * 8 + kHeaderSize;
    if (!page_ || free_lists_[k] || free_ - need < kHeaderSize + 8) return nullptr;
    uint8_t* at = page_ + (kPageSize - free_);
    free_ -= need;  // a page exists: the heap is not empty
    return Carve(at, k * 8, kOneRef);
  }
  void* NewBufSlow(int size);
  void* NewSmall(int k);
  void* NewLarge(int size);
  void NewPage();
  // Writes a header at `at` and returns the data address.
  static uint8_t* Carve(uint8_t* at, int32_t size, int16_t marker) {
    classlib::StoreUnaligned<int32_t>(at, size);
    classlib::StoreUnaligned<int16_t>(at + 4, marker);
    return at + kHeaderSize;
  }
  void PushFree(uint8_t* data, int k);

  uint8_t* free_lists_[kClassCount + 1] = {};  // index = class
  uint8_t* page_ = nullptr;
  int free_ = kPageFree;
  bool empty_ = true;
  bool has_large_ = false;
  // Large buffers still handed out, so that Clear frees them too.
  std::unordered_set<void*> large_;
  std::unique_ptr<std::mutex> lock_;
};

}  // namespace dacore
