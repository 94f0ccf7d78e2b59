#include "dacore/util_string_builder.h"

#include <cstring>

namespace dacore {

StringBuilder::StringBuilder(int capacity) : buffer_(static_cast<std::size_t>(capacity), '\0') {}

StringBuilder::StringBuilder(std::string_view value, int capacity) : StringBuilder(capacity) {
  AppendString(value);
}

void StringBuilder::Reserve(int needed) {
  if (Capacity() - used_ < needed) buffer_.resize(static_cast<std::size_t>(used_ + needed + Capacity() / 2));
}

void StringBuilder::AppendString(std::string_view s) {
  if (s.empty()) return;
  const int n = static_cast<int>(s.size());
  Reserve(n);
  std::memcpy(buffer_.data() + used_, s.data(), s.size());
  used_ += n;
}

void StringBuilder::AppendChar(char ch) {
  Reserve(1);
  buffer_[static_cast<std::size_t>(used_++)] = ch;
}

void StringBuilder::AppendBuilder(const StringBuilder* other) {
  if (other) AppendString(std::string_view(other->buffer_.data(), static_cast<std::size_t>(other->used_)));
}

void StringBuilder::SetLength(int n) {
  Reserve(n);
  used_ = n;
}

int StringBuilder::IndexOf(std::string_view s, int from) const {
  const std::string_view used(buffer_.data(), static_cast<std::size_t>(used_));
  const std::size_t at = used.find(s, static_cast<std::size_t>(from - 1));
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

void StringBuilder::Replace(std::string_view old_text, std::string_view new_text) {
  // An empty search text would be found at every position forever.
  if (old_text.empty()) return;
  const int old_len = static_cast<int>(old_text.size());
  const int new_len = static_cast<int>(new_text.size());
  for (int pos = IndexOf(old_text, 1); pos > 0; pos = IndexOf(old_text, pos + new_len)) {
    const int tail = used_ - (pos - 1 + old_len);
    if (new_len > old_len) Reserve(new_len - old_len);
    char* at = buffer_.data() + pos - 1;
    std::memmove(at + new_len, at + old_len, static_cast<std::size_t>(tail));
    if (new_len > 0) std::memcpy(at, new_text.data(), new_text.size());
    used_ += new_len - old_len;
  }
}

}  // namespace dacore
