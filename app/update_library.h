// Update libraries: separate shared libraries a release names for the steps
// plain SQL cannot do. The updater hands a library the product's connection
// string and database kind, shows its progress on the bar and logs its
// failures as blocks of the details list.
//
// A library exports with C linkage:
//   void SetCallBackPercent(void (*callback)(double percent));  // 0 .. 100
//   int  DoIt(char* connection_string, char* database_kind);      // 0 = success
//   void GetErrorStr(char** message);                              // optional
#pragma once

#include <functional>
#include <string>

#include "app/progress_view.h"

namespace app {

extern "C" {
using TLibraryPercentCallback = void (*)(double percent);
using TSetCallBackPercent = void (*)(TLibraryPercentCallback callback);
using TDoIt = int (*)(char* connection_string, char* database_kind);
using TGetErrorStr = void (*)(char** message);
}

// Runs the library at `path` (ANSI) on `view`. The run's native connection is
// closed first through `close_native_connection`, because the library opens
// its own from ProductConnectionString. Every failure is logged as one block
// with the path as source; returns false then. The library is freed before
// returning.
bool RunUpdateLibrary(IProgressView& view, const std::string& path,
                      const std::function<void()>& close_native_connection);

// The progress callback a library is given: moves the bar to the running
// item's base position plus `percent` of its share. Reports arriving while no
// library runs are ignored.
extern "C" void LibraryPercentCallback(double percent);

}  // namespace app
