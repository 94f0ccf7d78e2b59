// The catalogue test behind each condition name, per server kind.
#pragma once

#include <string>

#include "app/execute_statement.h"

namespace app {

enum class TConditionTest {
  Unknown,   // the name is none of the conditions
  Never,     // the server kind has no such object: never met
  Tables,    // the first argument is in the connection's table list
  Fields,    // the second argument is in the field list of the first
  Count,     // the query's first column is above 0
  HasRow,    // the query returns a row
};

struct TConditionQuery {
  TConditionTest test = TConditionTest::Unknown;
  std::string sql;  // for Count and HasRow, the arguments already in place
};

// The test of `name` (without "NOT_") for the server kind, with the
// arguments written into its query as SQL literals.
TConditionQuery ConditionQuery(TScriptServer server, const std::string& name,
                               const std::string& first, const std::string& second);

}  // namespace app
