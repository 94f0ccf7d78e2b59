#include "app/shell_open.h"

#include "app/run_process.h"
#include "classlib/stream.h"

namespace app {

// The desktop's opener is started as the auxiliary programs are, with the
// termination signals unblocked: it and the program it starts must end as
// usual, while the updater keeps them blocked for itself. It is left to run
// on its own and reaped once it ends.
bool TDesktopShellOpen::Open(const std::string& ansi_path) {
  const std::string path = classlib::NativeFileName(ansi_path);
  int error = 0;
  return TChildProcess::Start(opener_, {opener_, path}, "", error) != nullptr;
}

}  // namespace app
