// Macro tokens in texts taken from the update's files (statements, command
// lines, file names): "<LXDIR>" and the like name folders, accounts and
// settings of the installation and are replaced by their current values from
// the run state just before the text is used.
#pragma once

#include <string>

#include "app/macros_sql_tracker.h"

namespace app {

struct TMacroOptions {
  // The text is an SQL statement for the server kind DBType: a value put in
  // where the token stands inside a string literal has its apostrophes
  // doubled, inside a quoted or bracketed name its closing character, so
  // that a folder or user name holding one neither breaks the statement nor
  // changes it. Tokens elsewhere (in code, in comments, in alternative-quoted
  // literals) give their values as they are; a value that would end the
  // literal, name or comment around it raises EMacroValueError
  // (macros_sql_tracker.h lists each kind's forms).
  bool statement = false;
  // The text is for a log: the password tokens give kHiddenPassword, and
  // "<CON_STRING>" its password pairs hidden (password_mask.h).
  bool hide_passwords = false;
};

// Replaces every known token (a "<", up to the first ">" after it, matched in
// any letter case) by its value. Values may hold tokens themselves (a
// preference folder written as "<LXDIR>Temp"); those are expanded too, to a
// depth of kMaxMacroNesting, after which the rest of the text is left as it
// is (a value that names itself would never end). Unknown
// tokens and a "<" without a ">" stay as written: statements compare with
// "<" and ">" too, and their string literals must not change.
std::string ExpandMacros(const std::string& text, const TMacroOptions& options = {});

inline constexpr int kMaxMacroNesting = 8;

// The value a token stands for now; false for a text that is no token.
bool MacroValue(const std::string& upper_token, std::string& value);

}  // namespace app
