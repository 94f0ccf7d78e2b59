// A direct-mode session through the call-interface entries against the
// fake server: session begin, commit, rollback and end; a wrong password;
// a server that goes away in the middle of a call.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "oranet/oci_context.h"
#include "oranet/oci_entries.h"
#include "oranet/oci_error.h"
#include "oranet/tests/bounded_run.h"
#include "oranet/tests/fake_server_logon.h"

namespace oranet::testing {
namespace {

using namespace oracle;

constexpr auto kBound = std::chrono::milliseconds(8000);

// The handles of one session, set up as the Oracle layer sets them.
class OciSessionTest : public ::testing::Test {
 protected:
  void Allocate(int port, const std::string& password) {
    NetHandleAlloc(nullptr, &error, OCI_HTYPE_ERROR, 0, nullptr);
    NetHandleAlloc(nullptr, &context, OCI_HTYPE_SVCCTX, 0, nullptr);
    NetHandleAlloc(nullptr, &server, OCI_HTYPE_SERVER, 0, nullptr);
    NetHandleAlloc(nullptr, &session, OCI_HTYPE_SESSION, 0, nullptr);
    const std::string link = "127.0.0.1:" + std::to_string(port) + ":orcl";
    NetServerAttach(Server(), Error(), reinterpret_cast<const OraText*>(link.data()), static_cast<sb4>(link.size()), 0);
    NetAttrSet(context, OCI_HTYPE_SVCCTX, server, 0, OCI_ATTR_SERVER, Error());
    std::string user = "scott";
    NetAttrSet(session, OCI_HTYPE_SESSION, user.data(), static_cast<ub4>(user.size()), OCI_ATTR_USERNAME, Error());
    std::string secret = password;
    NetAttrSet(session, OCI_HTYPE_SESSION, secret.data(), static_cast<ub4>(secret.size()), OCI_ATTR_PASSWORD, Error());
    ub4 timeout = 2000;
    NetAttrSet(context, OCI_HTYPE_SVCCTX, &timeout, 0, OCI_ATTR_DIRECT_CONNECT_TIMEOUT, Error());
    static_cast<TNetServiceContext*>(static_cast<TNetHandle*>(context))
        ->SetClientIdentity({"HOST", "HOST", "alice", "1:2", "updater"});
  }
  ~OciSessionTest() override {
    for (void* handle : {session, server, context, error}) NetHandleFree(handle, 0);
  }

  OCISvcCtx* Context() { return static_cast<OCISvcCtx*>(context); }
  OCIError* Error() { return static_cast<OCIError*>(error); }
  OCIServer* Server() { return static_cast<OCIServer*>(server); }
  OCISession* Session() { return static_cast<OCISession*>(session); }
  // The error handle's record: its code and text.
  std::string ErrorText(sb4& code) {
    OraText buffer[512] = {};
    NetErrorGet(error, 1, nullptr, &code, buffer, sizeof buffer, OCI_HTYPE_ERROR);
    return reinterpret_cast<char*>(buffer);
  }

  void* error = nullptr;
  void* context = nullptr;
  void* server = nullptr;
  void* session = nullptr;
};

TEST_F(OciSessionTest, BeginCommitRollbackEnd) {
  TFakeServer fake({LogonThen(StatusMessage(0), {TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(Hex("09"))),
                                                 TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(Hex("09"))),
                                                 TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(Hex("09"))),
                                                 TFakeStep::Expect(kTnsData)})});
  Allocate(fake.Port(), "tiger");
  sword begin = -9, commit = -9, rollback = -9, end = -9, again = -9;
  OraText version[16] = {};
  RunBounded(kBound, [&] {
    begin = NetSessionBegin(Context(), Error(), Session(), OCI_CRED_RDBMS, OCI_DEFAULT);
    again = NetSessionBegin(Context(), Error(), Session(), OCI_CRED_RDBMS, OCI_DEFAULT);
    NetServerVersion(context, Error(), version, sizeof version, OCI_HTYPE_SVCCTX);
    commit = NetTransCommit(Context(), Error(), 0);
    rollback = NetTransRollback(Context(), Error(), 0);
    end = NetSessionEnd(Context(), Error(), Session(), 0);
  });
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  EXPECT_EQ(begin, OCI_SUCCESS);
  EXPECT_EQ(again, OCI_ERROR);  // already connected
  EXPECT_STREQ(reinterpret_cast<char*>(version), "Oracle8");
  EXPECT_EQ(commit, OCI_SUCCESS);
  EXPECT_EQ(rollback, OCI_SUCCESS);
  EXPECT_EQ(end, OCI_SUCCESS);
  EXPECT_EQ(NetSessionEnd(Context(), Error(), Session(), 0), OCI_ERROR);  // no longer connected
  const auto data = fake.PacketsOfType(kTnsData);
  ASSERT_EQ(data.size(), 8u);
  EXPECT_EQ(data[4][kTnsDataOffset + 1], 14);
  EXPECT_EQ(data[5][kTnsDataOffset + 1], 15);
  EXPECT_EQ(data[6][kTnsDataOffset + 1], 9);
  EXPECT_EQ(data[7], Hex("00 0a 00 00 06 00 00 00 00 40"));  // the last packet
}

TEST_F(OciSessionTest, WrongPasswordLeavesOra01017InTheErrorHandle) {
  TFakeServer fake({LogonThen(StatusMessage(1017, kWrongPasswordText), {TFakeStep::Silent(3000)})});
  Allocate(fake.Port(), "lion");
  sword begin = -9;
  RunBounded(kBound, [&] {
    begin = NetSessionBegin(Context(), Error(), Session(), OCI_CRED_RDBMS, OCI_DEFAULT);
    static_cast<TNetServiceContext*>(static_cast<TNetHandle*>(context))->Connection()->Transport().Close();
  });
  fake.Join();
  EXPECT_EQ(begin, OCI_ERROR);
  sb4 code = 0;
  EXPECT_EQ(ErrorText(code), kWrongPasswordText);
  EXPECT_EQ(code, 1017);
}

// The server goes away while the client waits for the commit's answer.
TEST_F(OciSessionTest, ServerGoneInTheMiddleOfACall) {
  TFakeServer fake({LogonThen(StatusMessage(0), {TFakeStep::Expect(kTnsData), TFakeStep::Close()})});
  Allocate(fake.Port(), "tiger");
  sword commit = -9;
  RunBounded(kBound, [&] {
    ASSERT_EQ(NetSessionBegin(Context(), Error(), Session(), OCI_CRED_RDBMS, OCI_DEFAULT), OCI_SUCCESS);
    commit = NetTransCommit(Context(), Error(), 0);
  });
  fake.Join();
  EXPECT_EQ(commit, OCI_ERROR);
  sb4 code = 0;
  EXPECT_EQ(ErrorText(code), "ORA-12571");
  EXPECT_EQ(code, -12571);
}

TEST_F(OciSessionTest, CallsWithoutASessionFailAsNotConnected) {
  Allocate(1, "tiger");
  EXPECT_EQ(NetTransCommit(Context(), Error(), 0), OCI_ERROR);
  sb4 code = 0;
  EXPECT_EQ(ErrorText(code), "ORA-03114: not connected to ORACLE");
  EXPECT_EQ(NetBreak(context, Error()), OCI_ERROR);
  EXPECT_EQ(NetTransCommit(static_cast<OCISvcCtx*>(server), Error(), 0), OCI_INVALID_HANDLE);
}

}  // namespace
}  // namespace oranet::testing
