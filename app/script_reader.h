// Reading a script file one group at a time. The file is streamed, never
// held whole: a first pass checks that it is well-formed and counts the
// groups (the progress bar needs the count before the first group runs),
// the second hands out one group with its statements at a time; the XML
// reader is given the file a kilobyte at a time, so its buffers stay as
// small for a long file as for a short one. Texts are
// ANSI (code page 1251); the file's own encoding is converted on reading.
#pragma once

#include <QFile>
#include <QXmlStreamReader>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace app {

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
  [[noreturn]] void RaiseParseError() const;
  void NewReader();
  void Restart();

  std::string path_;
  QFile file_;
  // The file in small pieces, as the XML reader reads it.
  std::unique_ptr<QIODevice> pieces_;
  std::unique_ptr<QXmlStreamReader> reader_;
  int group_count_ = 0;
};

}  // namespace app
