// The TNS layer over real sockets against the fake server on 127.0.0.1:
// every way a connect or a call can end, each within its bound.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "oranet/net_errors.h"
#include "oranet/net_socket_transport.h"
#include "oranet/tests/bounded_run.h"
#include "oranet/tests/fake_server.h"
#include "oranet/tests/test_packets.h"
#include "oranet/tns_connection.h"

namespace oranet::testing {
namespace {

// These tests write raw bytes into the data stream: the fake server checks
// their packets, not messages.
constexpr auto kStepTimeout = std::chrono::milliseconds(3000);

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr milliseconds kBound(8000);

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

// Runs `call` within the bound; returns the Net error code it raised, or
// -1 when it raised none.
template <class Call>
int NetErrorOf(Call call) {
  int code = -1;
  RunBounded(kBound, [&] {
    try {
      call();
    } catch (const ENetError& e) {
      code = e.Code();
    }
  });
  return code;
}

TEST(TnsFakeServerTest, AcceptThenDataBothWaysThenGracefulDisconnect) {
  TFakeServer server({{TFakeStep::Expect(kTnsConnect), TFakeStep::SendRaw(AcceptPacket()),
                       TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(Hex("0a 0b"))),
                       TFakeStep::Expect(kTnsData)}}, kStepTimeout, TRequestChecks::kPackets);
  TTnsConnection tns;
  RunBounded(kBound, [&] {
    tns.Connect("127.0.0.1", server.Port(), 2000, "orcl");
    const uint8_t ask[] = {1, 2, 3};
    tns.WriteBytesRaw(ask, 0, 3);
    uint8_t answer[2] = {};
    tns.ReadData(answer, 0, 2);
    EXPECT_EQ(TBytes(answer, answer + 2), Hex("0a 0b"));
    tns.Disconnect();
  });
  server.Join();
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
  const auto connects = server.PacketsOfType(kTnsConnect);
  ASSERT_EQ(connects.size(), 1u);
  const std::string descriptor(connects[0].begin() + 34, connects[0].end());
  EXPECT_EQ(descriptor, ConnectDescriptor("127.0.0.1", server.Port(), "orcl"));
  const auto data = server.PacketsOfType(kTnsData);
  ASSERT_EQ(data.size(), 2u);
  EXPECT_EQ(data[0], Hex("00 0d 00 00 06 00 00 00 00 00 01 02 03"));
  EXPECT_EQ(data[1], Hex("00 0a 00 00 06 00 00 00 00 40"));
  EXPECT_FALSE(tns.Transport().Connected());
}

TEST(TnsFakeServerTest, RefuseIsNetError206) {
  TFakeServer server({{TFakeStep::Expect(kTnsConnect), TFakeStep::Send(kTnsRefuse, Hex("00 00 00 00"))}}, kStepTimeout, TRequestChecks::kPackets);
  TTnsConnection tns;
  EXPECT_EQ(NetErrorOf([&] { tns.Connect("127.0.0.1", server.Port(), 2000, "orcl"); }), 206);
}

TEST(TnsFakeServerTest, ResendGetsTheConnectAgain) {
  TFakeServer server({{TFakeStep::Expect(kTnsConnect), TFakeStep::Send(kTnsResend, {}),
                       TFakeStep::Expect(kTnsConnect), TFakeStep::SendRaw(AcceptPacket())}}, kStepTimeout, TRequestChecks::kPackets);
  TTnsConnection tns;
  EXPECT_EQ(NetErrorOf([&] { tns.Connect("127.0.0.1", server.Port(), 2000, "orcl"); }), -1);
  server.Join();
  EXPECT_TRUE(server.Failures().empty());
  const auto connects = server.PacketsOfType(kTnsConnect);
  ASSERT_EQ(connects.size(), 2u);
  EXPECT_EQ(connects[0], connects[1]);
}

TEST(TnsFakeServerTest, RedirectGoesToTheSecondListenerWhichKeepsTheTimeout) {
  // The second listener accepts, then stays silent: the read after the
  // redirect must end by the time-out given to the first connect.
  TFakeServer second({{TFakeStep::Expect(kTnsConnect), TFakeStep::SendRaw(AcceptPacket()),
                       TFakeStep::Silent(5000)}}, kStepTimeout, TRequestChecks::kPackets);
  const std::string text = "(DESCRIPTION=(ADDRESS=(PROTOCOL=tcp)(HOST=127.0.0.1)(PORT=" +
                           std::to_string(second.Port()) + "))(CONNECT_DATA=(SERVICE_NAME=svc)))";
  TFakeServer first({{TFakeStep::Expect(kTnsConnect), TFakeStep::SendRaw(RedirectPacket(text))}}, kStepTimeout, TRequestChecks::kPackets);
  TTnsConnection tns;
  EXPECT_EQ(NetErrorOf([&] { tns.Connect("127.0.0.1", first.Port(), 400, "orcl"); }), -1);
  EXPECT_EQ(tns.Port(), second.Port());
  EXPECT_EQ(tns.SID(), "svc");
  const auto start = Clock::now();
  uint8_t byte = 0;
  EXPECT_EQ(NetErrorOf([&] { tns.ReadData(&byte, 0, 1); }), kNetReceiveTimeout);
  EXPECT_LT(MsSince(start), 3000);
  tns.Transport().Close();  // ends the listener's silence
  second.Join();
  const auto connects = second.PacketsOfType(kTnsConnect);
  ASSERT_EQ(connects.size(), 1u);
  const std::string descriptor(connects[0].begin() + 34, connects[0].end());
  EXPECT_EQ(descriptor, ConnectDescriptor("127.0.0.1", second.Port(), "svc"));
}

TEST(TnsFakeServerTest, ConnectTimeoutAgainstAFullBacklogIs10060) {
  TFullBacklogListener listener;
  TTnsConnection tns;
  const auto start = Clock::now();
  std::string message;
  RunBounded(kBound, [&] {
    try {
      tns.Connect("127.0.0.1", listener.Port(), 250, "orcl");
    } catch (const ESocketError& e) {
      message = e.Message();
    }
  });
  const long long elapsed = MsSince(start);
  EXPECT_EQ(message, "(10060)");
  EXPECT_GE(elapsed, 200);
  EXPECT_LT(elapsed, 2000);
  EXPECT_FALSE(tns.Transport().Connected());
}

TEST(TnsFakeServerTest, ReceiveTimeoutAgainstASilentListener) {
  TFakeServer server({{TFakeStep::Expect(kTnsConnect), TFakeStep::Silent(5000)}}, kStepTimeout, TRequestChecks::kPackets);
  TTnsConnection tns;
  const auto start = Clock::now();
  EXPECT_EQ(NetErrorOf([&] { tns.Connect("127.0.0.1", server.Port(), 300, "orcl"); }), kNetReceiveTimeout)
      << "a receive that runs out of time is no lost connection";
  EXPECT_LT(MsSince(start), 3000);
  EXPECT_FALSE(tns.Transport().Connected());
}

TEST(TnsFakeServerTest, ResetMidCallIsALostConnectionAndLaterSendsRaiseNoSignal) {
  TFakeServer server({{TFakeStep::Expect(kTnsConnect), TFakeStep::SendRaw(AcceptPacket()),
                       TFakeStep::Expect(kTnsData), TFakeStep::Reset()}}, kStepTimeout, TRequestChecks::kPackets);
  TTnsConnection tns;
  RunBounded(kBound, [&] { tns.Connect("127.0.0.1", server.Port(), 2000, "orcl"); });
  const uint8_t ask[] = {3, 0x0e, 0};
  tns.WriteBytesRaw(ask, 0, 3);
  uint8_t byte = 0;
  EXPECT_EQ(NetErrorOf([&] { tns.ReadData(&byte, 0, 1); }), 0);
  server.Join();
  // The peer is gone: a send fails with the connection-reset code (a
  // SIGPIPE would have ended the test program).
  int code = 0;
  RunBounded(kBound, [&] {
    try {
      for (int i = 0; i < 3; ++i) tns.FlushData(0);
    } catch (const ESocketError& e) {
      code = e.WinSockCode();
      EXPECT_NE(e.Message().find("(10054)"), std::string::npos) << e.Message();
    }
  });
  EXPECT_EQ(code, 10054);
}

TEST(TnsFakeServerTest, GracefulCloseMidCallIsALostConnection) {
  TFakeServer server({{TFakeStep::Expect(kTnsConnect), TFakeStep::SendRaw(AcceptPacket()),
                       TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(Hex("00 20 00")), TFakeStep::Close()}}, kStepTimeout, TRequestChecks::kPackets);
  TTnsConnection tns;
  RunBounded(kBound, [&] { tns.Connect("127.0.0.1", server.Port(), 0, "orcl"); });  // no time-out to save it
  const uint8_t ask[] = {1};
  tns.WriteBytesRaw(ask, 0, 1);
  uint8_t byte = 0;
  const auto start = Clock::now();
  EXPECT_EQ(NetErrorOf([&] { tns.ReadData(&byte, 0, 1); }), 0);
  EXPECT_LT(MsSince(start), 2000);
}

TEST(TnsFakeServerTest, HostNamesResolveARefusedSocketIs10061AndANameThatDoesNotIs10049) {
  TRefusingPort refusing;
  TNetSocketTransport transport;
  try {
    transport.ConnectTimeout("127.0.0.1", refusing.Port(), 0, 1000);
    ADD_FAILURE() << "connected to a closed port";
  } catch (const ESocketError& e) {
    EXPECT_EQ(e.WinSockCode(), 10061) << e.Message();
    EXPECT_NE(e.Message().find("(10061)"), std::string::npos);
  }
  try {
    transport.Connect("", 1521);  // fails without asking a name server
    ADD_FAILURE() << "resolved an empty name";
  } catch (const ESocketError& e) {
    EXPECT_EQ(e.WinSockCode(), 10049) << e.Message();
  }
  TFakeServer server({{TFakeStep::Expect(kTnsConnect), TFakeStep::SendRaw(AcceptPacket())}}, kStepTimeout, TRequestChecks::kPackets);
  TTnsConnection tns;
  EXPECT_EQ(NetErrorOf([&] { tns.Connect("localhost", server.Port(), 2000, "orcl"); }), -1);
}

}  // namespace
}  // namespace oranet::testing
