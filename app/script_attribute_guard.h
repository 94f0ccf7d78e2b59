// A bound on the attributes of one element of a script file, checked on the
// file's characters before the XML reader sees them. The reader compares
// each attribute with every earlier one of its element, so an element with
// tens of thousands of attributes takes seconds; a release needs a handful
// per element plus the numbered pairs of its binary columns. A document
// type declaration with an internal subset is refused as well: its
// attribute defaults would be added to elements behind the guard's back,
// and the format needs none.
#pragma once

#include <cstddef>

namespace app {

// The most attributes an element of a script file may have: the pairs of a
// table with more binary columns than any server lets a table have (SQL
// Server's 1024 columns, Oracle's 1000), with room to spare.
inline constexpr int kMaxScriptAttributes = 2048;

// Follows the markup of the text it is fed, piece by piece, counting the
// attributes of each start tag (a "=" outside quoted values), and stops at
// the first element that has more than the bound, or at the "[" that opens
// a document type's internal subset. Comments, CDATA sections, processing
// instructions and declarations are passed over. The text is the decoded
// characters (UTF-16 code units), the very ones the XML reader is given:
// the guard knows nothing of the file's encoding.
class TScriptAttributeGuard {
 public:
  enum class TRefusal { kNone, kTooManyAttributes, kInternalSubset };

  explicit TScriptAttributeGuard(int max_attributes = kMaxScriptAttributes)
      : max_attributes_(max_attributes) {}

  // How many of the `size` code units may go on to the reader: all of
  // them, or those before the refused one.
  std::size_t Feed(const char16_t* text, std::size_t size);
  // True once the text was refused; why, and the line its markup begins on.
  bool Exceeded() const { return refusal_ != TRefusal::kNone; }
  TRefusal Refusal() const { return refusal_; }
  int Line() const { return tag_line_; }

 private:
  enum class TState {
    kText, kTagOpen, kBang, kStartTag, kQuoted, kEndTag, kComment, kCData, kInstruction,
    kDeclaration
  };

  char16_t StopCharacter() const;
  bool Step(char c);
  void StartMarkup(char c);
  void OpenBang(char c);
  bool Refuse(TRefusal refusal);

  int max_attributes_;
  TState state_ = TState::kText;
  TState quoted_in_ = TState::kStartTag;  // where a quoted value belongs
  char quote_ = 0;
  int attributes_ = 0;
  int prefix_ = 0;  // characters of "<!--" or "<![CDATA[" matched
  char last_ = 0, before_last_ = 0;
  int line_ = 1;
  int tag_line_ = 1;
  TRefusal refusal_ = TRefusal::kNone;
};

}  // namespace app
