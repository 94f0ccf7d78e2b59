// Conditions on the database schema that decide whether a group or a
// statement of a script file runs: "EXIST_TABLE(BOOKS);" and the like,
// tested against the catalogue of the connection's server kind.
#pragma once

#include <string>

#include "app/execute_statement.h"
#include "app/progress_view.h"
#include "app/script_reader.h"

namespace app {

// What a running script file lends to the tests of its conditions.
struct TScriptContext {
  IScriptConnection& connection;
  IProgressView& view;
  // Unmet terms are written to the details list (the "LOGCHECKERROR" switch).
  bool log_check_errors = false;
  // The source of every block written while the file runs.
  std::string script_path;
};

// The element's "CONDITION" attribute: true when it is absent or blank, else
// the outcome of CheckConditionText.
bool CheckScriptCondition(const TScriptContext& context, const TScriptElement& element);

// A condition is a list of terms NAME(ARGUMENTS), each ended by ";", read
// in upper case; text after the last ";" is ignored. Every term is tested
// and the last one decides; an earlier unmet term only shows in the log.
// A "NOT_" prefix inverts a term; a name the server kind does not know
// leaves the outcome of the previous term (not met for the first). Catalogue
// failures raise; the connection's query is closed in every case.
bool CheckConditionText(const TScriptContext& context, const std::string& condition);

// `value` as an SQL string literal: in apostrophes, inner ones doubled.
std::string SqlLiteral(const std::string& value);

}  // namespace app
