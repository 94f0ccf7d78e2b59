// How a trace text is put into the shared block: control bytes are escaped
// so a monitor can show the text as it is, and the escaped text travels in
// chunks that fit the block.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fib {

// Every byte below 32 other than tab, line feed and carriage return becomes
// "#$" and two upper-case hexadecimal digits.
std::string EscapeMonitorText(std::string_view text);

// The text cut into pieces of at most `chunk_size` bytes, in order; an empty
// text gives no chunk.
std::vector<std::string_view> SplitMonitorChunks(std::string_view text, std::size_t chunk_size);

}  // namespace fib
