#include "app/shell_open.h"

#include <QDesktopServices>
#include <QUrl>

#include "classlib/stream.h"

namespace app {

bool TDesktopShellOpen::Open(const std::string& ansi_path) {
  const std::string path = classlib::NativeFileName(ansi_path);
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace app
