// A program on the original system receives its command line as one text
// and splits it into arguments itself, by the rules of the C runtime. Our
// children receive an argument vector, so the updater splits the line the
// same way before starting them: programs get exactly the arguments they
// would have got there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace app {

// Splits a whole command line, program name first:
// - the program name runs to the next blank, or, when it starts with a
//   double quote, to the next double quote; it knows no escapes;
// - arguments are separated by blanks and tabs outside double quotes;
// - 2n backslashes before a double quote give n backslashes and the quote
//   opens or closes a quoted part; 2n+1 give n backslashes and a literal
//   quote; backslashes before anything else are literal;
// - inside a quoted part two double quotes give one literal quote.
// An empty or all-blank line gives no arguments at all.
std::vector<std::string> SplitCommandLine(std::string_view line);

}  // namespace app
