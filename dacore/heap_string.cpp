#include "dacore/heap_string.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "classlib/exceptions.h"
#include "dacore/util_bytes.h"

namespace dacore {

namespace {

// A large buffer stores its size negated: where a buffer came from decides
// where it goes back, whatever its size.
int32_t StoredSize(const void* buf) { return LoadUnaligned<int32_t>(OffsetPtr(buf, -TStringHeap::kHeaderSize)); }
int16_t Marker(const void* buf) { return LoadUnaligned<int16_t>(OffsetPtr(buf, -2)); }
void SetMarker(void* buf, int16_t marker) { StoreUnaligned<int16_t>(OffsetPtr(buf, -2), marker); }
uint8_t* NextFree(const uint8_t* buf) { return LoadUnaligned<uint8_t*>(buf); }

template <class Char>
int TermLength(const Char* s) {
  int n = 0;
  while (s[n]) ++n;
  return n;
}

template <class Char>
int TrimmedLength(const Char* s, int len, bool trim) {
  if (len < 0) len = TermLength(s);
  if (trim) while (len > 0 && s[len - 1] == Char(' ')) --len;
  return len;
}

}  // namespace

TStringHeap::~TStringHeap() { Clear(); }

std::unique_lock<std::mutex> TStringHeap::Lock() {
  return lock_ ? std::unique_lock<std::mutex>(*lock_) : std::unique_lock<std::mutex>();
}

void TStringHeap::SetThreadSafety(bool value) {
  if (value) {
    CLASSLIB_ASSERT(lock_ == nullptr);
    lock_ = std::make_unique<std::mutex>();
  } else {
    lock_.reset();
  }
}

int TStringHeap::BufSize(const void* buf) { return std::abs(StoredSize(buf)); }
int TStringHeap::RefCount(const void* buf) { return Marker(buf) - kFree; }

void TStringHeap::PushFree(uint8_t* data, int k) {
  StoreUnaligned<uint8_t*>(data, free_lists_[k]);
  free_lists_[k] = data;
}

void TStringHeap::NewPage() {
  auto* page = static_cast<uint8_t*>(std::malloc(kPageSize));
  if (!page) throw std::bad_alloc();
  StoreUnaligned<uint8_t*>(page, page_);
  page_ = page;
  free_ = kPageFree;
}

void* TStringHeap::NewSmall(int k) {
  if (uint8_t* head = free_lists_[k]) {
    free_lists_[k] = NextFree(head);
    SetMarker(head, kOneRef);
    return head;
  }
  const int need = k * 8 + kHeaderSize;
  if (!page_) {
    NewPage();
  } else if (free_ < need) {
    // The page's tail becomes one free buffer of the class it can hold.
    const int tail_class = (free_ - kHeaderSize) / 8;
    PushFree(Carve(page_ + (kPageSize - free_), tail_class * 8, kFree), tail_class);
    NewPage();
  }
  uint8_t* at = page_ + (kPageSize - free_);
  int32_t size = k * 8;
  free_ -= need;
  if (free_ < kHeaderSize + 8) {
    // Too little is left for any buffer: give it to this one.
    size += free_ / 8 * 8;
    NewPage();
  }
  return Carve(at, size, kOneRef);
}

void* TStringHeap::NewLarge(int size) {
  auto* at = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size) + kHeaderSize));
  if (!at) throw std::bad_alloc();
  has_large_ = true;
  void* buf = Carve(at, -size, kOneRef);
  large_.insert(buf);
  return buf;
}

void* TStringHeap::NewBufSlow(int size) {
  if (size <= 0) return nullptr;
  auto guard = Lock();
  empty_ = false;
  const int k = (size + 7) / 8;
  return k <= kClassCount ? NewSmall(k) : NewLarge(size);
}

void TStringHeap::DisposeBuf(void* buf) {
  if (!buf) return;
  auto guard = Lock();
  const int16_t marker = Marker(buf);
  classlib::Assert(marker >= kOneRef, __FILE__, __LINE__, "DisposeBuf failed");
  if (marker > kOneRef) {
    SetMarker(buf, marker - 1);
    return;
  }
  SetMarker(buf, kFree);
  const int32_t size = StoredSize(buf);
  if (size < 0) {
    large_.erase(buf);
    std::free(OffsetPtr(buf, -kHeaderSize));
    return;
  }
  // A page buffer that grew by the page's last bytes stays in the top class.
  const int k = std::min(size / 8, kClassCount);
  classlib::Assert(k > 0, __FILE__, __LINE__, "SmallTab in DisposeBuf failed");
  PushFree(static_cast<uint8_t*>(buf), k);
}

void TStringHeap::AddRefStr(void* buf) {
  if (!buf) return;
  auto guard = Lock();
  const int16_t marker = Marker(buf);
  classlib::Assert(marker >= kOneRef && marker < INT16_MAX, __FILE__, __LINE__, "AddRefStr failed");
  SetMarker(buf, marker + 1);
}

char* TStringHeap::AllocStr(const char* str, bool trim, int len) {
  if (!str) return nullptr;
  len = TrimmedLength(str, len, trim);
  auto* buf = static_cast<char*>(NewBuf(len + 1));
  std::memcpy(buf, str, len);
  buf[len] = '\0';
  return buf;
}

char16_t* TStringHeap::AllocWideStr(const char16_t* str, bool trim, int len) {
  if (!str) return nullptr;
  len = TrimmedLength(str, len, trim);
  auto* buf = static_cast<char16_t*>(NewBuf((len + 1) * 2));
  std::memcpy(buf, str, len * 2);
  std::memset(reinterpret_cast<char*>(buf) + len * 2, 0, 2);
  return buf;
}

char* TStringHeap::ReAllocStr(char* str, bool trim) {
  char* copy = AllocStr(str, trim);
  DisposeBuf(str);
  return copy;
}

void TStringHeap::Clear() {
  auto guard = Lock();
  if (empty_) return;
  while (page_) {
    uint8_t* prev = LoadUnaligned<uint8_t*>(page_);
    std::free(page_);
    page_ = prev;
  }
  for (void* buf : large_) std::free(OffsetPtr(buf, -kHeaderSize));
  large_.clear();
  std::fill(std::begin(free_lists_), std::end(free_lists_), nullptr);
  free_ = kPageFree;
  empty_ = true;
  has_large_ = false;
}

}  // namespace dacore
