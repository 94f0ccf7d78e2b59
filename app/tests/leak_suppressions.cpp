// Libraries below the window system keep caches for the life of the process
// (fonts, the embedded database engine's tables); the leak checker must not
// count them against our code.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libfreetype.so\n"
         "leak:libglib-2.0.so\n"
         "leak:libicuuc.so\n"
         "leak:libicui18n.so\n"
         "leak:libfbclient.so\n"
         "leak:libEngine12.so\n"
         // The loader keeps the dependency lists of loaded libraries where
         // only thread-local storage points at them, and that is not scanned
         // here (see leak_options.cpp).
         "leak:_dl_map_object_deps\n"
         "leak:_dlerror_run\n"
         // The loader's table of globally visible libraries grows when a
         // driver loads an extension into the global scope; it lives as
         // long as the process.
         "leak:add_to_global_resize\n"
         // A library the process has loaded already, opened again by
         // another name (a link to it), keeps that name for as long as it
         // stays loaded.
         "leak:add_name_to_object\n";
}
