// The system loader as the client-library binding uses it. Windows client
// names ("gds32.dll", "fbclient.dll", in any case and with any folder) load
// the Firebird client of this system.
#pragma once

#include <string>

namespace fib {

// nullptr when the library will not load.
void* LoadModule(const std::string& name);
// nullptr when the module does not export `name`.
void* FindEntryPoint(void* module, const char* name);
void FreeModule(void* module);
// The loader's text for this thread's last failed load or lookup.
std::string LastLoaderError();

}  // namespace fib
