#include "app/program.h"

#include <QApplication>

#include "app/instance_guard.h"
#include "app/main_window.h"
#include "app/qt_message_loop.h"
#include "app/run_state.h"
#include "platform/environment.h"

namespace app {

void FinalizeUExecute() { ResetRunState(); }

int RunUpdater(int argc, char** argv) {
  platform::SetCommandLine(argc, argv);
  // The application object comes first only because a message box needs
  // it; no window exists before the guard has spoken.
  QApplication application(argc, argv);
  if (!InitializeOneHist()) return 1;

  int code = 0;
  {
    QtMessageLoop loop;
    platform::MessageLoop::SetCurrent(&loop);
    {
      TfrmUpdate window;
      window.show();
      code = application.exec();
    }
    platform::MessageLoop::SetCurrent(nullptr);
  }
  FinalizeUExecute();
  FinalizeOneHist();
  return code;
}

}  // namespace app
