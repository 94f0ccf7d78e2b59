// The outcome of waiting on a named mutex or event, as the Windows waits
// report it: signaled, abandoned (the holder died; we now hold it) or timed out.
#pragma once

#include <chrono>
#include <optional>

namespace platform {

enum class WaitResult { Signaled, Abandoned, Timeout };

// No value means wait without a time limit (INFINITE).
using WaitTimeout = std::optional<std::chrono::milliseconds>;

}  // namespace platform
