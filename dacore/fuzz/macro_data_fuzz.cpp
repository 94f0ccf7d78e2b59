// The stored bytes of a macro list's older "Data" form: the reader must end
// with the values set or with a read or macro-not-found error, never reading
// past the data. The first byte picks how many macros the list holds.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "classlib/exceptions.h"
#include "dacore/macro_macros.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  dacore::TMacros macros;
  std::string sql;
  for (int i = 0; i < data[0] % 4; ++i) sql += " &m" + std::to_string(i);
  macros.Scan(sql);
  try {
    macros.ReadData(std::span<const uint8_t>(data + 1, size - 1));
  } catch (const classlib::Exception&) {
  }
  return 0;
}
