#include "oracle/object_path.h"

#include <charconv>

#include "classlib/ansistr.h"
#include "oracle/error_raise.h"

namespace oracle {

namespace {

[[noreturn]] void InvalidName() { RaiseOraException("Invalid attribute name"); }

// The selector "[n]" at text[at]; returns the position after "]".
std::size_t ReadIndex(const std::string& text, std::size_t at, TPathStep& step) {
  const std::size_t close = text.find(']', at);
  if (close == std::string::npos) InvalidName();
  const std::string number = classlib::Trim(std::string_view(text).substr(at + 1, close - at - 1));
  int32_t index = 0;
  auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), index);
  if (number.empty() || error != std::errc() || end != number.data() + number.size() || index < 0)
    InvalidName();
  step.is_index = true;
  step.index = index;
  return close + 1;
}

}  // namespace

std::vector<TPathStep> ParseAttributePath(const std::string& path) {
  const std::string text = classlib::AnsiUpperCase(classlib::Trim(path));
  std::vector<TPathStep> steps;
  std::size_t at = 0;
  bool expect_name = true;
  while (at < text.size()) {
    TPathStep step;
    if (text[at] == '[') {
      at = ReadIndex(text, at, step);
      steps.push_back(step);
      if (at < text.size() && text[at] == '.') {
        ++at;
        if (at == text.size()) InvalidName();
        expect_name = true;
      } else if (at < text.size() && text[at] != '[') {
        InvalidName();
      }
      continue;
    }
    if (!expect_name) InvalidName();
    const std::size_t end = text.find_first_of(".[]", at);
    // A "]" belongs to a selector only: inside or after a name it is refused.
    if (end != std::string::npos && text[end] == ']') InvalidName();
    step.name = classlib::Trim(std::string_view(text).substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (step.name.empty()) InvalidName();
    steps.push_back(step);
    at = end == std::string::npos ? text.size() : end;
    expect_name = false;
    if (at < text.size() && text[at] == '.') {
      ++at;
      if (at == text.size()) InvalidName();
      expect_name = true;
    }
  }
  if (steps.empty()) InvalidName();
  return steps;
}

}  // namespace oracle
