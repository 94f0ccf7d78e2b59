// A registry value as it stood before the program changed it, so that it can
// be put back exactly: the same type and bytes when it existed, and removed
// when it did not (writing an empty value instead would leave a value the
// product never had).
#pragma once

#include <string>

#include "platform/registry_api.h"

namespace app {

class TRegValueSnapshot {
 public:
  TRegValueSnapshot(platform::HKEY root, std::string path, std::string name);

  // Records the value's current state, whatever its type or size. False when
  // the registry could not say (the key or value is then treated as absent
  // only when the answer was "not found").
  bool Take();
  bool Taken() const { return taken_; }
  bool Existed() const { return existed_; }
  // Puts the recorded state back; the platform's code, 0 on success. Does
  // nothing and returns 0 when no state was taken.
  platform::LONG Restore() const { return PutAt(root_, path_); }
  // Gives the value of the same name under another key the recorded state:
  // a copy kept elsewhere, or a copy taken from elsewhere put back.
  platform::LONG PutAt(platform::HKEY root, const std::string& path) const;

 private:
  platform::HKEY root_;
  std::string path_;
  std::string name_;
  bool taken_ = false;
  bool existed_ = false;
  platform::DWORD type_ = 0;
  std::string data_;
};

}  // namespace app
