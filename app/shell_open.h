// Opening a file or folder the way the desktop opens it on a double click:
// the instruction file and the release folder of the third page. Tests
// install a recording stand-in.
#pragma once

#include <string>
#include <utility>

namespace app {

class IShellOpen {
 public:
  virtual ~IShellOpen() = default;
  // `ansi_path` may use "\"; false when the desktop could not open it.
  virtual bool Open(const std::string& ansi_path) = 0;
};

// The desktop's default application for the path, through the desktop's
// opener program (looked up along PATH); false when it cannot be started.
class TDesktopShellOpen : public IShellOpen {
 public:
  explicit TDesktopShellOpen(std::string opener = "xdg-open") : opener_(std::move(opener)) {}
  bool Open(const std::string& ansi_path) override;

 private:
  std::string opener_;
};

}  // namespace app
