// Where the binding finds the client library: the registry's library path,
// the Oracle homes (by name, on PATH, from the registry, from $ORACLE_HOME)
// and the loader's own search.
#include <unistd.h>

#include <cstdlib>

#include "testing/message_of.h"
#include "testing/standin_fixture.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

class DiscoveryTest : public StandinTest {
 protected:
  // Two homes in the registry, each with the stand-in in its lib folder.
  void TwoHomes() {
    home1_ = MakeFolder("home1");
    home2_ = MakeFolder("home2");
    CopyStandin(home1_ + "/lib/libclntsh.so");
    CopyStandin(home2_ + "/lib/libclntsh.so");
    WriteOracleValue("HOME0", "ORACLE_HOME_NAME", "OraHome1");
    WriteOracleValue("HOME0", "ORACLE_HOME", home1_);
    WriteOracleValue("KEY_OraHome2", "ORACLE_HOME_NAME", "OraHome2");
    WriteOracleValue("KEY_OraHome2", "ORACLE_HOME", home2_ + "/");
  }
  std::string home1_, home2_;
};

TEST_F(DiscoveryTest, RegistryLibraryValueComesFirst) {
  TwoHomes();
  OracleHomeName = "OraHome2";
  WriteOracleValue("", "OCIDLL", " " + home1_ + "/lib/libclntsh.so ");
  LoadOciEntryPoints();
  EXPECT_EQ(OCIDLL, home1_ + "/lib/libclntsh.so");
  EXPECT_EQ(OracleHomePath, home1_) << "the home is the library's folder without its final lib";
  EXPECT_TRUE(IsOciLoaded());
  UnloadOci();

  WriteOracleValue("", "OCIDLL", ORACLE_STANDIN_PATH);
  LoadOciEntryPoints();
  EXPECT_EQ(OracleHomePath + "/libclntsh.so", ORACLE_STANDIN_PATH);
  EXPECT_EQ(standin_->LogOf("OCIClientVersion").size(), 1u) << "the version is asked once";
}

TEST_F(DiscoveryTest, RequestedHomeNameChoosesItsLibrary) {
  TwoHomes();
  OracleHomeName = "OraHome2";
  LoadOciEntryPoints();
  EXPECT_EQ(OCIDLL, home2_ + "/lib/libclntsh.so");
  EXPECT_EQ(OracleHomePath, home2_);
  ASSERT_EQ(OracleHomes.size(), 2u);
  EXPECT_EQ(OracleHomes[1].Key, "KEY_OraHome2");
}

TEST_F(DiscoveryTest, UnknownHomeNameIsRefused) {
  TwoHomes();
  OracleHomeName = "OraHome3";
  EXPECT_EQ(MessageOf([] { LoadOciEntryPoints(); }), "Cannot find OCI DLL: in OraHome3");
  OracleHomeName = "orahome2";
  EXPECT_EQ(MessageOf([] { LoadOciEntryPoints(); }), "Cannot find OCI DLL: in orahome2")
      << "the requested name is compared with regard to case";
}

TEST_F(DiscoveryTest, RequestedHomeWithoutLibraryIsRefused) {
  std::string empty = MakeFolder("empty");
  WriteOracleValue("HOME0", "ORACLE_HOME_NAME", "Bare");
  WriteOracleValue("HOME0", "ORACLE_HOME", empty);
  OracleHomeName = "Bare";
  EXPECT_EQ(MessageOf([] { LoadOciEntryPoints(); }),
            "Cannot find OCI DLL: " + empty + "/lib/libclntsh.so");
}

TEST_F(DiscoveryTest, HomeOnPathWinsOverTheRegistryHome) {
  TwoHomes();
  std::string bare = MakeFolder("bare");
  WriteOracleValue("HOME2", "ORACLE_HOME_NAME", "Bare");
  WriteOracleValue("HOME2", "ORACLE_HOME", bare);
  WriteOracleValue("", "ORACLE_HOME", home1_);
  // A home's bin folder counts only when its library exists.
  setenv("PATH", ("/usr/bin:" + bare + "/bin/:" + home2_ + "/bin/:" + home1_ + "/bin").c_str(), 1);
  LoadOciEntryPoints();
  ASSERT_GE(OracleHomeOnPath, 0);
  EXPECT_EQ(OracleHomes[OracleHomeOnPath].Name, "OraHome2");
  EXPECT_EQ(OCIDLL, home2_ + "/lib/libclntsh.so");
}

