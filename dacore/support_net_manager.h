// TCRNetManager: the service-control and server-enumeration helper. This
// platform has neither system library, so every entry of the function table
// is the stub that raises Exception "function is not linked"; the manager
// keeps only its cache of entries and its lock.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "classlib/object.h"

namespace dacore {

// One late-bound system function: its library, its name and what a call runs.
struct TNetFunction {
  const char* library;
  const char* name;
  void (*call)();
};

// The nine functions, in binding order, each bound to the stub.
const std::vector<TNetFunction>& NetFunctions();
// Raises classlib::Exception "function is not linked".
[[noreturn]] void NetFunctionNotLinked();

class TCRNetManager : public classlib::TObject {
  CLASSLIB_CLASS(TCRNetManager, classlib::TObject)
 public:
  TCRNetManager() = default;
  ~TCRNetManager() override { ClearCache(); }
  TCRNetManager(const TCRNetManager&) = delete;
  TCRNetManager& operator=(const TCRNetManager&) = delete;

  // Frees the cached entries (none are made while every function is a stub).
  void ClearCache();
  std::size_t CachedCount();

 private:
  std::mutex lock_;
  std::vector<std::string> cache_;
};

// The process's one manager.
TCRNetManager& CRNetManager();

}  // namespace dacore
