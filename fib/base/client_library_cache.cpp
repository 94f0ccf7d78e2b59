// The process-wide cache of loaded client libraries and the default name.
#include <mutex>

#include "classlib/interface_list.h"
#include "fib/base/client_library.h"
#include "fib/base/ib_client_library.h"

namespace fib {

namespace {

std::mutex default_name_lock;
std::string default_name = "libfbclient.so.2";

// Lives until the program ends, holding one reference to every loaded
// library so that none is unloaded while the program may still use it.
classlib::TInterfaceList& LibraryCache() {
  static classlib::TInterfaceList cache;
  return cache;
}

ClientLibraryRef FindCached(classlib::TInterfaceList& cache, const std::string& name) {
  for (int i = 0; i < cache.Count(); ++i) {
    auto library = classlib::Supports<IIBClientLibrary>(cache.Items(i));
    if (library && library->GetLibraryName() == name) return library;
  }
  return nullptr;
}

}  // namespace

std::string DefaultLibraryName() {
  std::lock_guard<std::mutex> guard(default_name_lock);
  return default_name;
}

void SetDefaultLibraryName(const std::string& name) {
  std::lock_guard<std::mutex> guard(default_name_lock);
  default_name = name;
}

ClientLibraryRef FindOrLoadClientLibrary(const std::string& name) {
  classlib::TInterfaceList& cache = LibraryCache();
  // Held across the search and the load, so that two threads asking for the
  // same new name share one library instead of loading it twice.
  cache.Lock();
  try {
    ClientLibraryRef library = FindCached(cache, name);
    if (!library) {
      library = ClientLibraryRef(new TIBClientLibrary(name));
      cache.Add(classlib::TInterfaceList::Item(library));
    }
    cache.Unlock();
    return library;
  } catch (...) {
    cache.Unlock();
    throw;
  }
}

}  // namespace fib
