// The logon on the scripted transport: the bodies of both phases byte for
// byte with a fixed client identity, the replies and their faults, and the
// server text.
#include <gtest/gtest.h>

#include <memory>

#include "classlib/exceptions.h"
#include "oranet/logon_call.h"
#include "oranet/logon_connect.h"
#include "oranet/tests/expect_error.h"
#include "oranet/tests/logon_replies.h"
#include "oranet/tests/scripted_transport.h"
#include "oranet/tests/ttc_fixture.h"

namespace oranet::testing {
namespace {

TClientIdentity FixedIdentity() { return {"HOST", "DOM\\HOST", "alice", "1234:5678", "updater"}; }

// The body's strings after the user name and password text.
TBytes IdentityStrings() {
  return Concat({Hex("04"), Bytes("HOST"), Hex("08"), Bytes("DOM\\HOST"), Hex("05"), Bytes("alice"), Hex("09"),
                 Bytes("1234:5678"), Hex("07"), Bytes("updater")});
}

// The logon call of a phase for user SCOTT: `password` announces the
// password text, `mode` is the logon mode's ub4, `phase` the phase byte.
TBytes LogonBody(const std::string& function, const std::string& password, const std::string& mode,
                 const std::string& phase, const TBytes& passwordText) {
  return Concat({Hex("03" + function + "00  01 01 05") , Hex(password), Hex("00" + mode + "00 00"),
                 Hex("01 01 04  01 01 08  01 01 05  02 10 00  01 01 09  01 01 07  00 00 00"),
                 Hex("00" + phase + "01 10" + phase), Hex("05"), Bytes("SCOTT"), passwordText, IdentityStrings()});
}

// One logon on its own scripted transport.
struct ScriptedLogon {
  ScriptedLogon() {
    auto transport = std::make_unique<TScriptedTransport>();
    net = transport.get();
    tns = std::make_unique<TTnsConnection>(std::move(transport));
    request.server = "db.example:1522:prod";
    request.user = "SCOTT";
    request.password = "TIGER";
    request.identity = FixedIdentity();
  }

  // The server accepts and negotiates; `logon` is what it says after.
  void ServerAnswers(const std::vector<TBytes>& logon) {
    net->Feed(AcceptPacket());
    net->Feed(DataPacket(ProtocolReply(6)));
    net->Feed(DataPacket(DataTypeReply()));
    for (const TBytes& reply : logon) net->Feed(DataPacket(reply));
  }
  // The payload of the n-th packet sent (0 is the CONNECT).
  TBytes SentPayload(size_t n) {
    const TBytes& packet = net->Sent().at(n);
    return TBytes(packet.begin() + kTnsDataOffset, packet.end());
  }

