// A direct-mode session through the call-interface entries against the
// fake server: session begin, commit, rollback and end; a wrong password;
// a server that goes away in the middle of a call.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "oranet/oci_context.h"
#include "oranet/oci_entries.h"
#include "oranet/oci_error.h"
#include "oranet/tests/bounded_run.h"
#include "oranet/tests/fake_server_logon.h"
#include "oranet/tests/scripted_transport.h"
#include "oranet/ttc_status.h"

namespace oranet::testing {
namespace {

using namespace oracle;

constexpr auto kBound = std::chrono::milliseconds(8000);

// The handles of one session, set up as the Oracle layer sets them.
class OciSessionTest : public ::testing::Test {
 protected:
  void Allocate(int port, const std::string& password, const std::string& sid = "orcl") {
    NetHandleAlloc(nullptr, &error, OCI_HTYPE_ERROR, 0, nullptr);
    NetHandleAlloc(nullptr, &context, OCI_HTYPE_SVCCTX, 0, nullptr);
    NetHandleAlloc(nullptr, &server, OCI_HTYPE_SERVER, 0, nullptr);
    NetHandleAlloc(nullptr, &session, OCI_HTYPE_SESSION, 0, nullptr);
    const std::string link = "127.0.0.1:" + std::to_string(port) + ":" + sid;
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

// A server that does not answer within the time-out: the client library's
// receive time-out, and the connection is closed, since an answer that
// came later would be read as the next call's.
TEST_F(OciSessionTest, AReceiveTimeOutIsReportedAsSuchAndEndsTheConnection) {
  TFakeServer fake({LogonThen(StatusMessage(0), {TFakeStep::Expect(kTnsData), TFakeStep::Silent(1500),
                                                 TFakeStep::SendRaw(DataPacket(Hex("09")))})});
  Allocate(fake.Port(), "tiger");
  ub4 timeout = 300;
  NetAttrSet(context, OCI_HTYPE_SVCCTX, &timeout, 0, OCI_ATTR_DIRECT_CONNECT_TIMEOUT, Error());
  sword commit = -9, again = -9;
  std::string first, second;
  sb4 firstCode = 0, secondCode = 0;
  RunBounded(kBound, [&] {
    ASSERT_EQ(NetSessionBegin(Context(), Error(), Session(), OCI_CRED_RDBMS, OCI_DEFAULT), OCI_SUCCESS);
    commit = NetTransCommit(Context(), Error(), 0);
    first = ErrorText(firstCode);
    again = NetTransCommit(Context(), Error(), 0);
    second = ErrorText(secondCode);
  });
  fake.Join();
  EXPECT_EQ(commit, OCI_ERROR);
  EXPECT_EQ(first, "ORA-12609: TNS:Receive timeout occurred");
  EXPECT_EQ(firstCode, -12609);
  EXPECT_EQ(again, OCI_ERROR);
  EXPECT_EQ(second, "ORA-03114: not connected to ORACLE");
  EXPECT_EQ(secondCode, -3114);
}

// An answer the client cannot read leaves the rest of it in the stream: the
// connection is closed with the fatal protocol error, the next call does
// not read the leftover, and the session may log on anew.
TEST_F(OciSessionTest, AProtocolViolationBreaksTheConnectionAndALogonStartsAfresh) {
  TFakeServer fake({LogonThen(StatusMessage(0), {TFakeStep::Expect(kTnsData),
                                                 TFakeStep::SendRaw(DataPacket(Hex("05 09 09 09"))),
                                                 TFakeStep::Silent(1000)}),
                    LogonThen(StatusMessage(0), {TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(Hex("09"))),
                                                 TFakeStep::Expect(kTnsData)})});
  Allocate(fake.Port(), "tiger");
  sword commit = -9, again = -9, end = -9, logon = -9, commitAfter = -9;
  std::string first, second;
  sb4 code = 0;
  RunBounded(kBound, [&] {
    ASSERT_EQ(NetSessionBegin(Context(), Error(), Session(), OCI_CRED_RDBMS, OCI_DEFAULT), OCI_SUCCESS);
    commit = NetTransCommit(Context(), Error(), 0);
    first = ErrorText(code);
    again = NetTransCommit(Context(), Error(), 0);
    second = ErrorText(code);
    end = NetSessionEnd(Context(), Error(), Session(), 0);
    logon = NetSessionBegin(Context(), Error(), Session(), OCI_CRED_RDBMS, OCI_DEFAULT);
    commitAfter = NetTransCommit(Context(), Error(), 0);
    NetSessionEnd(Context(), Error(), Session(), 0);
  });
  fake.Join();
  EXPECT_EQ(commit, OCI_ERROR);
  EXPECT_EQ(first, "ORA-03106: fatal two-task communication protocol error (NET: Unknown error 1)");
  EXPECT_EQ(again, OCI_ERROR);
  EXPECT_EQ(second, "ORA-03114: not connected to ORACLE") << "the leftover 09 was not read as the answer";
  EXPECT_EQ(end, OCI_ERROR) << "a broken session ends all the same";
  EXPECT_EQ(logon, OCI_SUCCESS);
  EXPECT_EQ(commitAfter, OCI_SUCCESS);
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
}

// The server breaks off the protocol negotiation with a marker and a
// status that names no error: a real error with a text, never "error 0".
TEST_F(OciSessionTest, ABreakDuringTheNegotiationIsARealError) {
  TFakeServer fake({{TFakeStep::Expect(kTnsConnect), TFakeStep::SendRaw(AcceptPacket()), TFakeStep::Expect(kTnsData),
                     TFakeStep::SendRaw(MarkerPacket(1, kMarkerBreak)), TFakeStep::Expect(kTnsMarker),
                     TFakeStep::SendRaw(MarkerPacket(1, kMarkerReset)),
                     TFakeStep::SendRaw(DataPacket(Concat({Hex("04"), TBytes(30, 0)}))), TFakeStep::Silent(1000)}});
  Allocate(fake.Port(), "tiger");
  sword begin = -9;
  std::string text;
  sb4 code = 0;
  RunBounded(kBound, [&] {
    begin = NetSessionBegin(Context(), Error(), Session(), OCI_CRED_RDBMS, OCI_DEFAULT);
    text = ErrorText(code);
  });
  fake.Join();
  EXPECT_EQ(begin, OCI_ERROR);
  EXPECT_EQ(code, -3106);
  EXPECT_EQ(text, "ORA-03106: fatal two-task communication protocol error (NET: the server broke off the call "
                  "without an error)");
  const auto markers = fake.PacketsOfType(kTnsMarker);
  ASSERT_EQ(markers.size(), 1u);
  EXPECT_EQ(markers[0], MarkerPacket(1, kMarkerReset)) << "the client answered the break with a reset";
}

// The client's own break, answered with a status that names no error, is
// reported as the cancel it was; the stream stays in step.
TEST_F(OciSessionTest, AnAnswerToTheClientsBreakWithoutAnErrorIsACancel) {
  auto transport = std::make_unique<TScriptedTransport>();
  TScriptedTransport* net = transport.get();
  TTnsConnection tns(std::move(transport));
  net->Feed(AcceptPacket());
  tns.Connect("db", 1521, 0, "orcl");
  tns.Representation().SetNegotiated();
  tns.SendBreak();
  net->Feed(MarkerPacket(1, kMarkerBreak));
  net->Feed(MarkerPacket(1, kMarkerReset));
  net->Feed(DataPacket(Concat({Hex("04 00 00"), TBytes(20, 0), Hex("09")})));
  TNetError handle(nullptr);
  const sword status = GuardedCall(&tns, &handle, [&] {
    TTtcReader reader(tns);
    return ReadSimpleReply(reader).Result();
  });
  EXPECT_EQ(status, OCI_ERROR);
  EXPECT_EQ(handle.Number(), 1013);
  EXPECT_EQ(handle.Text(), "ORA-01013: user requested cancel of current operation");
  EXPECT_TRUE(net->Connected()) << "the status was read whole: the connection serves on";
  TTtcReader reader(tns);
  EXPECT_EQ(reader.ReadUB1(), 9) << "the next message is the next one the server sent";
}

// A server that takes a session data unit of 512 bytes and a SID whose
// descriptor is too long for the CONNECT packet: the connect data follow
// in a DATA packet, and no packet of the session is larger than 512 bytes
// (the logon's data-type negotiation alone is longer).
TEST_F(OciSessionTest, TheAcceptedSduAndLongConnectDataHoldForAWholeSession) {
  const std::string sid(220, 'S');
  TFakeScript script = LogonThen(StatusMessage(0), {TFakeStep::Expect(kTnsData),
                                                    TFakeStep::SendRaw(DataPacket(Hex("09"))),
                                                    TFakeStep::Expect(kTnsData),
                                                    TFakeStep::SendRaw(DataPacket(Hex("09"))),
                                                    TFakeStep::Expect(kTnsData)});
  script[1] = TFakeStep::SendRaw(AcceptPacket(512));
  // Requests now span packets: each is read whole before it is answered.
  for (TFakeStep& step : script)
    if (step.kind == TFakeStep::kExpect && step.type == kTnsData) step = TFakeStep::ExpectBurst(kTnsData);
  script.insert(script.begin() + 1, TFakeStep::Expect(kTnsData));  // the connect data
  TFakeServer fake({script});
  Allocate(fake.Port(), "tiger", sid);
  sword begin = -9, commit = -9, end = -9;
  RunBounded(kBound, [&] {
    begin = NetSessionBegin(Context(), Error(), Session(), OCI_CRED_RDBMS, OCI_DEFAULT);
    commit = NetTransCommit(Context(), Error(), 0);
    end = NetSessionEnd(Context(), Error(), Session(), 0);
  });
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  EXPECT_EQ(begin, OCI_SUCCESS);
  EXPECT_EQ(commit, OCI_SUCCESS);
  EXPECT_EQ(end, OCI_SUCCESS);
  const auto connects = fake.PacketsOfType(kTnsConnect);
  ASSERT_EQ(connects.size(), 1u);
  EXPECT_EQ(connects[0].size(), 34u) << "no connect data inline";
  const auto data = fake.PacketsOfType(kTnsData);
  ASSERT_FALSE(data.empty());
  EXPECT_EQ(std::string(data[0].begin() + kTnsDataOffset, data[0].end()), ConnectDescriptor("127.0.0.1", fake.Port(), sid));
  size_t largest = 0;
  for (const TBytes& packet : data) largest = std::max(largest, packet.size());
  EXPECT_EQ(largest, 512u) << "the negotiation filled packets up to the agreed SDU, and no further";
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
