// Whether a process recorded earlier still runs. A process id alone is not
// enough after a crash or a restart: the id may since belong to another
// process, so records also keep a mark of the process's start.
#pragma once

#include <string>
#include <sys/types.h>

namespace platform {

// True while a process with this id exists (also one of another user).
bool ProcessExists(pid_t pid);

// "<boot id>/<start time in clock ticks>" of a running process, unique for
// the life of the machine and across restarts; empty when it is gone.
std::string ProcessStartMark(pid_t pid);

// True when the process that had this id and start mark still runs.
bool ProcessStillRuns(pid_t pid, const std::string& start_mark);

}  // namespace platform
