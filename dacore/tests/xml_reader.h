// A real XML reader for the tests and fuzz harness of the XML export: expat
// (Debian's libexpat1-dev) reads the document once with namespace processing,
// which refuses what a namespace-aware reader refuses (an undeclared prefix,
// a name with two colons), and once without, keeping every element's name
// and attributes as written, values decoded.
#pragma once

#include <expat.h>

#include <string>
#include <utility>
#include <vector>

namespace dacore::testing {

struct TXmlElement {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;

  // The attribute's value, or nullptr when the element has none of that name.
  const std::string* Attribute(const std::string& attribute) const {
    for (const auto& [key, value] : attributes)
      if (key == attribute) return &value;
    return nullptr;
  }
};

struct TXmlDocument {
  std::string error;  // empty when the document is well-formed
  std::vector<TXmlElement> elements;  // in document order
};

inline std::string ExpatError(XML_Parser parser) {
  return std::string(XML_ErrorString(XML_GetErrorCode(parser))) + " at line " +
         std::to_string(XML_GetCurrentLineNumber(parser)) + ", column " +
         std::to_string(XML_GetCurrentColumnNumber(parser));
}

inline TXmlDocument ReadXml(const std::string& xml) {
  TXmlDocument document;
  XML_Parser checker = XML_ParserCreateNS(nullptr, '|');
  if (XML_Parse(checker, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_ERROR)
    document.error = ExpatError(checker);
  XML_ParserFree(checker);
  if (!document.error.empty()) return document;

  XML_Parser reader = XML_ParserCreate(nullptr);
  XML_SetUserData(reader, &document.elements);
  XML_SetStartElementHandler(reader, [](void* data, const XML_Char* name, const XML_Char** attributes) {
    TXmlElement element{name, {}};
    for (int i = 0; attributes[i] != nullptr; i += 2) element.attributes.emplace_back(attributes[i], attributes[i + 1]);
    static_cast<std::vector<TXmlElement>*>(data)->push_back(std::move(element));
  });
  if (XML_Parse(reader, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_ERROR)
    document.error = ExpatError(reader);
  XML_ParserFree(reader);
  return document;
}

}  // namespace dacore::testing
