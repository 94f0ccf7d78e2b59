#include "app/fib_window_hooks.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QThread>

#include "app/db_login_dialog.h"
#include "app/message_boxes.h"
#include "app/qt_posted_calls.h"
#include "app/qt_text.h"
#include "fib/base/fib_timer.h"
#include "fib/base/screen_cursor.h"
#include "fib/zod/zod_database_app.h"
#include "fib/zod/zod_database_login.h"

namespace app {
namespace {

// Cursors live on the window's thread; statements may run on another one,
// whose calls are queued there in their order.
template <typename Work>
void OnWindowThread(TPostedCalls& window_calls, Work&& work) {
  if (QCoreApplication::instance() == nullptr) return;
  if (QThread::currentThread() == window_calls.thread())
    work();
  else
    window_calls.Post(std::forward<Work>(work));
}

}  // namespace

Qt::CursorShape CursorShapeOf(int cursor) {
  switch (cursor) {
    case -1: return Qt::BlankCursor;        // crNone
    case -2: return Qt::ArrowCursor;        // crArrow
    case -3: return Qt::CrossCursor;        // crCross
    case -4: return Qt::IBeamCursor;        // crIBeam
    case -6: return Qt::SizeBDiagCursor;    // crSizeNESW
    case -7: return Qt::SizeVerCursor;      // crSizeNS
    case -8: return Qt::SizeFDiagCursor;    // crSizeNWSE
    case -9: return Qt::SizeHorCursor;      // crSizeWE
    case -10: return Qt::UpArrowCursor;     // crUpArrow
    case -12: return Qt::DragMoveCursor;    // crDrag
    case -13: case -18: return Qt::ForbiddenCursor;  // crNoDrop, crNo
    case -14: return Qt::SplitHCursor;      // crHSplit
    case -15: return Qt::SplitVCursor;      // crVSplit
    case -17: case -19: return Qt::BusyCursor;  // crSQLWait, crAppStart
    case -20: return Qt::WhatsThisCursor;   // crHelp
    case -21: return Qt::PointingHandCursor;  // crHandPoint
    case -22: return Qt::SizeAllCursor;     // crSizeAll
    default: return Qt::WaitCursor;         // crHourGlass and the rest
  }
}

TFibWindowHooks::TFibWindowHooks() : window_calls_(std::make_unique<TPostedCalls>()) {
  TPostedCalls* const calls = window_calls_.get();
  fib::InstallDBLoginDialog(&RunDBLoginDialog);
  fib::SetScreenCursorHooks(
      [calls](int cursor) {
        OnWindowThread(*calls,
                       [cursor] { QGuiApplication::setOverrideCursor(QCursor(CursorShapeOf(cursor))); });
      },
      [calls] { OnWindowThread(*calls, [] { QGuiApplication::restoreOverrideCursor(); }); });
  fib::SetTimerErrorHook(
      [](const std::exception& error) { ShowErrorBox(nullptr, QStringOfAnsi(error.what())); });
  fib::SetErrorMessageHook([calls](const std::string& message) {
    OnWindowThread(*calls, [message] { ShowErrorBox(nullptr, QStringOfAnsi(message)); });
  });
}

TFibWindowHooks::~TFibWindowHooks() {
  fib::SetErrorMessageHook(nullptr);
  fib::SetTimerErrorHook(nullptr);
  fib::SetScreenCursorHooks(nullptr, nullptr);
  fib::InstallDBLoginDialog(nullptr);
}

}  // namespace app
