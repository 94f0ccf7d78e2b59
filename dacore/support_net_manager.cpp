// TCRNetManager and its table of functions bound to the not-linked stub.
#include "dacore/support_net_manager.h"

#include "classlib/exceptions.h"

namespace dacore {

void NetFunctionNotLinked() { throw classlib::Exception("function is not linked"); }

const std::vector<TNetFunction>& NetFunctions() {
  static const std::vector<TNetFunction> table{
      {"advapi32.dll", "OpenSCManagerA", NetFunctionNotLinked},
      {"advapi32.dll", "CloseServiceHandle", NetFunctionNotLinked},
      {"advapi32.dll", "OpenServiceA", NetFunctionNotLinked},
      {"advapi32.dll", "EnumServicesStatusA", NetFunctionNotLinked},
      {"advapi32.dll", "QueryServiceStatus", NetFunctionNotLinked},
      {"advapi32.dll", "StartServiceA", NetFunctionNotLinked},
      {"advapi32.dll", "ControlService", NetFunctionNotLinked},
      {"netapi32.dll", "NetServerEnum", NetFunctionNotLinked},
      {"netapi32.dll", "NetApiBufferFree", NetFunctionNotLinked},
  };
  return table;
}

void TCRNetManager::ClearCache() {
  std::lock_guard<std::mutex> guard(lock_);
  cache_.clear();
}

std::size_t TCRNetManager::CachedCount() {
  std::lock_guard<std::mutex> guard(lock_);
  return cache_.size();
}

TCRNetManager& CRNetManager() {
  static TCRNetManager manager;
  return manager;
}

}  // namespace dacore
