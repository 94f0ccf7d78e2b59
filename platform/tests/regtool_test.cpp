#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include "testing/scratch_folder.h"

namespace platform {
namespace {

using RegTool = scratch::ScratchRegistryTest;

struct Result {
  int code;
  std::string out;
};

Result RunTool(const std::string& args) {
  std::string command = std::string("'") + UPDATER_BINARY_DIR "/tools/regtool' " + args + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  std::array<char, 256> buf;
  while (size_t n = fread(buf.data(), 1, buf.size(), pipe)) out.append(buf.data(), n);
  int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST_F(RegTool, SetsGetsListsAndDeletes) {
  EXPECT_EQ(RunTool("set 'HKCU\\Software\\Тест' Имя sz 'Значение'").code, 0);
  EXPECT_EQ(RunTool("set 'HKCU\\Software\\Тест' N dword 0x20").code, 0);
  EXPECT_EQ(RunTool("set 'HKCU\\Software\\Тест' B binary 01,ff").code, 0);
  EXPECT_EQ(RunTool("set 'HKCU\\Software\\Тест' M multi one two").code, 0);
  EXPECT_EQ(RunTool("set 'HKCU\\Software\\Тест\\Sub' '' expand '%X%'").code, 0);

  EXPECT_EQ(RunTool("get 'HKEY_CURRENT_USER\\SOFTWARE\\тест' имя").out, "Значение\n");
  EXPECT_EQ(RunTool("get 'HKCU\\Software\\Тест' N").out, "32\n");
  EXPECT_EQ(RunTool("set 'HKCU\\Software\\Тест' Z dword 010").code, 0);
  EXPECT_EQ(RunTool("get 'HKCU\\Software\\Тест' Z").out, "10\n");
  EXPECT_EQ(RunTool("set 'HKCU\\Software\\Тест' Z dword -1").code, 0);
  EXPECT_EQ(RunTool("get 'HKCU\\Software\\Тест' Z").out, "4294967295\n");
  EXPECT_EQ(RunTool("delete 'HKCU\\Software\\Тест' z").code, 0);
  EXPECT_EQ(RunTool("get 'HKCU\\Software\\Тест' M").out, "one\ntwo\n");
  EXPECT_EQ(RunTool("list 'HKCU\\Software\\Тест'").out,
            "[Sub]\nИмя\tsz\tЗначение\nN\tdword\t32\nB\tbinary\t01,ff\nM\tmulti\tone\\0two\n");

  EXPECT_EQ(RunTool("get 'HKCU\\Software\\Тест' Absent").code, 1);
  EXPECT_EQ(RunTool("delete 'HKCU\\Software\\Тест' N").code, 0);
  EXPECT_EQ(RunTool("delete 'HKCU\\Software\\Тест' N").code, 1);
  EXPECT_EQ(RunTool("delete 'HKCU\\Software\\Тест'").code, 0);
  EXPECT_EQ(RunTool("list 'HKCU\\Software\\Тест'").code, 1);
  EXPECT_EQ(RunTool("list 'HKCU\\Software'").out, "");
}

TEST_F(RegTool, RefusesBadInputWithCodeTwo) {
  EXPECT_EQ(RunTool("").code, 2);
  EXPECT_EQ(RunTool("get 'HKXX\\Software' a").code, 2);
  EXPECT_EQ(RunTool("set 'HKCU\\Software' a dword 12abc").code, 2);
  EXPECT_EQ(RunTool("set 'HKCU\\Software' a dword 4294967296").code, 2);
  EXPECT_EQ(RunTool("set 'HKCU\\Software' a binary 0").code, 2);
  EXPECT_EQ(RunTool("set 'HKCU\\Software' a float 1").code, 2);
  EXPECT_EQ(RunTool("delete HKCU").code, 2);
  // Bytes that are not UTF-8 would make the hive unreadable.
  EXPECT_EQ(RunTool("set 'HKCU\\Software' a sz '\xC0'").code, 2);
  EXPECT_EQ(RunTool("set 'HKCU\\Software' '\xC0' sz a").code, 2);
  EXPECT_EQ(RunTool("list 'HKCU\\Software'").code, 1);
  scratch::WriteWholeFile(HivePath("HKEY_CURRENT_USER"), "not a hive\n");
  EXPECT_EQ(RunTool("get 'HKCU\\Software' a").code, 2);
  EXPECT_EQ(RunTool("set 'HKCU\\Software' a sz b").code, 2);
  EXPECT_EQ(scratch::ReadWholeFile(HivePath("HKEY_CURRENT_USER")), "not a hive\n");
}

}  // namespace
}  // namespace platform
