// The third page's smaller buttons: the details list shown or hidden, the
// release's instructions and its folder.
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "app/main_window.h"
#include "app/message_boxes.h"
#include "app/qt_text.h"
#include "app/run_state.h"
#include "app/shell_open.h"
#include "classlib/stream.h"

namespace app {

namespace {

// Window heights with and without the details list, and the caption and
// borders they include, as the window was designed.
constexpr int kExpandedHeight = 500;
constexpr int kCollapsedHeight = 230;
constexpr int kFrameHeight = kCollapsedHeight - kClientHeight;
constexpr int kMemoGap = 7;
constexpr int kMemoBottomGap = 9;

}  // namespace

void TfrmUpdate::sbDetailsClick() { FitWindow(); }

void TfrmUpdate::SizeWindow(int width, int extra_height) {
  LayOutBaseSelectPage(width);
  LayOutUserPage(width);
  const int client_height =
      (sbDetails->isChecked() ? kExpandedHeight : kCollapsedHeight) - kFrameHeight + extra_height;
  setFixedSize(width, client_height);
  pcMain->setGeometry(0, 0, width, client_height);
  if (!sbDetails->isChecked()) return;
  const int memo_top = sbDetails->geometry().bottom() + 1 + kMemoGap;
  const int page_top = tsUpdate->mapTo(this, QPoint(0, 0)).y();
  mDetails->setGeometry(mDetails->x(), memo_top, mDetails->width(),
                        std::max(0, client_height - memo_top - page_top - kMemoBottomGap));
}

void TfrmUpdate::bbInstructionClick() {
  const std::string path = ProgramDir + InfoFile;
  if (!QFile::exists(QString::fromStdString(classlib::NativeFileName(path)))) {
    ShowErrorBox(this, QStringLiteral("Файл инструкции (%1) не найден").arg(QStringOfAnsi(path)));
    return;
  }
  ShellOpen().Open(path);
}

void TfrmUpdate::bbOpenDirClick() { ShellOpen().Open(ProgramDir); }

}  // namespace app
