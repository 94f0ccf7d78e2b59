// The names users write in DBParams and TRParams lines, and the codes the
// client library knows them by. Each name is the client library's isc_dpb_ or
// isc_tpb_ constant without its prefix; its code is the constant's value.
#pragma once

#include <string_view>

namespace fib {

constexpr int kDPBNameCount = 67;  // codes 1..67
constexpr int kTPBNameCount = 21;  // codes 1..21

// The code of a name without prefix (any case), 0 for a name not in the table.
int DPBCode(std::string_view name);
int TPBCode(std::string_view name);

// The table's name of a code, "" outside the table.
std::string_view DPBName(int code);
std::string_view TPBName(int code);

}  // namespace fib
