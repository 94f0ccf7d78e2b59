#include "app/command_line_split.h"

namespace app {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void SkipBlanks(std::string_view line, std::size_t& at) {
  while (at < line.size() && IsBlank(line[at])) ++at;
}

std::string ProgramName(std::string_view line, std::size_t& at) {
  std::string name;
  if (line[at] == '"') {
    ++at;
    while (at < line.size() && line[at] != '"') name += line[at++];
    if (at < line.size()) ++at;  // the closing quote
  } else {
    while (at < line.size() && !IsBlank(line[at])) name += line[at++];
  }
  return name;
}

std::string Argument(std::string_view line, std::size_t& at) {
  std::string argument;
  bool quoted = false;
  while (at < line.size()) {
    char c = line[at];
    if (c == '\\') {
      std::size_t backslashes = 0;
      while (at < line.size() && line[at] == '\\') {
        ++backslashes;
        ++at;
      }
      if (at < line.size() && line[at] == '"') {
        argument.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          argument += '"';
          ++at;
        }
        // An even run leaves the quote to toggle the quoted part below.
      } else {
        argument.append(backslashes, '\\');
      }
      continue;
    }
    if (c == '"') {
      if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
        argument += '"';
        at += 2;
      } else {
        quoted = !quoted;
        ++at;
      }
      continue;
    }
    if (!quoted && IsBlank(c)) break;
    argument += c;
    ++at;
  }
  return argument;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> arguments;
  std::size_t at = 0;
  SkipBlanks(line, at);
  if (at >= line.size()) return arguments;
  arguments.push_back(ProgramName(line, at));
  for (SkipBlanks(line, at); at < line.size(); SkipBlanks(line, at))
    arguments.push_back(Argument(line, at));
  return arguments;
}

}  // namespace app
