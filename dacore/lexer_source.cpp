// Stream windows of the lexer's text.
#include "dacore/lexer_source.h"

#include <algorithm>

#include "classlib/exceptions.h"
#include "dacore/util_string_builder.h"

namespace dacore {

bool TLexerSource::LoadThrough(int pos) {
  while (loaded_end_ < pos && !stream_end_) {
    std::string window(kWindowSize, '\0');
    int got = 0;
    while (got < kWindowSize) {
      const int n = stream_->Read(window.data() + got, kWindowSize - got);
      if (n <= 0) break;
      got += n;
    }
    if (got < kWindowSize) stream_end_ = true;
    if (got == 0) break;
    window.resize(static_cast<size_t>(got));
    loaded_end_ += got;
    windows_.push_back(std::move(window));
  }
  return pos <= loaded_end_;
}

char TLexerSource::WindowChar(int pos) {
  // A position before the oldest kept window cannot be read again.
  CLASSLIB_ASSERT(pos >= first_pos_);
  const int offset = pos - first_pos_;
  return windows_[static_cast<size_t>(offset / kWindowSize)][static_cast<size_t>(offset % kWindowSize)];
}

std::string TLexerSource::Slice(int from, int to) {
  if (to <= from) return std::string();
  if (!stream_) {
    const int size = static_cast<int>(text_.size());
    if (from < 1) from = 1;
    if (to > size + 1) to = size + 1;
    return to > from ? text_.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from)) : std::string();
  }
  LoadThrough(to - 1);
  if (to > loaded_end_ + 1) to = loaded_end_ + 1;
  CLASSLIB_ASSERT(from >= first_pos_);
  StringBuilder pieces(to - from);
  while (from < to) {
    const int offset = from - first_pos_;
    const std::string& window = windows_[static_cast<size_t>(offset / kWindowSize)];
    const int in_window = offset % kWindowSize;
    const int n = std::min(to - from, static_cast<int>(window.size()) - in_window);
    pieces.AppendString(std::string_view(window).substr(static_cast<size_t>(in_window), static_cast<size_t>(n)));
    from += n;
  }
  return pieces.ToString();
}

void TLexerSource::ReleaseBefore(int pos) {
  if (!stream_) return;
  while (windows_.size() > 1 && first_pos_ + kWindowSize <= pos) {
    windows_.pop_front();
    first_pos_ += kWindowSize;
  }
}

}  // namespace dacore
