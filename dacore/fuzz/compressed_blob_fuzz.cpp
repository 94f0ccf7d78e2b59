// Stored bytes of a compressed blob, as a server or a cache hands them back:
// any input must end in a value or one of the library's errors, never in a
// crash, an overrun or an allocation the bytes cannot justify.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "classlib/exceptions.h"
#include "dacore/blob_compressed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  auto* blob = new dacore::TCompressedBlob(false);
  try {
    blob->TBlob::Write(0, static_cast<uint32_t>(size), data);
    const uint32_t n = blob->GetSize();
    std::vector<uint8_t> out(n);
    blob->Read(0, n, out.data());
    blob->Read(1, 1, out.data());
  } catch (const classlib::Exception&) {
  }
  blob->Release();
  return 0;
}
