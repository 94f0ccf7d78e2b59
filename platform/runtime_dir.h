// The folder where this user's processes meet: window sockets, the atom
// table, the single-instance locks and the namespace of named shared objects
// live here.
#pragma once

#include <string>

namespace platform {

// UPDATER_RUNTIME_DIR, else $XDG_RUNTIME_DIR, else /tmp/updater-<uid>.
// The folder is created with mode 0700 when missing. Raises EOSError when it
// cannot be created, and when it is not a folder of this user that only this
// user may write: another user could otherwise put sockets or locks there
// that this program would trust.
std::string RuntimeDir();

}  // namespace platform
