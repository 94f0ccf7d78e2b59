// What the lexer harnesses share: scanning a whole text with a lexer of any
// dialect, and the text as a stream, so the windowed reading is fuzzed too.
#pragma once

#include <string>

#include "classlib/exceptions.h"
#include "classlib/stream.h"
#include "dacore/lexer_parser.h"

namespace dacore::fuzz {

// Reads every token, handing each code to `visit`; the lexer's own error for
// an unknown character ends the scan, anything else is a finding.
template <class Parser, class Visit>
void ScanAll(Parser& parser, Visit visit) {
  std::string lexeme;
  try {
    for (int code; (code = parser.GetNextToken(lexeme)) != lcEnd;) visit(parser, code);
  } catch (const classlib::Exception&) {
  }
}

template <class Parser>
void ScanAll(Parser& parser) {
  ScanAll(parser, [](Parser&, int) {});
}

// The text as a stream positioned at its start.
inline void FillStream(classlib::TMemoryStream& stream, const std::string& text) {
  stream.WriteBuffer(text.data(), static_cast<int>(text.size()));
  stream.SetPosition(0);
}

}  // namespace dacore::fuzz
