// Process-wide hooks of the record store: the data-access components call
// StartWait/StopWait around long operations so that a user interface can
// show a busy cursor, and ask the design host's name. All unset at start-up.
#pragma once

#include <string>

namespace dacore {

using TWaitProc = void (*)();
using TDesignHostNameProc = void (*)(std::string& name);

void SetStartWaitProc(TWaitProc proc);
void SetStopWaitProc(TWaitProc proc);
void SetDesignHostNameProc(TDesignHostNameProc proc);

void StartWait();
void StopWait();
// The name of the design environment; "" without a hook.
void GetDesignHostName(std::string& name);

}  // namespace dacore
