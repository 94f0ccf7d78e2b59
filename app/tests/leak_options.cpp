// The native Firebird connection loads the embedded engine into this
// program; the leak checker's scan of thread-local storage crashes on the
// engine's modules, so it is left out here as in the Firebird layer's tests.
extern "C" const char* __lsan_default_options() { return "use_tls=0"; }
