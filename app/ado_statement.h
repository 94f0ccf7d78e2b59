// What the ADO stand-in needs to know of a statement's text.
#pragma once

#include <string>
#include <string_view>

namespace app {

// The table a "SELECT ... FROM table [alias] [WHERE ...]" reads, as written
// (brackets, quotes and owner prefix kept); empty when the statement reads no
// table or more than one (a join, a list of tables), so that its rows cannot
// be written back to one table.
std::string SingleBaseTable(std::string_view statement);

}  // namespace app
