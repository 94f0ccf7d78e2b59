// Preparing the update after a successful login: the update description of
// the release, the folders and preferences behind the macros, the installed
// products, the native connection with the stored database account and the
// database's current release.
#pragma once

#include <string>

#include "app/prepare_update_native.h"

class QWidget;

namespace app {

class IProgressView;

// Where the release's files lie: $UPDATER_RELEASE_DIR when set (an
// installation that keeps the release apart from the program, and tests),
// else the program's own folder. ANSI, with a trailing path delimiter.
std::string ReleaseFolder();

struct TPreparationTarget {
  QWidget* owner = nullptr;       // owns the message boxes
  IProgressView* view = nullptr;  // its state images are reset
  TNativeConnections connections;
};

// False only when the description is missing or cannot be used; the reason
// has then been shown in a message box and nothing of the run state that
// depends on the description was changed. Everything else that cannot be
// read leaves its value empty or at its default, silently.
bool PrepareUpdate(const TPreparationTarget& target);

// The description's texts into the run state: the two flags, the start list
// (trimmed, ";" appended), the result release and the instruction file,
// which only a description without VERSIONS names.
void ApplyUpdateDescription();

}  // namespace app
