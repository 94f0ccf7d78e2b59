// Attribute paths of object values: names separated by ".", each followed by
// any number of element selectors "[n]" (ADDRESS.LINES[2].TEXT). Paths come
// from users and field names, so the parser refuses what it cannot read
// with "Invalid attribute name" instead of guessing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oracle {

struct TPathStep {
  bool is_index = false;
  std::string name;   // upper-cased; empty for an element selector
  int32_t index = 0;  // the element index of a selector (0-based, as the object cache counts)
};

std::vector<TPathStep> ParseAttributePath(const std::string& path);

}  // namespace oracle
