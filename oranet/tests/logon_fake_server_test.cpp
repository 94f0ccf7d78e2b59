// The connect and logon over a real socket against the fake server: a
// session that logs on, commits and logs off; a wrong password; session
// keys the client refuses.
#include <gtest/gtest.h>

#include <chrono>

#include "oranet/logon_connect.h"
#include "oranet/tests/bounded_run.h"
#include "oranet/tests/expect_error.h"
#include "oranet/tests/fake_server.h"
#include "oranet/tests/logon_replies.h"
#include "oranet/ttc_codes.h"
#include "oranet/ttc_status.h"

namespace oranet::testing {
namespace {

constexpr auto kBound = std::chrono::milliseconds(8000);

// Accept, negotiate, answer phase 1 with `phase1`; then the steps given.
TFakeScript LogonScript(const TBytes& phase1, std::initializer_list<TFakeStep> then) {
  TFakeScript script{TFakeStep::Expect(kTnsConnect), TFakeStep::SendRaw(AcceptPacket()),
                     TFakeStep::Expect(kTnsData),    TFakeStep::SendRaw(DataPacket(ProtocolReply(6))),
                     TFakeStep::Expect(kTnsData),    TFakeStep::SendRaw(DataPacket(DataTypeReply())),
                     TFakeStep::Expect(kTnsData),    TFakeStep::SendRaw(DataPacket(phase1))};
  script.insert(script.end(), then.begin(), then.end());
  return script;
}

TLogonRequest Request(int port, const std::string& password) {
  TLogonRequest request;
  request.server = "127.0.0.1:" + std::to_string(port) + ":orcl";
  request.user = "scott";
  request.password = password;
  request.timeoutMs = 2000;
  request.identity = TClientIdentity{"HOST", "HOST", "alice", "1:2", "updater"};
  return request;
}

void ExpectServerContent(TFakeServer& server) {
  server.Join();
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
}

TEST(LogonFakeServerTest, LogOnCommitAndLogOff) {
  TFakeServer server({LogonScript(Phase1Reply("0123456789ABCDEF"),
                                  {TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(StatusMessage(0))),
                                   TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(Hex("09"))),
                                   TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(Hex("09"))),
                                   TFakeStep::Expect(kTnsData)})});
  TTnsConnection tns;
  TLogonSession session;
  int logon = -2, commit = -2, logoff = -2;
  RunBounded(kBound, [&] {
    logon = NetConnect(tns, Request(server.Port(), "tiger"), session);
    TTtcWriter writer(tns);
    TTtcReader reader(tns);
    WriteFunctionHeader(writer, kTtcCommit);
    commit = ReadSimpleReply(reader).Result();
    WriteFunctionHeader(writer, kTtcLogOff);
    logoff = ReadSimpleReply(reader).Result();
    tns.Disconnect();
  });
  ExpectServerContent(server);
  EXPECT_EQ(logon, 0);
  EXPECT_TRUE(session.connected);
  EXPECT_EQ(commit, 0);
  EXPECT_EQ(logoff, 0);
  // The phase-2 call carries the password as typed, encrypted under the
  // session key the verifier of SCOTT/TIGER opens.
  const auto data = server.PacketsOfType(kTnsData);
  ASSERT_EQ(data.size(), 7u);
  const std::string phase2(data[3].begin(), data[3].end());
  EXPECT_EQ(data[3][kTnsDataOffset + 1], kTtcLogonPhase2);
  EXPECT_NE(phase2.find("63533920380850AF3"), std::string::npos);
  EXPECT_EQ(data[4], Hex("00 0d 00 00 06 00 00 00 00 00 03 0e 00"));
  EXPECT_EQ(data[5], Hex("00 0d 00 00 06 00 00 00 00 00 03 09 00"));
}

TEST(LogonFakeServerTest, WrongPasswordAnswersOra01017) {
  TFakeServer server({LogonScript(
      Phase1Reply("0123456789ABCDEF"),
      {TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(StatusMessage(1017, kWrongPasswordText))),
       TFakeStep::Silent(3000)})});
  TTnsConnection tns;
  TLogonSession session;
  int logon = -2;
  RunBounded(kBound, [&] {
    logon = NetConnect(tns, Request(server.Port(), "lion"), session);
    tns.Transport().Close();
  });
  ExpectServerContent(server);
  EXPECT_EQ(logon, -1);
  EXPECT_FALSE(session.connected);
  EXPECT_EQ(session.status.errorNumber, 1017);
  EXPECT_EQ(session.status.errorText, kWrongPasswordText);
}

TEST(LogonFakeServerTest, EmptyOrLongSessionKeysAreRefused) {
  const struct {
    const char* key;
    int error;
  } cases[] = {{"", 210}, {"0123456789ABCDEF0", 106}};
  for (const auto& c : cases) {
    TFakeServer server({LogonScript(Phase1Reply(c.key), {TFakeStep::Silent(3000)})});
    TTnsConnection tns;
    TLogonSession session;
    RunBounded(kBound, [&] {
      ExpectErrorCode<ENetUnknownError>(c.error, [&] { NetConnect(tns, Request(server.Port(), "tiger"), session); });
      tns.Transport().Close();
    });
    ExpectServerContent(server);
    // No password went out after the bad key.
    EXPECT_EQ(server.PacketsOfType(kTnsData).size(), 3u) << c.key;
  }
}

}  // namespace
}  // namespace oranet::testing
