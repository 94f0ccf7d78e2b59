// The merge of the two name lists of stored procedures: the stand-alone
// procedures and functions, and the packaged ones (with invalid packages
// marked " (INVALID)"), each already in order, into one ordered list.
#pragma once

#include <string>
#include <vector>

namespace oracle {

// Every name of both lists in byte order, the first list's first on a tie;
// neither list is cut short when the other ends.
std::vector<std::string> MergeSortedNames(const std::vector<std::string>& first,
                                          const std::vector<std::string>& second);

}  // namespace oracle
