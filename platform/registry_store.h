// Where the hives live and how processes share them. Each hive is one file,
// HKEY_LOCAL_MACHINE.reg or HKEY_CURRENT_USER.reg, in the registry folder:
// $UPDATER_REGISTRY, else $XDG_CONFIG_HOME/updater-registry, else
// ~/.config/updater-registry. The folder is looked up on every call.
//
// Child programs write the same hives as the updater, so every change runs
// under an exclusive flock on "<hive file>.lock": re-read the file, change
// it, write a temporary file, fsync, rename over the old one; temporary files
// that a killed writer left behind go at the next write. Readers take a
// shared lock; a missing file is an empty hive. A damaged file raises
// ERegistryFileError and is left exactly as it is.
#pragma once

#include <functional>
#include <string>

#include "platform/registry_hive.h"

namespace platform {

enum class HiveId { LocalMachine, CurrentUser };

std::string RegistryFolder();
// "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER".
std::string HiveName(HiveId hive);
std::string HiveFilePath(HiveId hive);

RegHive ReadHive(HiveId hive);

// Runs `change` on the current contents under the exclusive lock; when it
// returns true the hive is written back. I/O failures raise EOSError.
void ModifyHive(HiveId hive, const std::function<bool(RegHive&)>& change);

}  // namespace platform
