// Versions, call styles, the table's groups, the environment modes per
// version (as the stand-in logs them), the not-linked stub and unloading.
#include <thread>
#include <vector>

#include "oracle/call_entries.h"
#include "testing/message_of.h"
#include "testing/standin_fixture.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;

class BindingTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    WriteOracleValue("", "OCIDLL", ORACLE_STANDIN_PATH);
  }
  // Loads a client of that version and creates the environment.
  void InitWithVersion(int major, int minor, int update, int patch) {
    UseClient(major, minor, update, patch);
    InitOciEnvironment();
  }
  std::vector<std::string> EnvironmentCalls() {
    std::vector<std::string> calls;
    for (const std::string& line : standin_->Log())
      if (line.rfind("OCIClientVersion", 0) != 0) calls.push_back(line);
    return calls;
  }
};

TEST(ClientVersion, TextsAndNumbers) {
  EXPECT_EQ(ParseClientVersion("9.2.0.1"), 9201);
  EXPECT_EQ(ParseClientVersion(" 10.2.0.1.0 "), 10201) << "the fifth part is ignored";
  EXPECT_EQ(ParseClientVersion("8.0.5.0.0"), 8050);
  EXPECT_EQ(ParseClientVersion("7.3.4"), 7340) << "missing parts count as 0";
  EXPECT_EQ(ParseClientVersion("9.x.0.1"), 9001) << "a part that is no number counts as 0";
  EXPECT_EQ(ParseClientVersion(""), 0);
  EXPECT_EQ(ParseClientVersion("74.7.3.7"), 65535)
      << "a number beyond 16 bits must not wrap round to a supported 9201";
}

TEST_F(BindingTest, TenTwoClientCreatesAThreadedEventEnvironment) {
  InitWithVersion(10, 2, 0, 1);
  EXPECT_EQ(OCIClientVersionText, "10.2.0.1.0");
  EXPECT_EQ(OCIVersion, 10201);
  EXPECT_EQ(PossibleCallStyles, kCallStyleOci7 | kCallStyleOci8);
  EXPECT_EQ(DefaultCallStyle, kOci8);
  EXPECT_TRUE(OCIInited);
  EXPECT_NE(hOCIEnv, nullptr);
  EXPECT_NE(hOCIError, nullptr);
  // Objects, threaded, events; then the error handle; then the older
  // interface's initialisation.
  EXPECT_THAT(EnvironmentCalls(),
              ElementsAre("OCIEnvCreate mode=7", "OCIHandleAlloc type=2", "opinit mode=0"));
  EXPECT_TRUE(IsOci7Initialized());
}

TEST_F(BindingTest, NineTwoClientHasNoEvents) {
  InitWithVersion(9, 2, 0, 1);
  EXPECT_THAT(standin_->LogOf("OCIEnvCreate"), ElementsAre("OCIEnvCreate mode=3"));
  EXPECT_TRUE(IsOciEntryLinked(OciSlot::OCIDateTimeConstruct)) << "9.0 entries are bound";
  EXPECT_FALSE(IsOciEntryLinked(OciSlot::OCILobRead2)) << "10.0 entries are not";
}

TEST_F(BindingTest, EightZeroClientInitialisesTheProcessThenTheEnvironment) {
  InitWithVersion(8, 0, 5, 0);
  EXPECT_EQ(OCIVersion, 8050);
  EXPECT_THAT(EnvironmentCalls(), ElementsAre("OCIInitialize mode=3", "OCIEnvInit mode=8",
                                              "OCIHandleAlloc type=2", "opinit mode=0"));
  EXPECT_FALSE(OCIEnvCreate.Linked()) << "8.1 entries are not bound for 8.0";
  UnloadOci();
  standin_->ClearLog();
  InitWithVersion(8, 0, 4, 0);
  EXPECT_THAT(standin_->LogOf("OCIInitialize"), ElementsAre("OCIInitialize mode=2"))
      << "before 8.0.4.1 the environment is not threaded";
}

TEST_F(BindingTest, SevenThreeClientOffersOnlyTheOlderInterface) {
  InitWithVersion(7, 3, 4, 0);
  EXPECT_EQ(OCIVersion, 7340);
  EXPECT_EQ(PossibleCallStyles, kCallStyleOci7);
  EXPECT_EQ(DefaultCallStyle, kOci7);
  EXPECT_THAT(EnvironmentCalls(), ElementsAre("opinit mode=0"));
  EXPECT_FALSE(OCIHandleAlloc.Linked());
  EXPECT_EQ(MessageOf([] { CheckOci8(); }), "Need Oracle 8 Call Interface");
}

TEST_F(BindingTest, ClientsOutsideEightToTenTwoAreRefused) {
  UseClient(11, 1, 0, 6);
  EXPECT_EQ(MessageOf([] { InitOciEnvironment(); }), "OCI version 11.1.0.6.0 is not supported");
  EXPECT_FALSE(OCIInited);
  EXPECT_EQ(OCIDLL, "");
  // A client without the version call names its release in its file's name.
  UseClient(7, 2, 3);
  EXPECT_EQ(MessageOf([] { InitOciEnvironment(); }), "OCI version 7.2.3 is not supported");
  UseClient(10, 2, 0, 4);
  InitOciEnvironment();
  EXPECT_EQ(OCIVersion, 10204) << "after a refusal the next attempt discovers anew";
}

