// Date texts as the SQLite test driver reads them from a column: the reader
// of the driver's own fixed form must agree with the general reader wherever
// it answers, and neither may read past the text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "testing/sqlite_driver/sqlite_driver_types.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // The engine's texts end with a zero and may hold zeros inside.
  const std::string text(reinterpret_cast<const char*>(data), size);
  classlib::TDateTime fixed = 0, general = 0, combined = 0;
  const auto form = sqlite_driver::ParseWrittenDateTime(text.c_str(), text.size(), fixed);
  const bool general_ok = sqlite_driver::ParseDateTimeTextGeneral(text.c_str(), general);
  const bool combined_ok = sqlite_driver::ParseDateTimeText(text.c_str(), text.size(), combined);
  switch (form) {
    case sqlite_driver::TWrittenForm::kValue:
      if (!general_ok || fixed != general) std::abort();
      break;
    case sqlite_driver::TWrittenForm::kInvalid:
      if (general_ok) std::abort();
      break;
    case sqlite_driver::TWrittenForm::kOther: break;
  }
  if (combined_ok != general_ok || (combined_ok && combined != general)) std::abort();
  return 0;
}
