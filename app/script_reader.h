// Reading a script file one group at a time. The whole file is read and
// checked once (well-formed, an element's attributes within bound) and its
// groups counted before the first group is handed out: the progress bar
// needs the count, and a file broken near its end must fail before its
// first statement runs. The groups read meanwhile are kept (in memory, a
// long file's in a temporary file: script_reader_spool.h) and handed out
// from there. Texts are ANSI (code page 1251); the file's own encoding is
// converted on reading (script_reader_text.h).
#pragma once

#include <QFile>
#include <QXmlStreamReader>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace app {

class TScriptText;
class TScriptGroupSpool;

// A group or statement element of a script file.
struct TScriptElement {
  std::string name;
  // In the order the file writes them.
  std::vector<std::pair<std::string, std::string>> attributes;
  // A statement's text: the value of the element's first child node (text,
  // CDATA section, comment or processing instruction), "" when it has
  // none or the first child is an element.
  std::string text;

  bool HasAttribute(std::string_view attribute) const;
  // "" when absent.
  std::string Attribute(std::string_view attribute) const;
};

struct TScriptGroup {
  TScriptElement element;
  std::vector<TScriptElement> statements;  // the group's child elements
};

class TScriptReader {
 public:
  // Opens the file at `path` (ANSI) and reads it through once. Raises
  // EScriptFileError for a file that cannot be opened, is not well-formed
  // XML or whose document element is not SCRIPTS.
  explicit TScriptReader(const std::string& path);
  ~TScriptReader();
  TScriptReader(const TScriptReader&) = delete;
  TScriptReader& operator=(const TScriptReader&) = delete;

  // The number of elements below SCRIPTS.
  int GroupCount() const { return group_count_; }
  // The next group in document order; false after the last one.
  bool NextGroup(TScriptGroup& group);

 private:
  void CheckAndCount();
  void ReadGroup(TScriptGroup& group);
  [[noreturn]] void RaiseParseError() const;

  std::string path_;
  QFile file_;
  // The file's characters as the XML reader reads them, past the bound on
  // an element's attributes.
  std::unique_ptr<TScriptText> text_;
  std::unique_ptr<QXmlStreamReader> reader_;
  std::unique_ptr<TScriptGroupSpool> groups_;
  int group_count_ = 0;
};

}  // namespace app