TEST_F(BindingTest, InterfaceLevelChecks) {
  InitWithVersion(8, 0, 5, 0);
  CheckOci8();
  EXPECT_EQ(MessageOf([] { CheckOci8i(); }), "Need Oracle 8i Call Interface");
  EXPECT_EQ(MessageOf([] { CheckOci9(); }), "Need Oracle 9 Call Interface");
  EXPECT_EQ(MessageOf([] { LoadMtsSupport(); }), "Can not find oramts.dll");
  UnloadOci();
  InitWithVersion(10, 2, 0, 1);
  CheckOci8i();
  CheckOci9();
  EXPECT_EQ(MessageOf([] { LoadMtsSupport(); }), "Can not find oramts10.dll");
}

TEST_F(BindingTest, FailedEnvironmentCreationNamesTheStatus) {
  standin_->InjectFault("OCIEnvCreate", 1, -1, 0, "");
  EXPECT_EQ(MessageOf([] { InitOciEnvironment(); }), "Can't initialize OCI. Error -1");
  EXPECT_FALSE(OCIInited);
  standin_->InjectFault("OCIHandleAlloc", 1, -2, 0, "");
  EXPECT_EQ(MessageOf([] { InitOciEnvironment(); }), "Can't initialize OCI. Error -2");
  InitOciEnvironment();
  EXPECT_TRUE(OCIInited);
  EXPECT_EQ(standin_->LiveHandles(), 2) << "the failed attempt left no environment behind";
}

TEST_F(BindingTest, EnvironmentIsCreatedOnceAcrossThreads) {
  UseClient(10, 2, 0, 1);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) threads.emplace_back([] { InitOciEnvironment(); });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(standin_->LogOf("OCIEnvCreate").size(), 1u);
}

TEST_F(BindingTest, FreeingTheEnvironmentReleasesBothHandles) {
  InitWithVersion(10, 2, 0, 1);
  EXPECT_EQ(standin_->LiveHandles(), 2);
  standin_->ClearLog();
  FreeOciEnvironment();
  EXPECT_THAT(standin_->Log(), ElementsAre("OCIHandleFree type=2", "OCIHandleFree type=1"));
  EXPECT_EQ(standin_->LiveHandles(), 0);
  EXPECT_FALSE(OCIInited);
  EXPECT_EQ(hOCIEnv, nullptr);
}

TEST_F(BindingTest, MissingExportFailsOnlyWhenCalled) {
  WriteOracleValue("", "OCIDLL", ORACLE_STANDIN_NOPING_PATH);
  StandinControl noping(ORACLE_STANDIN_NOPING_PATH);
  noping.Reset();
  InitOciEnvironment();
  EXPECT_TRUE(OCIInited) << "a client without OCIPing still loads";
  EXPECT_FALSE(OCIPing.Linked());
  EXPECT_EQ(MessageOf([] { OCIPing(nullptr, nullptr, OCI_DEFAULT); }), "OCI function is not linked");
  EXPECT_THAT(noping.LogOf("OCIEnvCreate"), ElementsAre("OCIEnvCreate mode=7"));
}

TEST_F(BindingTest, UnloadingLeavesNoEntryIntoTheFreedLibrary) {
  InitWithVersion(10, 2, 0, 1);
  ASSERT_TRUE(OCIHandleAlloc.Linked());
  UnloadOci();
  for (int i = 0; i < kOciSlotCount; ++i)
    EXPECT_FALSE(IsOciEntryLinked(static_cast<OciSlot>(i))) << OciEntryName(static_cast<OciSlot>(i));
  void* handle = nullptr;
  EXPECT_EQ(MessageOf([&] { OCIHandleAlloc(nullptr, &handle, OCI_HTYPE_ERROR, 0, nullptr); }),
            "OCI function is not linked");
  EXPECT_FALSE(IsOciLoaded());
  EXPECT_EQ(OCIVersion, 0);
  EXPECT_EQ(PossibleCallStyles, 0);
  EXPECT_EQ(OCIDLL, "");
  EXPECT_EQ(standin_->LiveHandles(), 0) << "the environment was freed before the library";
}

TEST(EntryTable, GroupsHoldTheirEntriesInOrder) {
  EXPECT_EQ(OciEntryGroup(OciSlot::obindps), OciGroup::Oci7);
  EXPECT_EQ(OciEntryGroup(OciSlot::OCISubscriptionDisable), OciGroup::Oci8);
  EXPECT_EQ(OciEntryGroup(OciSlot::OCITableSize), OciGroup::Oci8Objects);
  EXPECT_EQ(OciEntryGroup(OciSlot::OCIEnvCreate), OciGroup::Oci81);
  EXPECT_EQ(OciEntryGroup(OciSlot::OCIStmtRelease), OciGroup::Oci90);
  EXPECT_EQ(OciEntryGroup(OciSlot::OCILobRead2), OciGroup::Oci100);
  EXPECT_EQ(FindOciSlot("OCIPing"), OciSlot::OCIPing);
  EXPECT_EQ(FindOciSlot("OCIClientVersion"), OciSlot::Count) << "read apart from the table";
}

}  // namespace
}  // namespace oracle::testing
