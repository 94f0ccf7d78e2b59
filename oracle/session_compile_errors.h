// The stored unit or view a CREATE statement makes, as the data dictionary
// names it, for the session's question about its compilation errors.
#pragma once

#include <optional>
#include <string>

namespace oracle {

struct TStoredUnit {
  std::string name;  // a quoted name as written, any other upper-cased
  std::string type;  // as USER_ERRORS writes it: "PACKAGE BODY", "VIEW" ...
};

// CREATE [OR REPLACE] [FORCE] PROCEDURE | FUNCTION | PACKAGE [BODY] |
// TRIGGER | TYPE [BODY] | VIEW [schema.]name ...; nothing for any other text.
std::optional<TStoredUnit> StoredUnitOf(const std::string& sql);

// The PL/SQL block that lists a unit's errors from USER_ERRORS into
// :Result, given :Name and :Type.
extern const char* const kCompileErrorsBlock;

}  // namespace oracle
