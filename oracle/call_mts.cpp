// Distributed-transaction (MTS) support. Its libraries and the transaction
// coordinator exist only on Windows: loading names the library it cannot
// find, and there is never anything to unload.
#include <string>

#include "oracle/call_binding.h"
#include "oracle/call_state.h"
#include "oracle/error_raise.h"

namespace oracle {

void LoadMtsSupport() {
  std::lock_guard<std::mutex> guard(OciMtsLock());
  RaiseOraException(std::string("Can not find ") +
                    (OCIVersion <= 10000 ? "oramts.dll" : "oramts10.dll"));
}

void UnloadMtsSupport() {}

}  // namespace oracle
