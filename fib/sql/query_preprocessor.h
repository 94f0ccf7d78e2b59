// The client side of a statement's text: finding the parameter and macro
// markers, turning the text into the server's form with "?" in their place,
// and rewriting a working copy with macro values and NULL tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fib {

// One marker of the SQL text, in the order it appears.
struct SQLMarker {
  // The name without the marker character and without enclosing quotes;
  // a macro's name keeps its leading "@" and its "%default" part.
  std::string name;
  bool quoted = false;
  bool macro = false;
  // "||", "*", "+", "-" or "/" follows the name: the marker is part of an
  // expression rather than a whole operand.
  bool operator_follows = false;
  // The marker stands in a search condition (WHERE, HAVING, ON, WHEN), so
  // a comparison with it may become a NULL test.
  bool in_condition = false;
  // [start, end) in the SQL text, the marker character included.
  int start = 0;
  int end = 0;
};

struct PreprocessedSQL {
  std::string server_text;
  std::vector<SQLMarker> markers;
};

struct PreprocessOptions {
  bool check_params = true;
  // The statement is an EXECUTE BLOCK: from its BEGIN on, ":" is the
  // block's own variable reference.
  bool executable_block = false;
  char macro_char = '@';
  // Names the statement in parse errors.
  std::string owner_name;
};

// What the SQL parser makes of a text, as far as markers care: DDL bodies
// (procedures, triggers) carry ":" references of their own, and an EXECUTE
// BLOCK's body from its BEGIN on.
enum class TextKind { kPlain, kDDL, kExecuteBlock };
TextKind ClassifySQLText(const std::string& sql);

// Client error 51 for a text ending inside a comment or quoted text, or a
// marker without a name.
PreprocessedSQL PreprocessSQL(std::string_view sql, const PreprocessOptions& options);

// A macro marker's name split into the name and its default value.
struct MacroName {
  std::string name;  // "@" and the name, without the default
  std::string default_value;
  bool quoted = false;  // the default began with "#"
};
MacroName SplitMacroName(const std::string& marker_name);

// What to put in place of one marker when rewriting.
struct MarkerEdit {
  enum Kind { kMacro, kNullTest };
  Kind kind = kMacro;
  int start = 0;
  int end = 0;
  std::string value;  // the macro's text, already quoted when asked
};

// Applies `edits` (in marker order) to `sql`. A NULL test turns "= :P"
// into " IS NULL " and "<> :P" (or "!=", "^=", "~=") into " IS NOT NULL ";
// any other operator leaves the marker in place. Answers whether any edit
// changed the text.
bool RewriteSQL(std::string& sql, const std::vector<MarkerEdit>& edits);

}  // namespace fib
