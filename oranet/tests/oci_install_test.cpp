// Direct mode entered and left through the Oracle layer's installer: the
// table answers with the network client's functions, refuses what the client
// does not implement, and a session logs on and commits through the table.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "classlib/exceptions.h"
#include "oracle/call_direct.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_values.h"
#include "oracle/call_state.h"
#include "oranet/oci_context.h"
#include "oranet/oci_install.h"
#include "oranet/tests/bounded_run.h"
#include "oranet/tests/fake_server.h"
#include "oranet/tests/logon_replies.h"

namespace oranet::testing {
namespace {

using namespace oracle;

// Calls through a slot whatever its signature: only for slots that must
// raise before anything is called.
template <OciSlot S>
void CallUnbound() {
  OciEntry<S, sword()>{}();
}

std::string MessageOf(void (*call)()) {
  try {
    call();
  } catch (const classlib::Exception& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

class OciInstallTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterNetClient(); }
  void TearDown() override {
    RemoveDirectMode();
    ResetOciEntries();
  }
};

TEST_F(OciInstallTest, WithoutARegisteredClientDirectModeIsRefused) {
  RegisterDirectModeInstaller(nullptr);
  EXPECT_FALSE(HasDirectModeInstaller());
  EXPECT_EQ(MessageOf([] { InstallDirectMode(); }),
            "Direct mode is not available: the network client is not registered");
  EXPECT_FALSE(IsDirectMode());
  RemoveDirectMode();  // nothing to remove, nothing raised
}

TEST_F(OciInstallTest, InstallingSetsTheDirectModeStateAndRemovingClearsIt) {
  InstallDirectMode();
  EXPECT_TRUE(IsDirectMode());
  EXPECT_EQ(OCIVersion, 9200);
  EXPECT_EQ(DefaultCallStyle, kOci8);
  EXPECT_TRUE(OCIInited);
  ASSERT_NE(hOCIError, nullptr);
  EXPECT_EQ(hOCIEnv, nullptr);  // direct mode has no environment object

  // The process-wide error handle is the client's own: no error yet is 100.
  sb4 code = -1;
  OraText text[8] = {};
  EXPECT_EQ(OCIErrorGet(hOCIError, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR), OCI_NO_DATA);

  RemoveDirectMode();
  EXPECT_FALSE(IsDirectMode());
  EXPECT_EQ(OCIVersion, 0);
  EXPECT_EQ(DefaultCallStyle, 0);
  EXPECT_EQ(PossibleCallStyles, 0);
  EXPECT_FALSE(OCIInited);
  EXPECT_EQ(hOCIError, nullptr);
  RemoveDirectMode();  // a second removal does nothing
}

TEST_F(OciInstallTest, UnimplementedEntriesRaiseFunctionIsNotSupported) {
  InstallDirectMode();
  EXPECT_EQ(MessageOf(CallUnbound<OciSlot::OCILobCopy>), "Function is not supported");
  EXPECT_EQ(MessageOf(CallUnbound<OciSlot::OCIStmtFetch2>), "Function is not supported");
  EXPECT_EQ(MessageOf(CallUnbound<OciSlot::OCIPasswordChange>), "Function is not supported");
  EXPECT_FALSE(IsOciEntryLinked(OciSlot::OCILobCopy));
  // An entry the client neither implements nor refuses keeps what it held.
  EXPECT_EQ(MessageOf(CallUnbound<OciSlot::OCIPing>), "OCI function is not linked");

  // Reloading the client library starts from an empty table: refusals go too.
  ResetOciEntries();
  EXPECT_EQ(MessageOf(CallUnbound<OciSlot::OCILobCopy>), "OCI function is not linked");
}

TEST_F(OciInstallTest, HandleAllocationThroughTheTable) {
  InstallDirectMode();
  void* handle = nullptr;
  EXPECT_EQ(OCIHandleAlloc(hOCIEnv, &handle, OCI_HTYPE_ENV, 0, nullptr), OCI_INVALID_HANDLE);
  EXPECT_EQ(handle, nullptr);
  ASSERT_EQ(OCIHandleAlloc(hOCIEnv, &handle, OCI_HTYPE_SVCCTX, 0, nullptr), OCI_SUCCESS);
  EXPECT_NE(handle, nullptr);
  EXPECT_EQ(OCIHandleFree(handle, OCI_HTYPE_SVCCTX), OCI_SUCCESS);
}

// Values are computed by the client itself: numbers, date-times and their
// descriptors answer through the table without a server.
TEST_F(OciInstallTest, ValueCallsAnswerThroughTheTable) {
  InstallDirectMode();
  OCINumber number{};
  const int64_t value = -123456;
  ASSERT_EQ(OCINumberFromInt(hOCIError, &value, sizeof value, OCI_NUMBER_SIGNED, &number), OCI_SUCCESS);
  OraText text[64] = {};
  ub4 size = sizeof text;
  ASSERT_EQ(OCINumberToText(hOCIError, &number, nullptr, 0, nullptr, 0, &size, text), OCI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(text), size), "-123456");
  classlib::TBcd bcd{};
  EXPECT_EQ(OCINumberToBCD(hOCIError, &number, &bcd), OCI_SUCCESS);
  EXPECT_EQ(classlib::BCDToStr(bcd), "-123456");

