// Oracle object names as the object calls and the dictionary want them: each
// dot-separated part in double quotes, unquoted parts upper-cased.
#pragma once

#include <string>

namespace oracle {

// A.B becomes "A"."B".
std::string QuoteOraName(const std::string& name);
// Each part trimmed; a part not already in double quotes is upper-cased and
// quoted.
std::string NormalizeOraName(const std::string& name);
// Longer than one character, with double quotes at both ends.
bool IsQuotedName(const std::string& name);
// Strips one pair of enclosing double quotes.
std::string UnquoteName(const std::string& name);

}  // namespace oracle
