// SQL text from users, scripts and servers through the Oracle dialect of the
// lexer: every scan must end, with or without blanks and comments, from a
// string or a stream, and raise nothing but the unknown-symbol error.
#include <cstddef>
#include <cstdint>
#include <string>

#include "oracle/lexer_ora_parser.h"
#include "testing/lexer_scan.h"

namespace {

void ScanAll(oracle::TOraParser& parser) {
  dacore::fuzz::ScanAll(parser, [](oracle::TOraParser& p, int code) { p.IsNotStringLexem(code); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  oracle::TOraParser plain(text);
  ScanAll(plain);
  oracle::TOraParser all(text);
  all.OmitBlank = false;
  all.OmitComment = false;
  all.QuotedString = true;
  all.TrackLines = true;
  ScanAll(all);
  classlib::TMemoryStream stream;
  dacore::fuzz::FillStream(stream, text);
  oracle::TOraParser streamed(stream);
  ScanAll(streamed);
  return 0;
}
