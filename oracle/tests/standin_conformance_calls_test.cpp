// The stand-in's injected warnings and the exports of its builds held to the
// public call interface: a call that answers "success with info" has done
// its work; clients export OCIClientVersion from 10.2 on, and a release's
// new calls only from that release on.
#include <string>

#include "oracle/tests/standin_conformance_fixture.h"

namespace oracle::testing::conformance {
namespace {

using SetClientVersion = int(int, int, int, int, int);

class CallsConformance : public ConformanceTest {};

TEST_F(CallsConformance, ALogonThatWarnsHasLoggedOn) {
  ASSERT_EQ(LogOff(), kSuccess);
  ASSERT_EQ(InjectFault("OCISessionBegin", 1, kSuccessWithInfo, 28002,
                        "ORA-28002: the password will expire within 7 days"),
            0);
  EXPECT_EQ(LogOn(), kSuccessWithInfo);
  EXPECT_EQ(ErrorCode(), 28002);
  void* statement = Query("S VARCHAR2(6)", "a");
  EXPECT_EQ(Execute(statement, 0), kSuccess) << "the session works";
}

TEST_F(CallsConformance, AWarningIsOnlyForACallThatDoesWork) {
  EXPECT_EQ(InjectFault("OCIHandleAlloc", 1, kSuccessWithInfo, 24347, "ORA-24347"), -1);
  EXPECT_EQ(InjectFault("OCIStmtExecute", 1, kSuccessWithInfo, 24347, "ORA-24347"), 0);
  void* statement = Query("S VARCHAR2(6)", "a");
  EXPECT_EQ(Execute(statement, 0), kSuccessWithInfo);
  EXPECT_EQ(Execute(statement, 0), kSuccess) << "the warning was for one call";
}

TEST(ClientExports, TheVersionCallFromTenTwoOnAndEachReleasesCallsFromThatRelease) {
  PublicClient full(ORACLE_STANDIN_PATH);
  EXPECT_TRUE(full.Exports("OCIClientVersion"));
  auto set_full = full.Entry<SetClientVersion>("standin_set_client_version");
  EXPECT_EQ(set_full(9, 2, 0, 1, 0), -1) << "a 9.2 client has no version call";
  EXPECT_EQ(set_full(11, 1, 0, 6, 0), 0);
  EXPECT_EQ(set_full(10, 2, 0, 1, 0), 0);

  PublicClient ten_one(ORACLE_STANDIN_101_PATH);
  EXPECT_FALSE(ten_one.Exports("OCIClientVersion"));
  EXPECT_TRUE(ten_one.Exports("OCILobRead2"));
  auto set_older = ten_one.Entry<SetClientVersion>("standin_set_client_version");
  EXPECT_EQ(set_older(10, 2, 0, 1, 0), -1) << "a 10.2 client has the version call";
  EXPECT_EQ(set_older(9, 2, 0, 1, 0), 0);

  PublicClient eight(ORACLE_STANDIN_80_PATH);
  for (const char* later : {"OCIClientVersion", "OCIPing", "OCILobRead2", "OCIStmtPrepare2", "OCIDateTimeConstruct",
                            "OCIStmtFetch2", "OCIEnvCreate", "OCILobCreateTemporary"})
    EXPECT_FALSE(eight.Exports(later)) << later;
  for (const char* own : {"OCIInitialize", "OCIEnvInit", "OCIStmtExecute", "OCILobRead", "olog"})
    EXPECT_TRUE(eight.Exports(own)) << own;
}

}  // namespace
}  // namespace oracle::testing::conformance
