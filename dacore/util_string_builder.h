// Builds statement texts and other strings piece by piece. The buffer grows
// by half its capacity beyond what is needed, so many small appends cost few
// reallocations.
#pragma once

#include <string>
#include <string_view>

#include "classlib/object.h"

namespace dacore {

class StringBuilder : public classlib::TObject {
  CLASSLIB_CLASS(StringBuilder, classlib::TObject)
 public:
  explicit StringBuilder(int capacity = 16);
  StringBuilder(std::string_view value, int capacity);

  void AppendString(std::string_view s);
  void AppendChar(char ch);
  // A nil or empty builder appends nothing.
  void AppendBuilder(const StringBuilder* other);

  // Sets the used length; characters beyond the old length are unspecified.
  void SetLength(int n);
  int Length() const { return used_; }
  int Capacity() const { return static_cast<int>(buffer_.size()); }

  // Replaces every occurrence of old_text in the used part; the search
  // resumes after each inserted text. An empty old_text changes nothing.
  void Replace(std::string_view old_text, std::string_view new_text);

  std::string ToString() const { return buffer_.substr(0, static_cast<std::size_t>(used_)); }

 private:
  // Grows the buffer when fewer than `needed` characters are free.
  void Reserve(int needed);
  // 1-based position of the first occurrence of s that starts at or after
  // from (1-based) and ends within the used part; 0 when none.
  int IndexOf(std::string_view s, int from) const;

  std::string buffer_;  // its size is the capacity
  int used_ = 0;
};

}  // namespace dacore
