// Child programs and the updater write the same hive at the same time; no
// write may be lost to another process's read-modify-write.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/registry_api.h"
#include "platform/registry_store.h"
#include "testing/scratch_folder.h"

namespace platform {
namespace {

using RegistryConcurrency = scratch::ScratchRegistryTest;

void WriteNumbered(const std::string& prefix, int count) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Shared", 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    _exit(3);
  for (int i = 0; i < count; ++i) {
    std::string name = prefix + std::to_string(i);
    if (RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(name.c_str()),
                       static_cast<DWORD>(name.size() + 1)) != ERROR_SUCCESS)
      _exit(4);
  }
  RegCloseKey(key);
}

std::set<std::string> ValueNames() {
  RegHive hive = ReadHive(HiveId::LocalMachine);
  std::set<std::string> names;
  if (const RegKey* key = hive.Find({"Software", "Shared"}))
    for (const RegValue& value : key->Values()) names.insert(value.name);
  return names;
}

TEST_F(RegistryConcurrency, TwoProcessesWritingTheSameHiveLoseNothing) {
  constexpr int kEach = 200;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      WriteNumbered(c == 0 ? "first" : "second", kEach);
      _exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  std::set<std::string> names = ValueNames();
  EXPECT_EQ(names.size(), 2u * kEach);
  EXPECT_TRUE(names.count("first0") && names.count("second199"));
  // No temporary file is left behind.
  EXPECT_FALSE(std::filesystem::exists(HivePath("HKEY_LOCAL_MACHINE") + ".tmp." +
                                       std::to_string(children[0])));
}

// The command-line tool, run from two shells at once, next to this process.
TEST_F(RegistryConcurrency, ToolRunsInParallelWithTheLibrary) {
  constexpr int kEach = 40;
  std::string tool = UPDATER_BINARY_DIR "/tools/regtool";
  std::string script = "for i in $(seq 0 " + std::to_string(kEach - 1) + "); do '" + tool +
                       "' set 'HKLM\\Software\\Shared' tool$i dword $i || exit 1; done";
  FILE* shell = popen(script.c_str(), "r");
  ASSERT_NE(shell, nullptr);
  WriteNumbered("library", kEach);
  EXPECT_EQ(pclose(shell), 0);

  std::set<std::string> names = ValueNames();
  EXPECT_EQ(names.size(), 2u * kEach);
  EXPECT_TRUE(names.count("tool39") && names.count("library39"));
}

std::set<std::string> TempFilesOf(const std::string& folder, const std::string& hive) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(hive + ".reg.tmp.", 0) == 0) names.insert(name);
  }
  return names;
}

pid_t DeadProcessId() {
  pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

// Writers killed at random points of their writes may leave temporary files;
// the next write removes those of processes that are gone and nothing else.
TEST_F(RegistryConcurrency, TheNextWriteRemovesTempFilesOfKilledWriters) {
  for (int round = 0; round < 5; ++round) {
    pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      for (;;) WriteNumbered("killed", 50);
    }
    usleep(20000 + round * 7000);
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
  }
  // One left for certain, one of a process that still runs, and one of the
  // other hive, which this write does not touch.
  const std::string folder = folder_.Path();
  const pid_t dead = DeadProcessId();
  pid_t alive = fork();
  if (alive == 0) {
    pause();
    _exit(0);
  }
  for (const std::string& name : {"HKEY_LOCAL_MACHINE.reg.tmp." + std::to_string(dead),
                                  "HKEY_LOCAL_MACHINE.reg.tmp." + std::to_string(alive),
                                  "HKEY_CURRENT_USER.reg.tmp." + std::to_string(dead)})
    std::ofstream(folder + "/" + name) << "half a hive";

  WriteNumbered("after", 1);
  EXPECT_EQ(TempFilesOf(folder, "HKEY_LOCAL_MACHINE"),
            std::set<std::string>({"HKEY_LOCAL_MACHINE.reg.tmp." + std::to_string(alive)}));
  EXPECT_EQ(TempFilesOf(folder, "HKEY_CURRENT_USER").size(), 1u);
  EXPECT_TRUE(ValueNames().count("after0"));
  kill(alive, SIGKILL);
  waitpid(alive, nullptr, 0);
}

}  // namespace
}  // namespace platform
