// Passwords never reach a log in clear. Logged texts are command lines of
// auxiliary programs, statements after macro expansion, connection strings
// and the error texts that servers and programs send back; any of them may
// hold the product user's or the database account's password.
#pragma once

#include <string>

namespace app {

// True for the name of a password pair: it ends in PASSWORD, or is PWD, in
// any letter case.
bool IsPasswordName(const std::string& name);

// What a hidden password reads as.
inline constexpr char kHiddenPassword[] = "***";

// Values of password pairs hidden: a name ending in PASSWORD, or PWD, in any
// case, then "=" (blanks around it allowed) and the value. A value in double
// quotes or apostrophes keeps its quotes (a doubled quote stays inside);
// another value runs to the next ";", quote or line end.
std::string HidePasswordPairs(const std::string& text);

// HidePasswordPairs, and every occurrence of the passwords the run holds
// (the product user's, the database account's, the first page's, and the
// settings tools' form of the latter) in any letter case, also with
// apostrophes doubled as a statement's literal has them. Values shorter than kShortestHiddenValue
// are left to the pairs and to the macros that put them in: hiding every
// "a" of a log would make it unreadable and still tell the password.
std::string HidePasswords(const std::string& text);

inline constexpr size_t kShortestHiddenValue = 4;

}  // namespace app
