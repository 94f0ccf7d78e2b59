// Gives each test a fresh runtime folder, so sockets, atoms and shared
// objects of one test never meet those of another (or of a real session).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "testing/scratch_folder.h"

namespace platform::testing {

class TempRuntimeDir : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/updater-rt-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("UPDATER_RUNTIME_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    scratch::RemoveSharedObjectsOf(dir_);
    unsetenv("UPDATER_RUNTIME_DIR");
    std::filesystem::remove_all(dir_);
  }
  std::string dir_;
};

}  // namespace platform::testing
