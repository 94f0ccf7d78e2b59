// The text a lexer scans: a string scanned in place, or a stream read in
// windows of 65536 bytes. Stream windows are dropped once the scanner no
// longer needs them, so a long script is never held whole.
#pragma once

#include <deque>
#include <string>

#include "classlib/stream.h"

namespace dacore {

class TLexerSource {
 public:
  static constexpr int kWindowSize = 65536;

  explicit TLexerSource(std::string text = std::string()) : text_(std::move(text)) {}
  // The stream is read from its position; it must outlive the source.
  explicit TLexerSource(classlib::TStream& stream) : stream_(&stream) {}

  bool FromStream() const { return stream_ != nullptr; }
  // Whether position pos (1-based) holds a character; reads more of a
  // stream when needed.
  bool Has(int pos) {
    if (!stream_) return pos >= 1 && pos <= static_cast<int>(text_.size());
    return pos >= 1 && LoadThrough(pos);
  }
  // The character at pos, '\0' beyond the text.
  char At(int pos) {
    if (!stream_) return pos >= 1 && pos <= static_cast<int>(text_.size()) ? text_[static_cast<size_t>(pos - 1)] : '\0';
    return Has(pos) ? WindowChar(pos) : '\0';
  }
  // The characters from `from` up to but not including `to`.
  std::string Slice(int from, int to);
  // Lets go of stream windows that end before pos.
  void ReleaseBefore(int pos);

 private:
  bool LoadThrough(int pos);
  char WindowChar(int pos);

  std::string text_;
  classlib::TStream* stream_ = nullptr;
  std::deque<std::string> windows_;  // every window but the last is full
  int first_pos_ = 1;                // position of the first kept window's first character
  int loaded_end_ = 0;               // position of the last character read
  bool stream_end_ = false;
};

}  // namespace dacore
