// The file form of a hive: reading checks every line and names the first bad
// one; writing produces text that reads back to the same hive.
#include <cstdio>

#include "classlib/codepage.h"
#include "platform/registry_hive.h"

namespace platform {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::u16string BytesToUtf16(std::string_view bytes) {
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  (static_cast<unsigned char>(bytes[i + 1]) << 8));
  return text;
}

std::string Utf16ToBytes(std::u16string_view text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

class HiveParser {
 public:
  HiveParser(std::string_view text, const std::string& root_name, const std::string& file_name)
      : file_(file_name), hive_(root_name) {
    if (text.starts_with(kBom)) text.remove_prefix(kBom.size());
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      lines_.push_back(text.substr(start, end - start));
      start = end + 1;
    }
  }

  RegHive Parse() {
    std::string_view line;
    if (!NextLine(line) || TrimRight(line) != kHeader)
      Fail("the first line is not \"" + std::string(kHeader) + "\"");
    while (NextLine(line)) {
      line = TrimRight(line);
      if (line.empty() || line.front() == ';') continue;
      if (line.front() == '[') {
        ParseSection(line);
      } else if (line.front() == '"' || line.front() == '@') {
        ParseValue(line);
      } else {
        Fail("unexpected text");
      }
    }
    return std::move(hive_);
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw ERegistryFileError(file_, line_no_, what);
  }

  bool NextLine(std::string_view& line) {
    if (next_ >= lines_.size()) return false;
    line = lines_[next_++];
    line_no_ = static_cast<int>(next_);
    if (!IsValidUtf8(line)) Fail("the text is not UTF-8");
    return true;
  }

  void ParseSection(std::string_view line) {
    if (line.back() != ']') Fail("a key line must end with ']'");
    std::string_view path = line.substr(1, line.size() - 2);
    if (path.starts_with('-')) Fail("key deletions do not belong in a hive file");
    std::vector<std::string> parts = SplitKeyPath(path);
    if (parts.empty() || FoldName(parts.front()) != FoldName(hive_.Root().Name()))
      Fail("the key is not under " + hive_.Root().Name());
    parts.erase(parts.begin());
    current_ = &hive_.Create(parts);
  }

  void ParseValue(std::string_view line) {
    if (!current_) Fail("a value before the first key");
    size_t pos = 0;
    std::string name;
    if (line.front() == '@') {
      pos = 1;
    } else {
      name = ParseQuoted(line, pos);
    }
    if (pos >= line.size() || line[pos] != '=') Fail("'=' expected after the value name");
    std::string_view data = line.substr(pos + 1);
    uint32_t type = REG_SZ;
    std::string bytes = ParseData(data, type);
    current_->SetValue(name, type, std::move(bytes));
  }

  // A quoted text starting at line[pos]; pos ends after the closing quote.
  std::string ParseQuoted(std::string_view line, size_t& pos) {
    std::string text;
    for (size_t i = pos + 1; i < line.size(); ++i) {
      char c = line[i];
      if (c == '"') {
        pos = i + 1;
        return text;
      }
      if (c == '\\') {
        if (i + 1 >= line.size() || (line[i + 1] != '\\' && line[i + 1] != '"'))
          Fail("only \\\\ and \\\" may follow a backslash in a quoted text");
        c = line[++i];
      }
      text += c;
    }
    Fail("the quoted text is not closed");
  }

  std::string ParseData(std::string_view data, uint32_t& type) {
    if (data.starts_with('"')) {
      size_t pos = 0;
      std::string text = ParseQuoted(data, pos);
      if (pos != data.size()) Fail("text after the closing quote");
      type = REG_SZ;
      return text;
    }
    if (data.starts_with("dword:")) {
      type = REG_DWORD;
      return ParseDword(data.substr(6));
    }
    if (data.starts_with("hex:")) {
      type = REG_BINARY;
      return ParseHexList(data.substr(4));
    }
    if (data.starts_with("hex(")) {
      size_t close = data.find("):");
      if (close == std::string_view::npos || close == 4 || close > 12)
        Fail("hex(type): expected");
      type = 0;
      for (char c : data.substr(4, close - 4)) {
        if (HexDigit(c) < 0) Fail("bad value type in hex(type):");
        type = type * 16 + HexDigit(c);
      }
      return DecodeTyped(type, ParseHexList(data.substr(close + 2)));
    }
    Fail("unknown value data");
  }

  std::string ParseDword(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) Fail("dword: needs 1 to 8 hex digits");
    uint32_t n = 0;
    for (char c : digits) {
      if (HexDigit(c) < 0) Fail("dword: needs 1 to 8 hex digits");
      n = n * 16 + HexDigit(c);
    }
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
    return bytes;
  }

  // "01,ab,\" followed by indented continuation lines, as exports wrap them.
  std::string ParseHexList(std::string_view first) {
    std::string list(first);
    std::string_view next;
    while (!list.empty() && list.back() == '\\') {
      list.pop_back();
      if (!NextLine(next)) Fail("the hex list continues past the end of the file");
      list += TrimLeft(TrimRight(next));
    }
    std::string bytes;
    if (list.empty()) return bytes;
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(',', start);
      if (end == std::string::npos) end = list.size();
      std::string_view item = TrimLeft(TrimRight(std::string_view(list).substr(start, end - start)));
      if (item.empty() || item.size() > 2 || HexDigit(item[0]) < 0 ||
          (item.size() == 2 && HexDigit(item[1]) < 0))
        Fail("bad byte \"" + std::string(item) + "\" in a hex list");
      int value = HexDigit(item[0]);
      if (item.size() == 2) value = value * 16 + HexDigit(item[1]);
      bytes += static_cast<char>(value);
      start = end + 1;
    }
    return bytes;
  }

  // Text types in hex form are UTF-16LE with terminators; bring them to the
  // hive's UTF-8 form.
  std::string DecodeTyped(uint32_t type, const std::string& bytes) {
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return bytes;
    if (bytes.size() % 2 != 0) Fail("a text in hex form needs an even number of bytes");
    std::u16string text = BytesToUtf16(bytes);
    if (type != REG_MULTI_SZ) {
      if (!text.empty() && text.back() == 0) text.pop_back();
      return classlib::Utf16ToUtf8(text);
    }
    std::string list;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find(char16_t(0), start);
      if (end == std::u16string::npos) end = text.size();
      if (end == start) break;  // the empty text ends the list
      list += classlib::Utf16ToUtf8(std::u16string_view(text).substr(start, end - start));
      list += '\0';
      start = end + 1;
    }
    return list;
  }

  std::string file_;
  std::vector<std::string_view> lines_;
  size_t next_ = 0;
  int line_no_ = 0;
  RegHive hive_;
  RegKey* current_ = nullptr;
};

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + '"';
}