  void* stamp = nullptr;
  ASSERT_EQ(OCIDescriptorAlloc(hOCIEnv, &stamp, OCI_DTYPE_TIMESTAMP, 0, nullptr), OCI_SUCCESS);
  auto* value_stamp = static_cast<OCIDateTime*>(stamp);
  ASSERT_EQ(OCIDateTimeConstruct(hOCIEnv, hOCIError, value_stamp, 2024, 2, 29, 13, 5, 7, 0, nullptr, 0), OCI_SUCCESS);
  sb2 year = 0;
  ub1 month = 0, day = 0;
  EXPECT_EQ(OCIDateTimeGetDate(hOCIEnv, hOCIError, value_stamp, &year, &month, &day), OCI_SUCCESS);
  EXPECT_EQ(year, 2024);
  EXPECT_EQ(month, 2);
  EXPECT_EQ(day, 29);
  EXPECT_EQ(OCIDescriptorFree(stamp, OCI_DTYPE_TIMESTAMP), OCI_SUCCESS);
}

TEST_F(OciInstallTest, SessionLogsOnCommitsAndLogsOffThroughTheTable) {
  TFakeServer fake({TFakeScript{
      TFakeStep::Expect(kTnsConnect), TFakeStep::SendRaw(AcceptPacket()),
      TFakeStep::Expect(kTnsData),    TFakeStep::SendRaw(DataPacket(ProtocolReply(6))),
      TFakeStep::Expect(kTnsData),    TFakeStep::SendRaw(DataPacket(DataTypeReply())),
      TFakeStep::Expect(kTnsData),    TFakeStep::SendRaw(DataPacket(Phase1Reply("0123456789ABCDEF"))),
      TFakeStep::Expect(kTnsData),    TFakeStep::SendRaw(DataPacket(StatusMessage(0))),
      TFakeStep::Expect(kTnsData),    TFakeStep::SendRaw(DataPacket(Hex("09"))),
      TFakeStep::Expect(kTnsData),    TFakeStep::SendRaw(DataPacket(Hex("09"))),
      TFakeStep::Expect(kTnsData),    TFakeStep::SendRaw(DataPacket(Hex("09"))),
      TFakeStep::Expect(kTnsData)}});
  InstallDirectMode();
  void *error = nullptr, *context = nullptr, *server = nullptr, *session = nullptr;
  ASSERT_EQ(OCIHandleAlloc(hOCIEnv, &error, OCI_HTYPE_ERROR, 0, nullptr), OCI_SUCCESS);
  ASSERT_EQ(OCIHandleAlloc(hOCIEnv, &context, OCI_HTYPE_SVCCTX, 0, nullptr), OCI_SUCCESS);
  ASSERT_EQ(OCIHandleAlloc(hOCIEnv, &server, OCI_HTYPE_SERVER, 0, nullptr), OCI_SUCCESS);
  ASSERT_EQ(OCIHandleAlloc(hOCIEnv, &session, OCI_HTYPE_SESSION, 0, nullptr), OCI_SUCCESS);
  auto* err = static_cast<OCIError*>(error);
  const std::string link = "127.0.0.1:" + std::to_string(fake.Port()) + ":orcl";
  EXPECT_EQ(OCIServerAttach(static_cast<OCIServer*>(server), err, reinterpret_cast<const OraText*>(link.data()),
                            static_cast<sb4>(link.size()), 0),
            OCI_SUCCESS);
  OCIAttrSet(context, OCI_HTYPE_SVCCTX, server, 0, OCI_ATTR_SERVER, err);
  std::string user = "scott", password = "tiger";
  OCIAttrSet(session, OCI_HTYPE_SESSION, user.data(), static_cast<ub4>(user.size()), OCI_ATTR_USERNAME, err);
  OCIAttrSet(session, OCI_HTYPE_SESSION, password.data(), static_cast<ub4>(password.size()), OCI_ATTR_PASSWORD,
             err);
  static_cast<TNetServiceContext*>(static_cast<TNetHandle*>(context))
      ->SetClientIdentity({"HOST", "HOST", "alice", "1:2", "updater"});
  auto* svc = static_cast<OCISvcCtx*>(context);
  sword begin = -9, commit = -9, rollback = -9, end = -9;
  RunBounded(std::chrono::milliseconds(8000), [&] {
    begin = OCISessionBegin(svc, err, static_cast<OCISession*>(session), OCI_CRED_RDBMS, OCI_DEFAULT);
    commit = OCITransCommit(svc, err, 0);
    rollback = OCITransRollback(svc, err, 0);
    end = OCISessionEnd(svc, err, static_cast<OCISession*>(session), 0);
  });
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  EXPECT_EQ(begin, OCI_SUCCESS);
  EXPECT_EQ(commit, OCI_SUCCESS);
  EXPECT_EQ(rollback, OCI_SUCCESS);
  EXPECT_EQ(end, OCI_SUCCESS);
  const auto data = fake.PacketsOfType(kTnsData);
  ASSERT_EQ(data.size(), 8u);
  EXPECT_EQ(data[4][kTnsDataOffset + 1], 14);  // commit
  EXPECT_EQ(data[5][kTnsDataOffset + 1], 15);  // rollback
  EXPECT_EQ(data[6][kTnsDataOffset + 1], 9);   // log-off
  for (void* handle : {session, server, context, error}) OCIHandleFree(handle, 0);
}

}  // namespace
}  // namespace oranet::testing
