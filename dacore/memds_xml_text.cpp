// What the XML export writes from data: texts escaped into characters any
// XML 1.0 reader accepts, and attribute names for fields whose own names
// are no XML names.
#include <cstdio>
#include <set>

#include "classlib/codepage.h"
#include "dacore/memds_xml.h"

namespace dacore {

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence at text[at] and its code
// point; 0 when the bytes there are no such sequence (a stray or truncated
// byte, an overlong form, a surrogate or a code past U+10FFFF).
size_t DecodeUtf8(const std::string& text, size_t at, char32_t& code) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    code = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

// The Char production of XML 1.0.
bool IsXmlChar(char32_t code) {
  return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
         (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

const char* Reference(char32_t code) {
  switch (code) {
    case '&': return "&#x26;";
    case '\'': return "&#x27;";
    case '"': return "&#x22;";
    case '<': return "&#x3c;";
    case '>': return "&#x3e;";
    case '\t': return "&#x9;";
    case '\n': return "&#xA;";
    case '\r': return "&#xD;";
    default: return nullptr;
  }
}

// Letters (Latin, and the Cyrillic ones of code page 1251), and "_": what
// every XML reader takes at the start of a name, whichever edition of the
// name rules it follows.
bool IsNameStartByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == 0xA8 || c == 0xB8 || c >= 0xC0;
}

bool IsNameByte(unsigned char c) { return IsNameStartByte(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

// Names that begin with "xml" are reserved ("xmlns" declares a namespace).
bool IsReserved(const std::string& name) {
  return name.size() >= 3 && (name[0] | 0x20) == 'x' && (name[1] | 0x20) == 'm' && (name[2] | 0x20) == 'l';
}

bool IsPlainName(const std::string& name) {
  if (name.empty() || !IsNameStartByte(static_cast<unsigned char>(name[0])) || IsReserved(name)) return false;
  for (char c : name)
    if (!IsNameByte(static_cast<unsigned char>(c))) return false;
  return true;
}

// The name with every byte that may not stand where it is written as
// "_x" and the four hexadecimal digits of its character.
std::string EncodedName(const std::string& name) {
  if (name.empty()) return "_";
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    const bool stands = i == 0 ? IsNameStartByte(c) && !IsReserved(name) : IsNameByte(c);
    if (stands) {
      out += name[i];
      continue;
    }
    const classlib::WideString wide = classlib::Cp1251ToUtf16(name.substr(i, 1));
    char hex[16];
    std::snprintf(hex, sizeof hex, "_x%04X_", wide.empty() ? c : static_cast<unsigned>(wide[0]));
    out += hex;
  }
  return out;
}

}  // namespace

std::string EncodeXmlText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    char32_t code = 0;
    const size_t length = DecodeUtf8(text, at, code);
    if (length == 0 || !IsXmlChar(code)) {
      out += kReplacement;
      at += length == 0 ? 1 : length;
    } else if (const char* reference = Reference(code)) {
      out += reference;
      at += length;
    } else {
      out.append(text, at, length);
      at += length;
    }
  }
  return out;
}

std::vector<std::string> XmlAttributeAliases(const std::vector<std::string>& names) {
  std::vector<std::string> aliases(names.size());
  std::set<std::string> taken;
  std::vector<bool> stands(names.size());
  for (size_t i = 0; i < names.size(); ++i) stands[i] = IsPlainName(names[i]) && taken.insert(names[i]).second;
  for (size_t i = 0; i < names.size(); ++i) {
    if (stands[i]) continue;
    const std::string base = EncodedName(names[i]);
    std::string alias = base;
    for (int n = 2; !taken.insert(alias).second; ++n) alias = base + "_" + std::to_string(n);
    aliases[i] = alias;
  }
  return aliases;
}

}  // namespace dacore
