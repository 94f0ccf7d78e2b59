// The whole-text views of a string list: lines, delimited items, streams.
#include "classlib/stream.h"
#include "classlib/strings.h"

#include "classlib/ansistr.h"

namespace classlib {

static bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string TStrings::Text() const {
  std::string text;
  for (int i = 0, count = Count(); i < count; ++i) {
    text += Get(i);
    text += "\r\n";
  }
  return text;
}

void TStrings::SetText(const std::string& text) {
  Updating update(*this);
  Clear();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    Add(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
}

static std::string JoinDelimited(const TStrings& list, char delimiter, char quote) {
  int count = list.Count();
  // One empty line must not read back as an empty list.
  if (count == 1 && list.Strings(0).empty()) return std::string(2, quote);
  std::string text;
  for (int i = 0; i < count; ++i) {
    std::string s = list.Strings(i);
    bool needs_quotes = false;
    for (char c : s)
      if (IsBlank(c) || c == quote || c == delimiter) needs_quotes = true;
    if (i > 0) text += delimiter;
    text += needs_quotes ? AnsiQuotedStr(s, quote) : s;
  }
  return text;
}

// Reads a quoted item starting at the opening quote; a doubled quote stands
// for one quote. An unclosed item runs to the end of the text.
static std::string ExtractQuoted(const std::string& text, size_t& pos, char quote) {
  std::string item;
  ++pos;
  while (pos < text.size()) {
    char c = text[pos++];
    if (c != quote) {
      item += c;
    } else if (pos < text.size() && text[pos] == quote) {
      item += quote;
      ++pos;
    } else {
      break;
    }
  }
  return item;
}

static void SplitDelimited(TStrings& list, const std::string& text, char delimiter,
                           char quote) {
  TStrings::Updating update(list);
  list.Clear();
  size_t pos = 0;
  auto skip_blanks = [&] {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
  };
  skip_blanks();
  while (pos < text.size()) {
    if (text[pos] == quote) {
      list.Add(ExtractQuoted(text, pos, quote));
    } else {
      size_t start = pos;
      while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != delimiter) ++pos;
      list.Add(text.substr(start, pos - start));
    }
    skip_blanks();
    if (pos < text.size() && text[pos] == delimiter) {
      ++pos;
      // A delimiter at the very end still closes an (empty) item.
      if (pos == text.size()) list.Add(std::string());
      skip_blanks();
    }
  }
}

std::string TStrings::DelimitedText() const {
  return JoinDelimited(*this, delimiter_, quote_char_);
}

void TStrings::SetDelimitedText(const std::string& text) {
  SplitDelimited(*this, text, delimiter_, quote_char_);
}

std::string TStrings::CommaText() const { return JoinDelimited(*this, ',', '"'); }

void TStrings::SetCommaText(const std::string& text) { SplitDelimited(*this, text, ',', '"'); }

void TStrings::LoadFromStream(TStream& stream) {
  std::int64_t size = stream.Size() - stream.Position();
  std::string text(static_cast<size_t>(size > 0 ? size : 0), '\0');
  text.resize(stream.Read(text.data(), static_cast<int>(text.size())));
  SetText(text);
}

void TStrings::SaveToStream(TStream& stream) const {
  std::string text = Text();
  stream.WriteBuffer(text.data(), static_cast<int>(text.size()));
}

void TStrings::LoadFromFile(const std::string& file_name) {
  TFileStream file(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TStrings::SaveToFile(const std::string& file_name) const {
  TFileStream file(file_name, fmCreate);
  SaveToStream(file);
}

}  // namespace classlib
