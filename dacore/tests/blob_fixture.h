// Blobs owned by a test: released when the test ends.
#pragma once

#include <memory>

#include "dacore/blob.h"

namespace dacore {

struct BlobRelease {
  void operator()(TBlob* blob) const { blob->Release(); }
};
template <class B>
using BlobPtr = std::unique_ptr<B, BlobRelease>;

template <class B = TBlob>
BlobPtr<B> MakeBlob(bool is_unicode = false) {
  return BlobPtr<B>(new B(is_unicode));
}

}  // namespace dacore
