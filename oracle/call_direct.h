// Direct mode: the network client fills the entry-point table with its own
// functions instead of the client library's. This layer cannot depend on the
// network client, so the client registers an installer here and the session
// switches modes through it.
#pragma once

namespace oracle {

// What the network client does to enter and leave direct mode. `Install`
// writes its entries into the table and sets the call style and version;
// `Remove` clears direct mode (the next environment initialisation loads the
// client library and binds every entry again).
class IDirectModeInstaller {
 public:
  virtual ~IDirectModeInstaller() = default;
  virtual void Install() = 0;
  virtual void Remove() = 0;
};

// The installer lives as long as the process (or until replaced); nullptr
// unregisters it.
void RegisterDirectModeInstaller(IDirectModeInstaller* installer);
bool HasDirectModeInstaller();

// Raises "Direct mode is not available: the network client is not
// registered" when no installer is registered.
void CheckDirectModeInstaller();
void InstallDirectMode();
// Leaves direct mode; does nothing when it is not active or no installer is
// registered.
void RemoveDirectMode();

}  // namespace oracle
