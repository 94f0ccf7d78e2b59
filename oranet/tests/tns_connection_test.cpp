// The TNS layer byte for byte, on the scripted transport: the CONNECT
// packet, the handshake answers, the DATA stream and the markers.
#include <gtest/gtest.h>

#include <memory>

#include "oranet/net_errors.h"
#include "oranet/tests/expect_error.h"
#include "oranet/tests/scripted_transport.h"
#include "oranet/tests/test_packets.h"
#include "oranet/tns_connection.h"

namespace oranet::testing {
namespace {

class TnsConnectionTest : public ::testing::Test {
 protected:
  TnsConnectionTest() {
    auto transport = std::make_unique<TScriptedTransport>();
    net = transport.get();
    tns = std::make_unique<TTnsConnection>(std::move(transport));
  }

  void ConnectAccepted() {
    net->Feed(AcceptPacket());
    tns->Connect("db", 1521, 0, "orcl");
  }

  template <class Call>
  void ExpectNetError(int code, Call call) {
    ExpectErrorCode<ENetError>(code, call);
  }

  TScriptedTransport* net;
  std::unique_ptr<TTnsConnection> tns;
};

const char kDescriptor[] = "(DESCRIPTION=(ADDRESS=(PROTOCOL=tcp)(HOST=db)(PORT=1521))(CONNECT_DATA=(SID=orcl)))";

TEST_F(TnsConnectionTest, ConnectPacketForDbPort1521Orcl) {
  ConnectAccepted();
  ASSERT_EQ(net->Sent().size(), 1u);
  const TBytes expected = Concat({Hex("00 75 00 00 01 00 00 00"  // length 117, CONNECT
                                      "01 34 01 2c 00 00"        // version, lowest version, options
                                      "08 00 7f ff 4f 98 00 00"  // SDU 2048, TDU 32767, characteristics
                                      "01 00"                    // one, low byte first
                                      "00 53 00 22 00 00 00 00 04 04"),  // descriptor 83 bytes at 34
                                  Bytes(kDescriptor)});
  EXPECT_EQ(net->Sent()[0], expected);
  ASSERT_EQ(net->Connects().size(), 1u);
  EXPECT_EQ(net->Connects()[0].host, "db");
  EXPECT_EQ(net->Connects()[0].port, 1521);
}

TEST_F(TnsConnectionTest, RefuseIsNetError206) {
  net->Feed(TnsPacket(kTnsRefuse, Hex("00 00 00 00")));
  ExpectNetError(206, [&] { tns->Connect("db", 1521, 0, "orcl"); });
  EXPECT_FALSE(net->Connected());
}

TEST_F(TnsConnectionTest, ResendSendsTheSameConnectAgain) {
  net->Feed(TnsPacket(kTnsResend, {}));
  ConnectAccepted();
  ASSERT_EQ(net->Sent().size(), 2u);
  EXPECT_EQ(net->Sent()[0], net->Sent()[1]);
}

TEST_F(TnsConnectionTest, RedirectReconnectsWithServiceNameAsSidAndKeepsTheTimeout) {
  net->Feed(RedirectPacket("(ADDRESS=(PROTOCOL=tcp)(HOST=db2)(PORT=1522))(CONNECT_DATA=(SERVICE_NAME=x))"));
  net->Feed(AcceptPacket());
  tns->Connect("db", 1521, 700, "orcl");
  ASSERT_EQ(net->Connects().size(), 2u);
  EXPECT_EQ(net->Connects()[1].host, "db2");
  EXPECT_EQ(net->Connects()[1].port, 1522);
  EXPECT_EQ(net->Connects()[1].socketTimeout, 700);  // the time-out survives the redirect
  EXPECT_EQ(net->Connects()[1].connectTimeout, 700);
  const TBytes& second = net->Sent().at(1);
  const std::string descriptor(second.begin() + 34, second.end());
  EXPECT_EQ(descriptor, "(DESCRIPTION=(ADDRESS=(PROTOCOL=tcp)(HOST=db2)(PORT=1522))(CONNECT_DATA=(SID=x)))");
}

TEST_F(TnsConnectionTest, RedirectsAndResendsAreBounded) {
  for (int i = 0; i < 6; ++i) {
    net->Feed(RedirectPacket("(HOST=db)"));
    net->Feed(TnsPacket(kTnsResend, {}));
  }
  net->Feed(AcceptPacket());
  ExpectNetError(205, [&] { tns->Connect("db", 1521, 0, "orcl"); });
  EXPECT_EQ(net->Sent().size(), static_cast<size_t>(kTnsMaxConnectRounds + 1));
  EXPECT_FALSE(net->Connected());
}

TEST_F(TnsConnectionTest, BrokenRedirectsAreUnexpectedPackets) {
  net->Feed(TnsPacket(kTnsRedirect, {}));  // shorter than its own header
  ExpectNetError(205, [&] { tns->Connect("db", 1521, 0, "orcl"); });
  net->Feed(RedirectPacket("(HOST=db2)(PORT=15x2)"));
  ExpectNetError(205, [&] { tns->Connect("db", 1521, 0, "orcl"); });
  net->Feed(TnsPacket(kTnsData, Hex("00 00")));  // neither answer
  ExpectNetError(205, [&] { tns->Connect("db", 1521, 0, "orcl"); });
}

TEST_F(TnsConnectionTest, TooLongHostOrSidIsRefusedBeforeConnecting) {
  const std::string host(4000, 'h');
  try {
    tns->Connect(host, 1521, 0, "orcl");
    ADD_FAILURE() << "no error";
  } catch (const classlib::Exception& e) {
    EXPECT_NE(e.Message().find("Connect descriptor too long"), std::string::npos) << e.Message();
  }
  EXPECT_TRUE(net->Connects().empty());
  net->Feed(RedirectPacket("(SID=" + std::string(4000, 's') + ")"));
  EXPECT_THROW(tns->Connect("db", 1521, 0, "orcl"), classlib::Exception);
}

TEST_F(TnsConnectionTest, ReceivedHeadersAreChecked) {
  tns->SetSDU(8192);
  net->Feed(Hex("0f f7 00 00 06 00 00 00"));  // 4087 bytes, above the buffer even with a larger SDU
  ExpectNetError(203, [&] { tns->Connect("db", 1521, 0, "orcl"); });
  net->Feed(Hex("00 08 00 00 14 00 00 00"));  // type 20
  ExpectNetError(204, [&] { tns->Connect("db", 1521, 0, "orcl"); });
  net->Feed(Hex("00 07 00 00 02 00 00 00"));  // shorter than a header
  ExpectNetError(207, [&] { tns->Connect("db", 1521, 0, "orcl"); });
  tns->SetSDU(2048);
  net->Feed(Hex("08 01 00 00 02 00 00 00"));  // 2049, above the SDU
  ExpectNetError(203, [&] { tns->Connect("db", 1521, 0, "orcl"); });
}

TEST_F(TnsConnectionTest, APeerThatStopsTalkingIsALostConnection) {
  net->Feed(Hex("00 0a 00"));  // a header cut short, then nothing
  ExpectNetError(0, [&] { tns->Connect("db", 1521, 0, "orcl"); });
  EXPECT_FALSE(net->Connected());  // the failed connect left nothing open
}

TEST_F(TnsConnectionTest, WritesAreCutIntoPacketsOfTheSendLimit) {
  ConnectAccepted();
  TBytes data(5000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
  tns->WriteBytesRaw(data.data(), 0, 5000);
  ASSERT_EQ(net->Sent().size(), 3u);  // CONNECT and two full packets; the rest waits
  EXPECT_EQ(net->Sent()[1].size(), 2048u);
  EXPECT_EQ(net->Sent()[2].size(), 2048u);
  tns->FlushData(0);
  ASSERT_EQ(net->Sent().size(), 4u);
  const TBytes& last = net->Sent()[3];
  EXPECT_EQ(last.size(), 10u + 5000 - 2 * 2038);
  EXPECT_EQ(TBytes(last.begin(), last.begin() + 10), Hex("03 a6 00 00 06 00 00 00 00 00"));
  EXPECT_EQ(last[10], static_cast<uint8_t>(2 * 2038));
}

TEST_F(TnsConnectionTest, ASmallerSduAppliesFromTheNextPacket) {
  ConnectAccepted();
  const TBytes data(1000, 7);
  tns->WriteBytesRaw(data.data(), 0, 1000);
  tns->SetSDU(100);  // below what already waits
  tns->WriteBytesRaw(data.data(), 0, 200);
  ASSERT_EQ(net->Sent().size(), 4u);
  EXPECT_EQ(net->Sent()[1].size(), 1010u);
  EXPECT_EQ(net->Sent()[2].size(), 100u);
  EXPECT_EQ(net->Sent()[3].size(), 100u);
}

// The server may take a smaller session data unit than the client
// offered: from the ACCEPT on, no packet the client sends is larger.
TEST_F(TnsConnectionTest, TheAcceptedSduBoundsEveryPacketSent) {
  net->Feed(AcceptPacket(512));
  tns->Connect("db", 1521, 0, "orcl");
  EXPECT_EQ(tns->SendLimit(), 512);
  const TBytes data(3000, 9);
  tns->WriteBytesRaw(data.data(), 0, 3000);
  tns->FlushData(0);
  ASSERT_EQ(net->Sent().size(), 1u + 6);
  for (size_t i = 1; i < net->Sent().size(); ++i) EXPECT_LE(net->Sent()[i].size(), 512u) << "packet " << i;
  EXPECT_EQ(net->Sent()[1].size(), 512u);
  // An ACCEPT that states none keeps the client's own; one that leaves no
  // room for data, or is too short to state it, is refused.
  net->Feed(AcceptPacket(0));
  tns->Connect("db", 1521, 0, "orcl");
  EXPECT_EQ(tns->SendLimit(), 2048);
  net->Feed(AcceptPacket(10));
  ExpectNetError(205, [&] { tns->Connect("db", 1521, 0, "orcl"); });
  net->Feed(TnsPacket(kTnsAccept, Hex("01 34 00 00 08")));
  ExpectNetError(207, [&] { tns->Connect("db", 1521, 0, "orcl"); });
}

// Connect data beyond 230 bytes leave the CONNECT packet with its header
// alone and follow in a DATA packet of their own; up to 230 they go inline.
TEST_F(TnsConnectionTest, LongConnectDataFollowTheConnectPacket) {
  const std::string sid(200, 's');
  const std::string descriptor = ConnectDescriptor("db", 1521, sid);
  ASSERT_GT(descriptor.size(), 230u);
  net->Feed(AcceptPacket());
  tns->Connect("db", 1521, 0, sid);
  ASSERT_EQ(net->Sent().size(), 2u);
  const TBytes& connect = net->Sent()[0];
  EXPECT_EQ(connect.size(), 34u);
  EXPECT_EQ(GetBigEndian16(connect.data()), 34u);
  EXPECT_EQ(GetBigEndian16(connect.data() + 24), descriptor.size());
  EXPECT_EQ(GetBigEndian16(connect.data() + 26), 34u);
  EXPECT_EQ(net->Sent()[1], DataPacket(Bytes(descriptor)));
  // 230 bytes exactly still go inline.
  const std::string fits(230 - ConnectDescriptor("db", 1521, "").size(), 'x');
  net->Feed(AcceptPacket());
  tns->Connect("db", 1521, 0, fits);
  EXPECT_EQ(net->Sent().back().size(), 34u + 230);
  // Data that a DATA packet within the offered SDU cannot carry are refused.
  tns->SetSDU(512);
  EXPECT_THROW(tns->Connect("db", 1521, 0, std::string(600, 's')), classlib::Exception);
}

TEST_F(TnsConnectionTest, ReadingSendsWhatWaitsAndJoinsPackets) {
  ConnectAccepted();
  const uint8_t request[] = {0x11, 0x22};
  tns->WriteBytesRaw(request, 0, 2);
  net->Feed(DataPacket(Hex("01 02 03")));
  net->Feed(DataPacket({}));
  net->Feed(DataPacket(Hex("04 05")));
  uint8_t got[5] = {};
  EXPECT_EQ(tns->ReadData(got, 0, 5), 5);
  EXPECT_EQ(TBytes(got, got + 5), Hex("01 02 03 04 05"));
  ASSERT_EQ(net->Sent().size(), 2u);
  EXPECT_EQ(net->Sent()[1], Hex("00 0c 00 00 06 00 00 00 00 00 11 22"));
}

TEST_F(TnsConnectionTest, ShortDataAndMarkerPacketsAreRefused) {
  ConnectAccepted();
  uint8_t byte = 0;
  net->Feed(TnsPacket(kTnsData, Hex("00")));  // no room for the data flags
  ExpectNetError(207, [&] { tns->ReadData(&byte, 0, 1); });
  net->Feed(TnsPacket(kTnsMarker, Hex("01 00")));  // no marker kind
  ExpectNetError(207, [&] { tns->ReadData(&byte, 0, 1); });
  net->Feed(TnsPacket(kTnsAccept, {}));
  ExpectNetError(205, [&] { tns->ReadData(&byte, 0, 1); });
}

TEST_F(TnsConnectionTest, BreakMarkerAndNotConnected) {
  ExpectNetError(200, [&] { tns->SendBreak(); });
  ConnectAccepted();
  tns->SendBreak();
  EXPECT_EQ(net->Sent().back(), Hex("00 0b 00 00 0c 00 00 00 01 00 01"));
}

TEST_F(TnsConnectionTest, BreakFromTheServerIsAnsweredWithReset) {
  ConnectAccepted();
  tns->Representation().SetNegotiated();
  net->Feed(MarkerPacket(1, kMarkerBreak));
  net->Feed(DataPacket(Hex("09")));          // dropped while the break is pending
  net->Feed(MarkerPacket(1, kMarkerReset));  // the server's reset ends it
  net->Feed(DataPacket(Hex("04 00 02 05 7b")));  // status: rows 0, error 1403
  uint8_t code = 0;
  tns->ReadData(&code, 0, 1);
  EXPECT_EQ(code, 4);  // "no data" is read as a normal status
  EXPECT_FALSE(tns->BreakPending());
  EXPECT_EQ(net->Sent().back(), Hex("00 0b 00 00 0c 00 00 00 01 00 02"));
}

TEST_F(TnsConnectionTest, OtherErrorAfterABreakIsRaisedWithTheStreamAfterTheCode) {
  ConnectAccepted();
  tns->Representation().SetNegotiated();
  net->Feed(MarkerPacket(1, kMarkerReset));  // a reset marker: nothing pending
  net->Feed(DataPacket(Hex("04 01 03 02 03 f5 aa")));  // rows 3, error 1013
  uint8_t byte = 0;
  try {
    tns->ReadData(&byte, 0, 1);
    ADD_FAILURE() << "no error";
  } catch (const EInternalError& e) {
    EXPECT_EQ(e.ErrorNumber(), 1013);
  }
  tns->ReadData(&byte, 0, 1);
  EXPECT_EQ(byte, 0x01);  // the status message, from its row count on
  net->Feed(MarkerPacket(1, kMarkerReset));
  net->Feed(DataPacket(Hex("04 01")));  // the error number is missing
  tns->SkipRestOfPacket();
  EXPECT_THROW(tns->ReadData(&byte, 0, 1), ENetUnknownError);
}

// A server that breaks off a call must say why. After the client's own
// break, a status without an error is the answer to it (a cancel); a
// marker the client did not ask for followed by no error leaves nothing
// to go on, and is a protocol violation rather than "error 0".
TEST_F(TnsConnectionTest, NoErrorAfterAMarkerIsACancelOnlyWhenTheClientBroke) {
  ConnectAccepted();
  tns->Representation().SetNegotiated();
  uint8_t byte = 0;
  net->Feed(MarkerPacket(1, kMarkerReset));
  net->Feed(DataPacket(Hex("04 00 00")));  // rows 0, error 0
  try {
    tns->ReadData(&byte, 0, 1);
    ADD_FAILURE() << "no error";
  } catch (const ENetProtocolError& e) {
    EXPECT_EQ(e.Message(), "the server broke off the call without an error");
  }
  tns->SkipRestOfPacket();
  tns->SendBreak();
  net->Feed(MarkerPacket(1, kMarkerBreak));
  net->Feed(MarkerPacket(1, kMarkerReset));
  net->Feed(DataPacket(Hex("04 00 00")));
  try {
    tns->ReadData(&byte, 0, 1);
    ADD_FAILURE() << "no error";
  } catch (const EInternalError& e) {
    EXPECT_EQ(e.ErrorNumber(), 0);
    EXPECT_TRUE(e.BreakSent());
  }
}

TEST_F(TnsConnectionTest, DisconnectSendsTheLastPacketAndCloses) {
  ConnectAccepted();
  tns->Disconnect();
  EXPECT_EQ(net->Sent().back(), Hex("00 0a 00 00 06 00 00 00 00 40"));
  EXPECT_FALSE(net->Connected());
  tns->Disconnect();  // closing twice is no error
  EXPECT_EQ(net->Sent().size(), 2u);
}

}  // namespace
}  // namespace oranet::testing