  TScriptedTransport* net;
  std::unique_ptr<TTnsConnection> tns;
  TLogonRequest request;
  TLogonSession session;
};

class LogonTest : public ::testing::Test, public ScriptedLogon {};

TEST_F(LogonTest, BothPhasesByteForByte) {
  ServerAnswers({Phase1Reply("0123456789ABCDEF"), StatusMessage(0)});
  EXPECT_EQ(NetConnect(*tns, request, session), 0);
  EXPECT_TRUE(session.connected);
  ASSERT_EQ(net->Sent().size(), 5u);
  EXPECT_EQ(net->Connects().at(0).host, "db.example");
  EXPECT_EQ(net->Connects().at(0).port, 1522);
  EXPECT_EQ(SentPayload(3), LogonBody("52", "00 00", "00", "01", {}));
  EXPECT_EQ(SentPayload(4), LogonBody("51", "01 01 11", "00", "00",
                                      Concat({Hex("11"), Bytes("EA1271E59F85AA433")})));
  EXPECT_EQ(session.sessionKeyText, "0123456789ABCDEF");
  EXPECT_EQ(session.server.serverVersion, 8100);
  // The server's AL32UTF8 is taken as UTF8, so texts are converted.
  EXPECT_EQ(session.clientCharsetId, 871);
  EXPECT_TRUE(tns->ConversionFlag());
  EXPECT_EQ(session.longestString, 4000);
}

TEST_F(LogonTest, SysdbaModeAndTheClientCharacterSet) {
  request.ociMode = 2;
  request.clientCharsetId = 873;
  ServerAnswers({Phase1Reply("0123456789ABCDEF"), StatusMessage(0)});
  EXPECT_EQ(NetConnect(*tns, request, session), 0);
  EXPECT_EQ(SentPayload(3), LogonBody("52", "00 00", "01 08", "01", {}));
  // The data-type request names the client character set twice.
  const TBytes dataTypes = SentPayload(2);
  EXPECT_EQ(TBytes(dataTypes.begin(), dataTypes.begin() + 5), Hex("02 67 03 67 03"));
  EXPECT_EQ(session.clientCharsetId, 871);
  EXPECT_TRUE(tns->ConversionFlag());
  EXPECT_EQ(LogonModeOf(4), 16);
  EXPECT_EQ(LogonModeOf(1), 0);
}

TEST_F(LogonTest, WrongPasswordEndsWithTheServersError) {
  ServerAnswers({Phase1Reply("0123456789ABCDEF"), StatusMessage(1017, kWrongPasswordText)});
  EXPECT_EQ(NetConnect(*tns, request, session), -1);
  EXPECT_FALSE(session.connected);
  EXPECT_EQ(session.status.errorNumber, 1017);
  EXPECT_EQ(session.status.errorText, kWrongPasswordText);
}

TEST_F(LogonTest, UnknownUserEndsAfterPhaseOne) {
  ServerAnswers({StatusMessage(1017, kWrongPasswordText)});
  EXPECT_EQ(NetConnect(*tns, request, session), -1);
  EXPECT_EQ(net->Sent().size(), 4u);  // no phase 2
  EXPECT_EQ(session.status.errorNumber, 1017);
}

// The key is checked as it arrives, before any password goes out.
TEST_F(LogonTest, MalformedSessionKeysAreRefusedAtOnce) {
  ServerAnswers({Phase1Reply("")});
  ExpectErrorCode<ENetUnknownError>(210, [&] { NetConnect(*tns, request, session); });
  ScriptedLogon other;
  other.ServerAnswers({Phase1Reply("0123456789ABCDEF0")});
  ExpectErrorCode<ENetUnknownError>(106, [&] { NetConnect(*other.tns, other.request, other.session); });
  EXPECT_EQ(other.net->Sent().size(), 4u);
  ScriptedLogon third;
  third.ServerAnswers({Phase1Reply("0123456789abcdeX")});
  ExpectErrorCode<ENetUnknownError>(106, [&] { NetConnect(*third.tns, third.request, third.session); });
}

// Phase 1 without a key: the password cannot be encrypted.
TEST_F(LogonTest, PhaseOneWithoutAKey) {
  ServerAnswers({StatusMessage(0)});
  ExpectErrorCode<ENetUnknownError>(210, [&] { NetConnect(*tns, request, session); });
}

class LogonReplyTest : public TtcTest {
 protected:
  LogonReplyTest() {
    Negotiated();
    tns->SetByteStringMode(2);
  }
  std::string key;
};

TEST_F(LogonReplyTest, AKeyTwiceOrInPhaseTwoIsAProtocolFault) {
  ServerSays(Concat({SessionKeyMessage("0123456789ABCDEF"), SessionKeyMessage("0123456789ABCDEF")}));
  ExpectUnknownError(1, [&] { ReadLogonReply(*reader, TLogonPhase::kUser, key); });
  ServerSays(SessionKeyMessage("0123456789ABCDEF"));
  ExpectUnknownError(1, [&] { ReadLogonReply(*reader, TLogonPhase::kPassword, key); });
  ServerSays(Hex("06"));
  ExpectUnknownError(1, [&] { ReadLogonReply(*reader, TLogonPhase::kUser, key); });
}

TEST_F(LogonReplyTest, AWarningEndsTheReplyWithoutError) {
  ServerSays(Concat({Hex("0f  01 05  01 03  00  03"), Bytes("abc")}));
  EXPECT_EQ(ReadLogonReply(*reader, TLogonPhase::kPassword, key).Result(), 0);
}

TEST(LogonServerTextTest, HostPortAndSid) {
  auto check = [](const std::string& text, const std::string& host, int port, const std::string& sid) {
    const TTnsAddress a = ParseServerText(text);
    EXPECT_EQ(a.host, host) << text;
    EXPECT_EQ(a.port, port) << text;
    EXPECT_EQ(a.sid, sid) << text;
  };
  check("", "local", 1521, "orcl");
  check("db", "db", 1521, "orcl");
  check("db:1600", "db", 1600, "orcl");
  check("db:1600:prod", "db", 1600, "prod");
  check(":1600:", "local", 1600, "orcl");
  EXPECT_THROW(ParseServerText("db:port"), classlib::EConvertError);
}

}  // namespace
}  // namespace oranet::testing
