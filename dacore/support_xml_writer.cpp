// XmlTextWriter: start tags stay open for attributes until content or an
// end follows.
#include "dacore/support_xml_writer.h"

namespace dacore {

void XmlTextWriter::WriteStartElement(const std::string& local_name) {
  CloseStartTag();
  text_ += "<" + local_name;
  tag_end_ = text_.size();
  text_ += ">";
  open_elements_.push_back(local_name);
  state_ = WriteState::Element;
}

void XmlTextWriter::WriteAttributeString(const std::string& prefix, const std::string& local_name,
                                         const std::string& ns, const std::string& value) {
  if (state_ != WriteState::Element && state_ != WriteState::Attribute) {
    // The message is the same for every state, as callers match it.
    throw XmlException("Token WriteAttributeString in state Content would result in an invalid "
                       "XML document.");
  }
  const std::string q(1, quote_);
  std::string attribute = " " + (prefix.empty() ? "" : prefix + ":") + local_name + "=" + q +
                          value + q;
  if (!ns.empty()) attribute += " xmlns:" + prefix + "=" + q + ns + q;
  text_.insert(tag_end_, attribute);
  tag_end_ += attribute.size();
  state_ = WriteState::Attribute;
}

void XmlTextWriter::WriteAttributeString(const std::string& local_name, const std::string& value) {
  WriteAttributeString("", local_name, "", value);
}

void XmlTextWriter::WriteString(const std::string& text) {
  CloseStartTag();
  text_ += text;
  state_ = WriteState::Content;
}

void XmlTextWriter::WriteEndElement() {
  if (open_elements_.empty()) throw XmlException("There was no XML start tag open.");
  text_ += "</" + open_elements_.back() + ">";
  open_elements_.pop_back();
  state_ = open_elements_.empty() ? WriteState::Closed : WriteState::Content;
}

void XmlTextWriter::CloseStartTag() {
  if (state_ == WriteState::Element || state_ == WriteState::Attribute) state_ = WriteState::Content;
}

const TLexemeList& XmlSymbolLexemes() {
  static const TLexemeList table{{":", 16}, {"=", 19}};
  return table;
}

const TLexemeList& XmlKeywordLexemes() {
  static const TLexemeList table{};
  return table;
}

}  // namespace dacore
