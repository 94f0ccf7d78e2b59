// Opening a file or folder the way the desktop opens it on a double click:
// the instruction file and the release folder of the third page. Tests
// install a recording stand-in.
#pragma once

#include <string>

namespace app {

class IShellOpen {
 public:
  virtual ~IShellOpen() = default;
  // `ansi_path` may use "\"; false when the desktop could not open it.
  virtual bool Open(const std::string& ansi_path) = 0;
};

// The desktop's default application for the path.
class TDesktopShellOpen : public IShellOpen {
 public:
  bool Open(const std::string& ansi_path) override;
};

}  // namespace app
