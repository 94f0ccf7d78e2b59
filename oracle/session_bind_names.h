// The placeholders of a statement in the order they first appear: ":name"
// or ":1", a colon followed at once by a name, keyword or number outside
// literals, comments and wrapped PL/SQL. A name used twice is one
// placeholder (the server binds by name).
#pragma once

#include <string>
#include <vector>

namespace oracle {

// The names with their colon (":Result"), as they are bound.
std::vector<std::string> BindNamesOf(const std::string& sql);

}  // namespace oracle
