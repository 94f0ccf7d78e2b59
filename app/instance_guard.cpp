#include "app/instance_guard.h"

#include <QString>

#include "app/message_boxes.h"
#include "classlib/exceptions.h"
#include "platform/environment.h"

namespace app {

std::unique_ptr<platform::SingleInstanceLock> InstanceMutex;

const QString kAlreadyRunningText =
    QStringLiteral("Программа уже запущена.\r\nВторую копию программы запускать нельзя");
const QString kAlreadyRunningCaption = QStringLiteral("Vorozizarod odidari");

bool InstanceAlreadyRunning() {
  InstanceMutex = platform::SingleInstanceLock::TryAcquire(platform::ModuleFileName());
  return InstanceMutex == nullptr;
}

void ShowAlreadyRunningMessage() {
  MessageBoxes().Show(nullptr, kAlreadyRunningText, kAlreadyRunningCaption, MB_ICONERROR);
}

bool InitializeOneHist() {
  try {
    if (!InstanceAlreadyRunning()) return true;
  } catch (const classlib::Exception& e) {
    // Saying "another copy runs" here would send the user looking for a
    // copy that does not exist.
    MessageBoxes().Show(nullptr,
                        QStringLiteral("Не удалось проверить, не запущена ли другая копия "
                                       "программы:\r\n") +
                            QString::fromStdString(e.Message()),
                        kErrorCaption, MB_ICONERROR);
    return false;
  }
  ShowAlreadyRunningMessage();
  return false;
}

void FinalizeOneHist() { InstanceMutex.reset(); }

}  // namespace app
