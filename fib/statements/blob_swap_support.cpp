#include "fib/statements/blob_swap_support.h"

#include <algorithm>

#include "classlib/ansistr.h"
#include "platform/environment.h"

namespace fib {

std::string TBlobSwapSupport::GetSwapDir() const {
  if (!active_) return {};
  constexpr std::size_t kMacroLength = 10;
  std::string dir = swap_dir_;
  std::replace(dir.begin(), dir.end(), '\\', '/');
  if (classlib::UpperCase(dir.substr(0, kMacroLength)) == kAppPathMacro) {
    std::string rest = dir.substr(kMacroLength);
    // The program's folder already ends in "/"; a rest written as "\Swap"
    // must not double it.
    if (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    dir = platform::ModuleDirectory() + rest;
  }
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace fib
