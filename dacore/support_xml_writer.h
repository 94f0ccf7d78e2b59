// XmlTextWriter: a minimal XML text writer. Attributes are accepted only
// while a start tag is open (right after WriteStartElement or another
// attribute); anywhere else they would make the document invalid, and the
// writer raises XmlException instead.
#pragma once

#include <string>
#include <vector>

#include "classlib/exceptions.h"
#include "dacore/lexer_lexemes.h"

namespace dacore {

CLASSLIB_EXCEPTION(XmlException, classlib::Exception)

class XmlTextWriter {
 public:
  enum class WriteState { Start, Element, Attribute, Content, Closed };

  void WriteStartElement(const std::string& local_name);
  void WriteAttributeString(const std::string& prefix, const std::string& local_name,
                            const std::string& ns, const std::string& value);
  void WriteAttributeString(const std::string& local_name, const std::string& value);
  // Text content, written as given (callers escape it).
  void WriteString(const std::string& text);
  void WriteEndElement();

  char QuoteChar() const { return quote_; }
  void SetQuoteChar(char quote) { quote_ = quote; }
  WriteState State() const { return state_; }
  const std::string& Text() const { return text_; }

 private:
  void CloseStartTag();

  std::string text_;
  std::vector<std::string> open_elements_;
  size_t tag_end_ = 0;  // where the open start tag's ">" stands
  char quote_ = '"';
  WriteState state_ = WriteState::Start;
};

// The XML reader's lexeme tables: ":" (16) and "=" (19), and no keywords.
const TLexemeList& XmlSymbolLexemes();
const TLexemeList& XmlKeywordLexemes();

}  // namespace dacore
