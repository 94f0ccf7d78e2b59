// The updater from start to end: the single-instance guard before anything
// else, the window and its message loop, then the release of what the run
// kept, in the reverse order.
#pragma once

namespace app {

// Returns the process's exit code: 0 after a normal close, 1 when another
// copy of the program runs.
int RunUpdater(int argc, char** argv);

// Releases the updater's globals at the end of the process.
void FinalizeUExecute();

}  // namespace app
