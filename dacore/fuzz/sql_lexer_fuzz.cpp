// SQL text from users and scripts: the lexer must end every scan, with or
// without blanks, comments, quotes and q-literals, from a string or a
// stream, and raise nothing but its unknown-symbol error.
#include <cstddef>
#include <cstdint>
#include <string>

#include "testing/lexer_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  dacore::TParser plain(text);
  dacore::fuzz::ScanAll(plain);
  dacore::TParser all(text);
  all.OmitBlank = false;
  all.AdvancedStringParsing = true;
  all.QuotedString = true;
  all.TrackLines = true;
  dacore::fuzz::ScanAll(all);
  classlib::TMemoryStream stream;
  dacore::fuzz::FillStream(stream, text);
  dacore::TParser streamed(stream);
  try {
    streamed.ToLexem("WHERE");
  } catch (const classlib::Exception&) {
  }
  return 0;
}
