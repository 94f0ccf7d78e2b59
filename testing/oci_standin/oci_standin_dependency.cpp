// A library and one that depends on it, for a client library whose load
// fails on a missing dependency.
#ifdef STANDIN_CALLS_DEPENDENCY
extern "C" int standin_dependency_probe();
extern "C" int standin_dependent_probe() { return standin_dependency_probe(); }
#else
extern "C" int standin_dependency_probe() { return 1; }
#endif
