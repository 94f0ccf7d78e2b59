#include "oracle/session_object_lists.h"

namespace oracle {

std::vector<std::string> MergeSortedNames(const std::vector<std::string>& first,
                                          const std::vector<std::string>& second) {
  std::vector<std::string> merged;
  merged.reserve(first.size() + second.size());
  auto a = first.begin(), b = second.begin();
  while (a != first.end() && b != second.end()) merged.push_back(*b < *a ? *b++ : *a++);
  merged.insert(merged.end(), a, first.end());
  merged.insert(merged.end(), b, second.end());
  return merged;
}

}  // namespace oracle
