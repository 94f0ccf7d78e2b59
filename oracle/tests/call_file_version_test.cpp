// The release of a client without the version call: the version suffix of
// its file's name (or of a link's target), else the calls it exports; and
// the loader's reason when a library cannot be loaded.
#include <dlfcn.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_state.h"
#include "oracle/call_table.h"
#include "testing/message_of.h"
#include "testing/standin_fixture.h"

namespace oracle::testing {
namespace {

namespace fs = std::filesystem;
using classlib::testing::MessageOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class FileVersionTest : public StandinTest {
 protected:
  std::string CopyOf(const std::string& library, const std::string& folder) {
    const std::string path = MakeFolder(folder) + "/libclntsh.so";
    fs::copy_file(library, path, fs::copy_options::overwrite_existing);
    return path;
  }
};

TEST(VersionSuffix, TheNumbersAfterTheSharedObjectSuffix) {
  EXPECT_EQ(VersionSuffixOf("libclntsh.so.10.1"), "10.1");
  EXPECT_EQ(VersionSuffixOf("libclntsh.so.8.0"), "8.0");
  EXPECT_EQ(VersionSuffixOf("libclntsh.so.8.1.7"), "8.1.7");
  EXPECT_EQ(VersionSuffixOf("libclntsh.so"), "");
  EXPECT_EQ(VersionSuffixOf("libclntsh.so."), "");
  EXPECT_EQ(VersionSuffixOf("libclntsh.so.10."), "");
  EXPECT_EQ(VersionSuffixOf("libclntsh.so..1"), "");
  EXPECT_EQ(VersionSuffixOf("libclntsh.so.10.1~"), "");
}

TEST_F(FileVersionTest, AClientWithoutTheVersionCallNamedAsTenOneLoadsAsTenOne) {
  ControlStandin(ORACLE_STANDIN_101_PATH);
  WriteOracleValue("", "OCIDLL", ORACLE_STANDIN_101_PATH);
  InitOciEnvironment();
  EXPECT_EQ(OCIClientVersionText, "10.1");
  EXPECT_EQ(OCIVersion, 10100);
  EXPECT_EQ(PossibleCallStyles, kCallStyleOci7 | kCallStyleOci8);
  EXPECT_TRUE(IsOciEntryLinked(OciSlot::OCILobRead2)) << "10.0 entries are bound";
  // Threaded objects; events wait for 10.2.
  EXPECT_THAT(standin_->LogOf("OCIEnvCreate"), ElementsAre("OCIEnvCreate mode=3"));
}

TEST_F(FileVersionTest, ALinkTakesTheReleaseOfTheFileItLeadsTo) {
  const std::string lib = MakeFolder("home/lib");
  fs::create_symlink(ORACLE_STANDIN_80_PATH, lib + "/libclntsh.so.8.0.5");
  fs::create_symlink("libclntsh.so.8.0.5", lib + "/libclntsh.so");
  WriteOracleValue("", "ORACLE_HOME", temp_ + "/home");
  ControlStandin(ORACLE_STANDIN_80_PATH);
  InitOciEnvironment();
  EXPECT_EQ(OCIDLL, lib + "/libclntsh.so");
  EXPECT_EQ(OCIClientVersionText, "8.0.5") << "the name tells more than the exports' 8.0";
  EXPECT_EQ(OCIVersion, 8050);
  EXPECT_FALSE(OCIEnvCreate.Linked()) << "no 8.1 entries for an 8.0 client";
}

// 8i and 9.2 clients kept the file names of the releases before them: what
// they export tells the later release, and with it temporary LOBs and XML.
TEST_F(FileVersionTest, EightIAndNineTwoClientsNamedAsOlderReleasesAreTakenForWhatTheyExport) {
  // Loads the client build at `path` under an older release's file name.
  auto load_named = [&](const std::string& folder, const std::string& file, const char* path) {
    const std::string named = MakeFolder(folder) + "/" + file;
    fs::create_symlink(path, named);
    WriteOracleValue("", "OCIDLL", named);
    ControlStandin(path);
    InitOciEnvironment();
  };
  load_named("eight", "libclntsh.so.8.0", ORACLE_STANDIN_81_PATH);
  EXPECT_EQ(OCIClientVersionText, "8.1") << "it exports OCIEnvCreate";
  EXPECT_EQ(OCIVersion, 8100);
  CheckOci8i();
  EXPECT_TRUE(OCIEnvCreate.Linked());
  UnloadOci();

  load_named("nine", "libclntsh.so.9.0", ORACLE_STANDIN_92_PATH);
  EXPECT_EQ(OCIClientVersionText, "9.2") << "it exports OCIStmtPrepare2";
  EXPECT_EQ(OCIVersion, 9200);
  EXPECT_TRUE(IsOciEntryLinked(OciSlot::OCIStmtPrepare2));
  EXPECT_FALSE(IsOciEntryLinked(OciSlot::OCILobRead2));
}

// A client named as its minor release's clients are (libclntsh.so.8.0 for
// 8.0 to 8.x) tells its full release through its banner; without one only
// its minor release is known, and the rules for part of that minor release
// know it may be of it without being sure.
TEST_F(FileVersionTest, TheBannerTellsTheReleaseTheNameAndExportsCannot) {
  struct Case {
    int major, minor, update, patch;
    bool banner;
    const char* text;
    bool array_indicators, may_write_array_indicators;
  };
  const Case cases[] = {
      {8, 1, 7, 0, true, "8.1.7.0.0", true, true},   {8, 1, 5, 0, true, "8.1.5.0.0", false, false},
      {8, 1, 7, 0, false, "8.1", false, true},       {8, 0, 5, 0, true, "8.0.5.0.0", false, false},
      {8, 0, 5, 0, false, "8.0", false, false},      {9, 2, 0, 4, true, "9.2.0.4.0", false, false},
      {9, 2, 0, 4, false, "9.2", false, false},      {10, 1, 0, 3, true, "10.1.0.3.0", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + (c.banner ? " with its banner" : " without a banner"));
    UnloadOci();
    UseClient(c.major, c.minor, c.update, c.patch, c.banner);
    InitOciEnvironment();
    EXPECT_THAT(OCIDLL, HasSubstr(c.major == 8 ? "/libclntsh.so.8.0" : c.major == 9 ? "/libclntsh.so.9.0"
                                                                                   : "/libclntsh.so.10.1"));
    EXPECT_EQ(OCIClientVersionText, c.text);
    EXPECT_EQ(ClientReleaseIsIn(8160, 8999), c.array_indicators);
    EXPECT_EQ(ClientReleaseMayBeIn(8160, 8999), c.may_write_array_indicators);
  }
}

TEST_F(FileVersionTest, WithoutASuffixTheCallsTheLibraryExportsTellTheRelease) {
  WriteOracleValue("", "OCIDLL", CopyOf(ORACLE_STANDIN_101_PATH, "ten"));
  LoadOciEntryPoints();
  EXPECT_EQ(OCIClientVersionText, "10.1") << "it exports OCILobRead2";
  UnloadOci();

  WriteOracleValue("", "OCIDLL", CopyOf(ORACLE_STANDIN_80_PATH, "eight"));
  InitOciEnvironment();
  EXPECT_EQ(OCIClientVersionText, "8.0") << "it exports OCIInitialize and no later release's calls";
  EXPECT_EQ(OCIVersion, 8000);
  EXPECT_TRUE(OCIInited) << "the environment is made with the 8.0 calls";
  EXPECT_FALSE(OCIEnvCreate.Linked());
}

TEST_F(FileVersionTest, ALoadFailureKeepsItsBeginningAndAddsTheLoadersReason) {
  const std::string missing = temp_ + "/none/libclntsh.so";
  WriteOracleValue("", "OCIDLL", missing);
  EXPECT_THAT(MessageOf([] { LoadOciEntryPoints(); }),
              AllOf(StartsWith("Cannot load OCI DLL: " + missing + " ("), HasSubstr("No such file or directory")));

  // A library of the other word size: its ELF class byte says 32 bits.
  const std::string other_class = CopyOf(ORACLE_STANDIN_PATH, "class32");
  {
    std::fstream file(other_class, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(4);
    file.put('\x01');
  }
  WriteOracleValue("", "OCIDLL", other_class);
  EXPECT_THAT(MessageOf([] { LoadOciEntryPoints(); }),
              AllOf(StartsWith("Cannot load OCI DLL: " + other_class + " ("), HasSubstr("wrong ELF class")));

  WriteOracleValue("", "OCIDLL", ORACLE_STANDIN_MISSING_DEPENDENCY_PATH);
  EXPECT_THAT(MessageOf([] { LoadOciEntryPoints(); }),
              AllOf(StartsWith(std::string("Cannot load OCI DLL: ") + ORACLE_STANDIN_MISSING_DEPENDENCY_PATH + " ("),
                    HasSubstr("liboci_standin_dependency.so")));
  EXPECT_EQ(OCIDLL, "");
}

// The registry names a library that is no client at all (zlib, which this
// program has loaded anyway): it is called what it is, by its path, not a
// client of the release its file name's suffix reads as.
TEST_F(FileVersionTest, ALibraryThatIsNoClientIsNamedAsSuch) {
  Dl_info zlib{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&zlibVersion), &zlib), 0);
  const std::string path = zlib.dli_fname;
  ASSERT_NE(VersionSuffixOf(path.substr(path.rfind('/') + 1)), "") << path;
  WriteOracleValue("", "OCIDLL", path);
  EXPECT_EQ(MessageOf([] { LoadOciEntryPoints(); }), "Not an Oracle client library: " + path);
  EXPECT_EQ(OCIDLL, "");
  EXPECT_FALSE(IsOciLoaded());
}

// Run by TheLoaderFindsAnOlderClientByItsBareName in a child started with
// LD_LIBRARY_PATH, which the loader reads only at start-up.
TEST_F(FileVersionTest, OlderClientOnTheLoaderPathChild) {
  if (!std::getenv("ORACLE_TEST_LOADER_CHILD")) GTEST_SKIP() << "runs in a child process";
  LoadOciEntryPoints();
  EXPECT_EQ(OCIDLL, "libclntsh.so");
  EXPECT_EQ(OCIClientVersionText, "8.0") << "the file the loader found leads to libclntsh.so.8.0";
}

TEST(LoaderSearch, TheLoaderFindsAnOlderClientByItsBareName) {
  char pattern[] = "/tmp/oracle-loader-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  fs::create_symlink(ORACLE_STANDIN_80_PATH, folder + "/libclntsh.so");
  EXPECT_TRUE(RunWithLoaderPath(folder, "FileVersionTest.OlderClientOnTheLoaderPathChild"));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace oracle::testing
