// Texts the value classes turn into format models: a number typed by a user
// or read from a file, and the locale's date and time patterns. Every text
// must give a model that keeps its promises (as long as the text, or the
// exponent model; never past 64 characters) without reading out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "classlib/format_settings.h"
#include "oracle/value_formats.h"
#include "testing/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const auto parts = testing_fuzz::PartsOf(testing_fuzz::TextOf(data, size), 3);
  classlib::TFormatSettings& settings = classlib::FormatSettings();
  settings.DecimalSeparator = parts[2].size() > 0 ? parts[2][0] : '.';
  settings.ThousandSeparator = parts[2].size() > 1 ? parts[2][1] : ',';
  settings.ShortDateFormat = parts[1];
  settings.LongTimeFormat = parts[2];
  oracle::SetLocaleDefaults();

  const std::string& number = parts[0];
  const std::string model = oracle::MakeOraNumberFormat(number);
  const bool exponent = model.size() >= 4 && model.compare(model.size() - 4, 4, "EEEE") == 0;
  if (model.size() > 64) std::abort();
  if (!exponent && number.size() < 64 && model.size() != number.size()) std::abort();
  oracle::FixOraNumberText(number);
  oracle::MakeOraDateTimeFormat(oracle::OCI_DTYPE_TIMESTAMP_TZ);
  classlib::ResetFormatSettings();
  return 0;
}
