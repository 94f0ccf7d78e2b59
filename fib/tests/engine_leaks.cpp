// The embedded Firebird engine and the ICU libraries it loads keep caches
// for the life of the process and never free them; the leak checker must not
// count those against the tests. Weak, so another test file of this program
// may give the list instead.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
  return "leak:libicuuc.so\n"
         "leak:libicui18n.so\n"
         "leak:libfbclient.so\n"
         "leak:libEngine12.so\n";
}
