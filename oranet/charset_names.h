// The database's character set names and their numeric ids, which are what
// the protocol carries. A session may name its client character set; the
// name is looked up here, ignoring case.
#pragma once

#include <string>

namespace oranet {

// "DEFAULT" names this id: the server's own character set.
constexpr int kCharsetDefault = -1;

// The id of a character set name (blanks around it ignored); false when
// the name is unknown.
bool FindCharsetId(const std::string& name, int& id);
// As FindCharsetId; an unknown name raises "Unknown charset".
int CharsetIdOf(const std::string& name);
// The number of names known (several ids have two).
int CharsetNameCount();

}  // namespace oranet
