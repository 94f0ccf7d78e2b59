// SQL text from users and scripts: the lexer must end every scan, with or
// without blanks, comments, quotes and q-literals, from a string or a
// stream, and raise nothing but its unknown-symbol error.
#include <cstddef>
#include <cstdint>
#include <string>

#include "classlib/exceptions.h"
#include "classlib/stream.h"
#include "dacore/lexer_parser.h"

namespace {

void ScanAll(dacore::TParser& parser) {
  std::string lexeme;
  try {
    while (parser.GetNextToken(lexeme) != dacore::lcEnd) {
    }
  } catch (const classlib::Exception&) {
    // An unknown character ends the scan.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  dacore::TParser plain(text);
  ScanAll(plain);
  dacore::TParser all(text);
  all.OmitBlank = false;
  all.AdvancedStringParsing = true;
  all.QuotedString = true;
  all.TrackLines = true;
  ScanAll(all);
  classlib::TMemoryStream stream;
  stream.WriteBuffer(text.data(), static_cast<int>(text.size()));
  stream.SetPosition(0);
  dacore::TParser streamed(stream);
  try {
    streamed.ToLexem("WHERE");
  } catch (const classlib::Exception&) {
  }
  return 0;
}
