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
  try {
    InstanceMutex = platform::SingleInstanceLock::TryAcquire(platform::ModuleFileName());
  } catch (const classlib::Exception&) {
    InstanceMutex.reset();
  }
  return InstanceMutex == nullptr;
}

void ShowAlreadyRunningMessage() {
  MessageBoxes().Show(nullptr, kAlreadyRunningText, kAlreadyRunningCaption, MB_ICONERROR);
}

bool InitializeOneHist() {
  if (!InstanceAlreadyRunning()) return true;
  ShowAlreadyRunningMessage();
  return false;
}

void FinalizeOneHist() { InstanceMutex.reset(); }

}  // namespace app
