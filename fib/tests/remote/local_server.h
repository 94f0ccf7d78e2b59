// The local Firebird server the remote tests attach to ("localhost:" +
// path): whether it answers, and the SYSDBA password the test script set.
#pragma once

#include <string>

namespace fib_test {

// True when something accepts connections on 127.0.0.1:3050.
bool LocalServerAnswers();

// UPDATER_FB_PASSWORD, or "masterkey" when it is not set.
std::string ServerPassword();

// What a test says when it skips for want of a server.
inline constexpr const char* kNoServerMessage =
    "no Firebird server answers on 127.0.0.1:3050; start one with scripts/firebird-server.sh start";

}  // namespace fib_test
