// The folder where this user's processes meet: window sockets, the atom
// table and the namespace of named shared objects live here.
#pragma once

#include <string>

namespace platform {

// UPDATER_RUNTIME_DIR, else $XDG_RUNTIME_DIR, else /tmp/updater-<uid>.
// The folder is created with mode 0700 when missing; raises EOSError when it
// cannot be created.
std::string RuntimeDir();

}  // namespace platform