std::string HexList(std::string_view bytes) {
  std::string out;
  char buf[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(bytes[i]));
    if (i > 0) out += ',';
    out += buf;
  }
  return out;
}

std::string HexTyped(uint32_t type, std::string_view bytes) {
  char prefix[24];
  std::snprintf(prefix, sizeof prefix, "hex(%x):", type);
  return prefix + HexList(bytes);
}

// UTF-16LE with the terminators the hex form of text types carries.
// A multi-text's data already ends each text with a zero; the one added here
// is the list's closing empty text.
std::string TextBytes(const RegValue& value) {
  return Utf16ToBytes(classlib::Utf8ToUtf16(value.data) + u'\0');
}

std::string FormatData(const RegValue& value) {
  switch (value.type) {
    case REG_SZ:
      // A line holds one value, so texts with line breaks or zeros go in hex.
      if (value.data.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos)
        return Quoted(value.data);
      return HexTyped(REG_SZ, TextBytes(value));
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ:
      return HexTyped(value.type, TextBytes(value));
    case REG_DWORD:
      if (value.data.size() == 4) {
        uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(value.data[i]);
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        return buf;
      }
      return HexTyped(REG_DWORD, value.data);
    case REG_BINARY:
      return "hex:" + HexList(value.data);
    default:
      return HexTyped(value.type, value.data);
  }
}

void FormatKey(const RegKey& key, const std::string& path, bool is_root, std::string& out) {
  if (!is_root || !key.Values().empty()) {
    out += "[" + path + "]\n";
    for (const RegValue& value : key.Values())
      out += (value.name.empty() ? std::string("@") : Quoted(value.name)) + "=" +
             FormatData(value) + "\n";
    out += "\n";
  }
  for (const auto& [folded, sub] : key.SubKeys())
    FormatKey(*sub, path + "\\" + sub->Name(), false, out);
}

}  // namespace

RegHive ParseHive(std::string_view text, const std::string& root_name,
                  const std::string& file_name) {
  return HiveParser(text, root_name, file_name).Parse();
}

std::string FormatHive(const RegHive& hive) {
  std::string out(kHeader);
  out += "\n\n";
  FormatKey(hive.Root(), hive.Root().Name(), true, out);
  return out;
}

}  // namespace platform
