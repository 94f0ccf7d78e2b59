// A bound on the attributes of one element of a script file, checked on the
// file's bytes before the XML reader sees them. The reader compares each
// attribute with every earlier one of its element, so an element with tens
// of thousands of attributes takes seconds; a release needs a handful per
// element plus the numbered pairs of its binary columns.
#pragma once

#include <cstddef>

namespace app {

// The most attributes an element of a script file may have: the pairs of a
// table with more binary columns than any server lets a table have (SQL
// Server's 1024 columns, Oracle's 1000), with room to spare.
inline constexpr int kMaxScriptAttributes = 2048;

// Follows the markup of the bytes it is fed, piece by piece, counting the
// attributes of each start tag (a "=" outside quoted values), and stops at
// the first element that has more than the bound. Comments, CDATA sections,
// processing instructions and declarations are passed over; zero bytes are
// ignored, so a file in UTF-16 is followed as well.
class TScriptAttributeGuard {
 public:
  explicit TScriptAttributeGuard(int max_attributes = kMaxScriptAttributes)
      : max_attributes_(max_attributes) {}

  // How many of the `size` bytes may go on to the reader: all of them, or
  // those before the attribute that passes the bound.
  std::size_t Feed(const char* data, std::size_t size);
  // True once an element passed the bound; its start tag begins on Line().
  bool Exceeded() const { return exceeded_; }
  int Line() const { return tag_line_; }

 private:
  enum class TState {
    kText, kTagOpen, kBang, kStartTag, kQuoted, kEndTag, kComment, kCData, kInstruction,
    kDeclaration
  };

  bool Step(char c);
  void StartMarkup(char c);
  void OpenBang(char c);

  int max_attributes_;
  TState state_ = TState::kText;
  TState quoted_in_ = TState::kStartTag;  // where a quoted value belongs
  TState comment_in_ = TState::kText;     // a declaration may hold comments
  char quote_ = 0;
  int attributes_ = 0;
  int declaration_depth_ = 0;  // "[" of a document type's internal subset
  int prefix_ = 0;             // characters of "<!--" or "<![CDATA[" matched
  char last_ = 0, before_last_ = 0;
  int line_ = 1;
  int tag_line_ = 1;
  bool exceeded_ = false;
};

}  // namespace app
