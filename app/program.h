// The updater from start to end: the single-instance guard before anything
// else, the window and its message loop, then the release of what the run
// kept, in the reverse order.
#pragma once

#include <memory>

class QTranslator;

namespace app {

class TfrmUpdate;
class TTerminationSignals;

// Returns the process's exit code: 0 after a normal close, 1 when another
// copy of the program runs.
int RunUpdater(int argc, char** argv);

// Qt's own Russian texts (standard buttons, file dialog) into `translator`,
// installed when found; the program speaks Russian whatever the locale.
void LoadQtTranslations(QTranslator& translator);

// SIGTERM, SIGINT and SIGHUP close `window` as the user's close does (after
// a run under way); the signals must be blocked (BlockTerminationSignals).
std::unique_ptr<TTerminationSignals> CloseOnTerminationSignals(TfrmUpdate& window);

// Releases the updater's globals at the end of the process.
void FinalizeUExecute();

}  // namespace app
