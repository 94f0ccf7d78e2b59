// One running copy of the updater per program file: a second copy started
// from the same place says so and ends before it makes any window.
#pragma once

#include <memory>

#include "platform/single_instance.h"

class QString;

namespace app {

// The lock held for the life of the process; null until taken.
extern std::unique_ptr<platform::SingleInstanceLock> InstanceMutex;

extern const QString kAlreadyRunningText;
extern const QString kAlreadyRunningCaption;

// Takes the lock for the running program's file. True when another copy
// holds it; raises EOSError when no lock could be made at all (the runtime
// folder is refused or cannot be made).
bool InstanceAlreadyRunning();
// The box of a second copy: no owner window, error icon.
void ShowAlreadyRunningMessage();

// True when this copy may run; otherwise a message (another copy runs, or
// why no lock could be made) has been shown and the caller ends the process.
bool InitializeOneHist();
// Releases the lock.
void FinalizeOneHist();

}  // namespace app
