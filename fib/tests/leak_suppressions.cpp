// The embedded engine keeps its Unicode tables for the life of the process;
// the leak checker must not count them against our code.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libicuuc.so\n"
         "leak:libicui18n.so\n"
         "leak:libfbclient.so\n"
         "leak:libEngine12.so\n"
         // dlerror keeps its message in thread-local storage, which is not scanned.
         "leak:_dlerror_run\n";
}
