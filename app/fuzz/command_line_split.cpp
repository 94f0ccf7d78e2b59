// Command lines of auxiliary programs are written in the update description:
// any line must split into arguments, and a line without quotes or
// backslashes splits into its blank-separated words.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line_split.h"
#include "testing/fuzz_input.h"

namespace {

std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  for (char c : line) {
    if (c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line = testing_fuzz::TextOf(data, size);
  const std::vector<std::string> arguments = app::SplitCommandLine(line);
  if (line.find_first_of("\"\\\n\r") == std::string_view::npos && arguments != Words(line))
    std::abort();
  return 0;
}
