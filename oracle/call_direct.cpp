#include "oracle/call_direct.h"

#include <atomic>

#include "classlib/exceptions.h"
#include "oracle/call_state.h"

namespace oracle {

namespace {

constexpr const char* kNoInstaller = "Direct mode is not available: the network client is not registered";

std::atomic<IDirectModeInstaller*>& Installer() {
  static std::atomic<IDirectModeInstaller*> installer{nullptr};
  return installer;
}

}  // namespace

void RegisterDirectModeInstaller(IDirectModeInstaller* installer) { Installer().store(installer); }

bool HasDirectModeInstaller() { return Installer().load() != nullptr; }

void CheckDirectModeInstaller() {
  if (!HasDirectModeInstaller()) throw classlib::Exception(kNoInstaller);
}

void InstallDirectMode() {
  IDirectModeInstaller* installer = Installer().load();
  if (!installer) throw classlib::Exception(kNoInstaller);
  installer->Install();
}

void RemoveDirectMode() {
  IDirectModeInstaller* installer = Installer().load();
  if (installer && IsDirectMode()) installer->Remove();
}

}  // namespace oracle
