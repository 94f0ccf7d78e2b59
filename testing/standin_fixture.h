// Tests of the binding run on the stand-in client library: a registry folder
// of their own whose "OCIDLL" value names it, its control interface reached
// through the same library file, and the binding unloaded after each test.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oracle/call_binding.h"
#include "oracle/call_state.h"

namespace oracle::testing {

// The stand-in's control interface, resolved from one of its builds.
class StandinControl {
 public:
  explicit StandinControl(const std::string& path);
  ~StandinControl();
  StandinControl(const StandinControl&) = delete;
  StandinControl& operator=(const StandinControl&) = delete;

  void Reset();
  // The release the library answers through OCIClientVersion; false when
  // the build cannot stand for it (see oci_standin_control.h).
  bool SetClientVersion(int major, int minor, int update, int patch, int port_update);
  void SetBanner(const std::string& banner);
  void AddAccount(const std::string& user, const std::string& password);
  void ScriptSelect(const std::string& sql, const std::string& columns);
  void InjectFault(const std::string& entry, int nth, int status, int code, const std::string& text);
  std::vector<std::string> Log();
  // The lines of the log that start with `entry` followed by a blank or the end.
  std::vector<std::string> LogOf(const std::string& entry);
  void ClearLog();
  int LiveHandles();
  // Calls the library was given a freed handle in since its reset.
  int FreedHandleCalls();

 protected:
  void* Symbol(const char* name);
  // The lines of a text the stand-in hands out through `reader` (asked for
  // its length first, then filled).
  std::vector<std::string> Lines(const char* reader);

 private:
  void* library_;
};

// Runs one test of this program (a gtest filter) in a child process started
// with LD_LIBRARY_PATH = folder, which the loader reads only at start-up,
// and ORACLE_TEST_LOADER_CHILD set; answers whether it exited with 0.
bool RunWithLoaderPath(const std::string& folder, const std::string& test);

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // HKEY_LOCAL_MACHINE\SOFTWARE\ORACLE[\sub_key] value := text.
  void WriteOracleValue(const std::string& sub_key, const std::string& name,
                        const std::string& text);
  void DeleteOracleKey();
  // A folder below the test's temp folder, created.
  std::string MakeFolder(const std::string& relative);
  // A copy of the stand-in at path (folders created).
  void CopyStandin(const std::string& path);
  // Points "OCIDLL" at a client of that release: the full stand-in, whose
  // version call answers it, from 10.2 on; before, a copy of the build
  // shaped as a client of that release (8.0, 8.1, 9.0, 9.2 or 10.1: its
  // calls and none of a later release's) named as such a client is
  // (libclntsh.so.8.0, .9.0, .10.1) and carrying the release in its banner
  // (without `banner`, its placeholder, which names none), or for 7.x the
  // 7.3 build under a name whose suffix is the release; the controls follow
  // that file, and it is told the release through its control.
  void UseClient(int major, int minor, int update = 0, int patch = 0, bool banner = true);
  // The control of another build of the stand-in, reset (nothing changes
  // when it is the build already controlled).
  void ControlStandin(const std::string& path);
  // The controls a fixture holds besides standin_ follow to that build
  // (after its reset).
  virtual void ControlsSwitched(const std::string& path) { (void)path; }

  std::string temp_;
  std::string saved_path_;
  StandinControl* standin_ = nullptr;
  std::string control_path_;
};

}  // namespace oracle::testing