TEST_F(DiscoveryTest, RegistryHomeValueThenEnvironmentHome) {
  std::string instant = MakeFolder("instant");
  CopyStandin(instant + "/libclntsh.so");
  WriteOracleValue("", "ORACLE_HOME", instant);
  LoadOciEntryPoints();
  EXPECT_EQ(OCIDLL, instant + "/libclntsh.so") << "a home keeps its library in lib/ or in itself";
  UnloadOci();

  DeleteOracleKey();
  std::string env_home = MakeFolder("env_home");
  CopyStandin(env_home + "/lib/libclntsh.so");
  setenv("ORACLE_HOME", env_home.c_str(), 1);
  LoadOciEntryPoints();
  EXPECT_EQ(OCIDLL, env_home + "/lib/libclntsh.so");
  EXPECT_EQ(OracleHomePath, env_home);
}

TEST_F(DiscoveryTest, NothingFoundLeavesTheLoaderSearchAndFails) {
  // The loader's reason follows the name it could not load.
  EXPECT_EQ(MessageOf([] { LoadOciEntryPoints(); }),
            "Cannot load OCI DLL: libclntsh.so (libclntsh.so: cannot open shared object file: No such file or "
            "directory)");
  EXPECT_EQ(OCIDLL, "") << "a failed path is forgotten, so the next attempt looks again";
  EXPECT_FALSE(IsOciLoaded());
  WriteOracleValue("", "OCIDLL", ORACLE_STANDIN_PATH);
  LoadOciEntryPoints();
  EXPECT_TRUE(IsOciLoaded());
}

TEST_F(DiscoveryTest, LongRegistryPathsAreReadWhole) {
  std::string folder = MakeFolder(std::string(120, 'd') + "/" + std::string(120, 'e') + "/lib");
  CopyStandin(folder + "/libclntsh.so");
  WriteOracleValue("", "OCIDLL", folder + "/libclntsh.so");
  LoadOciEntryPoints();
  EXPECT_EQ(OCIDLL, folder + "/libclntsh.so");
  EXPECT_GT(OCIDLL.size(), 255u);
}

TEST_F(DiscoveryTest, OnlyTenHomesWithDistinctNames) {
  std::string path = MakeFolder("h");
  for (int i = 0; i < 12; ++i) {
    std::string key = "HOME" + std::to_string(i);
    WriteOracleValue(key, "ORACLE_HOME_NAME", i == 3 ? "home1" : "Home" + std::to_string(i));
    WriteOracleValue(key, "ORACLE_HOME", path);
  }
  WriteOracleValue("OTHER", "ORACLE_HOME_NAME", "Other");
  WriteOracleValue("OTHER", "ORACLE_HOME", path);
  ReadOracleHomes();
  ASSERT_EQ(OracleHomes.size(), 10u);
  for (const TOracleHome& home : OracleHomes) {
    EXPECT_NE(home.Key, "HOME3") << "its name repeats HOME1's without regard to case";
    EXPECT_NE(home.Name, "Other");
  }
}

// Run by LoaderSearchFindsTheBareName in a child started with
// LD_LIBRARY_PATH, which the loader reads only at start-up.
TEST_F(DiscoveryTest, LoaderSearchChild) {
  if (!std::getenv("ORACLE_TEST_LOADER_CHILD")) GTEST_SKIP() << "runs in a child process";
  LoadOciEntryPoints();
  EXPECT_EQ(OCIDLL, "libclntsh.so");
  EXPECT_TRUE(IsOciLoaded());
  EXPECT_EQ(OCIVersion, 10201);
}

TEST(LoaderSearch, FindsTheBareNameOnTheLoaderPath) {
  std::string folder = ORACLE_STANDIN_PATH;
  folder.resize(folder.rfind('/'));
  EXPECT_TRUE(RunWithLoaderPath(folder, "DiscoveryTest.LoaderSearchChild"));
}

}  // namespace
}  // namespace oracle::testing
