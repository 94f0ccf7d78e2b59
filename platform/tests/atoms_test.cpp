#include <gtest/gtest.h>

#include <fstream>

#include "child_process.h"
#include "classlib/exceptions.h"
#include "platform/atoms.h"
#include "temp_runtime_dir.h"

namespace platform {
namespace {

using testing::ForkChild;
using testing::WaitChild;

class Atoms : public testing::TempRuntimeDir {};

TEST_F(Atoms, AddFindAndNameIgnoringCaseWithReferenceCounts) {
  Atom atom = GlobalAddAtom("Transfer Error");
  ASSERT_GE(atom, kFirstAtom);
  EXPECT_EQ(GlobalAddAtom("TRANSFER error"), atom);
  EXPECT_EQ(GlobalFindAtom("transfer ERROR"), atom);
  EXPECT_EQ(GlobalGetAtomName(atom), "Transfer Error") << "the name keeps its first spelling";
  EXPECT_EQ(GlobalDeleteAtom(atom), 0);
  EXPECT_EQ(GlobalGetAtomName(atom), "Transfer Error") << "one reference is left";
  EXPECT_EQ(GlobalDeleteAtom(atom), 0);
  EXPECT_EQ(GlobalGetAtomName(atom), std::nullopt);
  EXPECT_EQ(GlobalFindAtom("Transfer Error"), 0);
  EXPECT_EQ(GlobalDeleteAtom(atom), atom) << "deleting a missing atom fails";
}

TEST_F(Atoms, CyrillicNamesFoldInCodePage1251) {
  Atom atom = GlobalAddAtom("\xCE\xF8\xE8\xE1\xEA\xE0 \xB8");   // "Ошибка ё"
  EXPECT_EQ(GlobalFindAtom("\xEE\xD8\xC8\xC1\xCA\xC0 \xA8"), atom);  // "оШИБКА Ё"
  EXPECT_EQ(GlobalFindAtom("\xEE\xD8\xC8\xC1\xCA\xC0 \xC5"), 0);
}

TEST_F(Atoms, NumbersAreLowestFreeAndInvalidNamesAreRefused) {
  Atom a = GlobalAddAtom("a"), b = GlobalAddAtom("b");
  EXPECT_EQ(a, kFirstAtom);
  EXPECT_EQ(b, kFirstAtom + 1);
  GlobalDeleteAtom(a);
  EXPECT_EQ(GlobalAddAtom("c"), kFirstAtom) << "a freed number is used again";
  EXPECT_EQ(GlobalAddAtom(""), 0);
  EXPECT_EQ(GlobalAddAtom(std::string(kMaxAtomName + 1, 'x')), 0);
  EXPECT_NE(GlobalAddAtom(std::string(kMaxAtomName, 'x')), 0);
  EXPECT_EQ(GlobalAddAtom(std::string("a\0b", 3)), 0);
}

TEST_F(Atoms, ProcessesShareTheTableAndItsCounts) {
  Atom mine = GlobalAddAtom("shared text");
  constexpr int kChildren = 4;
  pid_t children[kChildren];
  for (pid_t& child : children)
    child = ForkChild([mine] {
      for (int i = 0; i < 25; ++i)
        if (GlobalAddAtom("SHARED TEXT") != mine) return 1;
      for (int i = 0; i < 25; ++i) GlobalAddAtom("child " + std::to_string(getpid()));
      return 0;
    });
  for (pid_t child : children) EXPECT_EQ(WaitChild(child, std::chrono::seconds(20)), 0);
  for (int i = 0; i < kChildren * 25; ++i) ASSERT_EQ(GlobalDeleteAtom(mine), 0);
  EXPECT_EQ(GlobalGetAtomName(mine), "shared text") << "no reference was lost";
  EXPECT_EQ(GlobalDeleteAtom(mine), 0);
  EXPECT_EQ(GlobalFindAtom("shared text"), 0);
  for (pid_t child : children) EXPECT_NE(GlobalFindAtom("child " + std::to_string(child)), 0);
}

TEST_F(Atoms, ADamagedTableIsReportedWithFileAndLineAndKept) {
  GlobalAddAtom("first");
  std::string path = dir_ + "/atoms";
  std::ofstream(path, std::ios::app) << "C001 x 6162\n";
  try {
    GlobalFindAtom("first");
    FAIL() << "no exception";
  } catch (const classlib::EInOutError& e) {
    EXPECT_NE(e.Message().find(path + ", line 3"), std::string::npos) << e.Message();
  }
  EXPECT_THROW(GlobalAddAtom("second"), classlib::EInOutError);
  std::ifstream in(path);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("C001 x 6162"), std::string::npos) << "never overwritten";
}

}  // namespace
}  // namespace platform
