// Bytes from a server: compressed values through the uncompress hook, and
// text through the three encodings. Any input must end in a result or one
// of the library's errors, never in a crash.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "classlib/exceptions.h"
#include "dacore/util_compress.h"
#include "dacore/util_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const dacore::TBytes bytes(data, data + size);
  for (const dacore::Encoding* e : {&dacore::Encoding::DefaultClass(), &dacore::Encoding::UnicodeClass(),
                                    &dacore::Encoding::UTF8Class()}) {
    e->GetString(bytes);
    e->GetWideString(bytes);
  }
  std::vector<uint8_t> out(4096);
  int32_t out_len = static_cast<int32_t>(out.size());
  try {
    dacore::DoUncompress(out.data(), out_len, data, static_cast<int32_t>(size));
  } catch (const classlib::Exception&) {
  }
  return 0;
}
