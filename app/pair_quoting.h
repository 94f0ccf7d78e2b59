// Values of name=value pairs in connection strings. A value that holds ";" or
// begins with a double quote is written in double quotes with inner quotes
// doubled, so a password such as "a;b" reads back whole; every other value is
// written as it stands.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace app {

// The value as it is written into a pair.
std::string QuotePairValue(std::string_view value);

// `text` begins at a value's opening quote. On success `value` is the text
// between the quotes (doubled quotes made single) and `end` the index just
// past the closing quote, which must be followed by ";" or the end of text;
// otherwise the value is not a quoted one and false is returned.
bool ReadQuotedPairValue(std::string_view text, std::string& value, std::size_t& end);

}  // namespace app
