#include "oracle/object_names.h"

#include <vector>

#include "classlib/ansistr.h"

namespace oracle {

namespace {

// The parts between the dots outside double quotes, so a quoted name may
// hold a dot.
std::vector<std::string> PartsOf(const std::string& name) {
  std::vector<std::string> parts(1);
  bool quoted = false;
  for (char c : name) {
    if (c == '"') quoted = !quoted;
    if (c == '.' && !quoted) {
      parts.emplace_back();
      continue;
    }
    parts.back() += c;
  }
  return parts;
}

std::string JoinParts(const std::vector<std::string>& parts) {
  std::string joined;
  for (std::size_t i = 0; i < parts.size(); ++i) joined += (i ? "." : "") + parts[i];
  return joined;
}

}  // namespace

bool IsQuotedName(const std::string& name) {
  return name.size() > 1 && name.front() == '"' && name.back() == '"';
}

std::string UnquoteName(const std::string& name) {
  return IsQuotedName(name) ? name.substr(1, name.size() - 2) : name;
}

std::string QuoteOraName(const std::string& name) {
  std::vector<std::string> parts = PartsOf(name);
  for (std::string& part : parts) part = "\"" + part + "\"";
  return JoinParts(parts);
}

std::string NormalizeOraName(const std::string& name) {
  std::vector<std::string> parts = PartsOf(name);
  for (std::string& part : parts) {
    part = classlib::Trim(part);
    if (!IsQuotedName(part)) part = "\"" + classlib::AnsiUpperCase(part) + "\"";
  }
  return JoinParts(parts);
}

}  // namespace oracle
