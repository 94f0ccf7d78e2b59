// The fake server's own checks: a request that breaks the layouts the
// fake server serves fails, and says what is wrong. The requests here are
// built by hand, each once as the layout has it (which passes) and once
// broken.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "oranet/tests/bounded_run.h"
#include "oranet/tests/fake_server.h"
#include "oranet/tests/fake_server_stmt.h"
#include "oranet/tests/scripted_transport.h"
#include "oranet/tns_connection.h"
#include "oranet/ttc_negotiation.h"
#include "oranet/ttc_writer.h"

namespace oranet::testing {
namespace {

// A checker that has seen a connect, an ACCEPT of `sdu` and both
// negotiations, as the client writes them.
class RequestChecksTest : public ::testing::Test {
 protected:
  explicit RequestChecksTest(int sdu = 2048) {
    auto transport = std::make_unique<TScriptedTransport>();
    net = transport.get();
    tns = std::make_unique<TTnsConnection>(std::move(transport));
    net->Feed(AcceptPacket(sdu));
    tns->Connect("db", 1521, 0, "orcl");
    SentSoFar();
    checker.ServerBytes(AcceptPacket(sdu));
    TTtcWriter writer(*tns);
    WriteProtocolRequest(writer);
    tns->FlushData(0);
    SentSoFar();
    checker.ServerBytes(DataPacket(ProtocolReply(6)));
    WriteDataTypeRequest(writer, *tns, 871, 6);
    tns->FlushData(0);
    SentSoFar();
    checker.ServerBytes(DataPacket(DataTypeReply()));
    const auto failures = checker.TakeFailures();
    EXPECT_TRUE(failures.empty()) << failures.front();
  }

  // Hands the checker what the client sent since the last time.
  void SentSoFar() {
    for (; fed < net->Sent().size(); ++fed) checker.ClientPacket(net->Sent()[fed]);
  }

  // What the checks say of a request in one DATA packet, answered with
  // `answer`.
  std::vector<std::string> Check(const TBytes& payload, const TBytes& answer = Hex("09")) {
    checker.ClientPacket(DataPacket(payload));
    checker.ServerBytes(DataPacket(answer));
    return checker.TakeFailures();
  }

  TScriptedTransport* net;
  std::unique_ptr<TTnsConnection> tns;
  TRequestChecker checker{TRequestChecks::kMessages};
  size_t fed = 0;
};

// The all-in-one call of an INSERT on cursor 5 with `announced` binds of
// which `records` metadata records follow (VARCHAR, at most 10 bytes,
// flags `flags`, character set form `form`), and one bind row of `values`.
TBytes InsertCall(int announced, int records, uint8_t flags, std::initializer_list<TBytes> values, uint8_t form = 1) {
  TBytes call = Concat({Hex("03 47 00  02 80 28  01 05  00 00  00 00 00 00  01 01 02 00  00 00"),
                        {1, 1, static_cast<uint8_t>(announced)}, Hex("01 01  01 01  00 00 00 00 00")});
  for (int i = 0; i < records; ++i) call = Concat({call, {1, flags}, Hex("00 00  01 0a  00  00  00 00 00"), {form}});
  call.push_back(7);
  for (const TBytes& v : values) call = Concat({call, {static_cast<uint8_t>(v.size())}, v});
  return call;
}

TEST_F(RequestChecksTest, CallsAreReadByTheirLayouts) {
  EXPECT_TRUE(Check(Hex("03 0e 00")).empty()) << "a commit";
  const auto trailing = Check(Hex("03 0e 00 00"));
  ASSERT_EQ(trailing.size(), 1u);
  EXPECT_EQ(trailing[0], "request 4: 1 bytes after the request's messages (at byte 3)");
  EXPECT_EQ(Check(Hex("03 63 00")).size(), 1u) << "an unknown function";
  EXPECT_EQ(Check(Hex("03 02 00 01 01")).size(), 1u) << "open cursor with a cursor number";
  EXPECT_EQ(Check(Hex("03 08 00 00")).size(), 1u) << "closing cursor 0";
  EXPECT_EQ(Check(Hex("07 00")).size(), 1u) << "a bind row without a call";
}

// The counts a call announces must match what follows it, and its bind
// rows are read by its metadata records.
TEST_F(RequestChecksTest, BindMetadataAgainstTheBindRows) {
  EXPECT_TRUE(Check(InsertCall(2, 2, 0x01, {Bytes("abc"), Bytes("0123456789")})).empty());
  const auto calls = checker.Calls();
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_EQ(calls[0].rows.size(), 1u);
  EXPECT_EQ(calls[0].rows[0][1].elements.at(0), Bytes("0123456789"));
  EXPECT_EQ(Check(InsertCall(2, 1, 0x01, {Bytes("abc"), Bytes("def")})).size(), 1u)
      << "two binds announced, one record";
  const auto tooLong = Check(InsertCall(2, 2, 0x01, {Bytes("abc"), Bytes("0123456789A")}));
  ASSERT_EQ(tooLong.size(), 1u);
  EXPECT_NE(tooLong[0].find("a value of 11 bytes for wire type 1 announced with at most 10"), std::string::npos)
      << tooLong[0];
  EXPECT_EQ(Check(InsertCall(2, 2, 0x03, {Bytes("a"), Bytes("b")})).size(), 1u) << "flag 0x02 on a VARCHAR";
  EXPECT_EQ(Check(InsertCall(1, 1, 0x01, {Bytes("a"), Bytes("b")})).size(), 1u) << "a value too many";
}

// A metadata record's last byte is its character set form: 1, or 2 (the
// national set) for a character type only. The text the server keeps of a
// value is converted from the client's set (UTF8 here) into the database's
// (AL32UTF8 here): nothing is lost.
TEST_F(RequestChecksTest, CharacterSetFormOfTheMetadata) {
  EXPECT_TRUE(Check(InsertCall(2, 2, 0x01, {Bytes("abc"), Bytes("\xD0\x96")}, 2)).empty());
  const TCheckedCall call = checker.Calls().back();
  EXPECT_EQ(call.binds.at(1).charsetForm, 2);
  EXPECT_EQ(call.rows.at(0).at(1).stored, (std::vector<std::string>{"\xD0\x96"}));
  const auto unknown = Check(InsertCall(2, 2, 0x01, {Bytes("a"), Bytes("b")}, 3));
  ASSERT_EQ(unknown.size(), 1u);
  EXPECT_NE(unknown[0].find("character set form 3 for wire type 1"), std::string::npos) << unknown[0];
  TBytes number = Hex("03 47 00  02 04 28  01 05  00 00  00 00 00 00  01 01 02 00  00 00  01 01 01"
                      "01 01  01 01  00 00 00 00 00  02 01 00 00  01 16  00  00  00 00 00 02");
  EXPECT_EQ(Check(number, BindVector({0x20})).size(), 1u) << "a national NUMBER";
}

// Rows that answer a bind vector hold the binds it asks for, no others.
TEST_F(RequestChecksTest, BindRowsAnswerTheBindVector) {
  TBytes block = Hex("03 47 00  02 04 28  01 05  00 00  00 00 00 00  01 01 02 00  00 00  01 01 02"
                     "01 01  01 01  00 00 00 00 00");
  for (int i = 0; i < 2; ++i) block = Concat({block, Hex("02 01 00 00  01 16  00  00  00 00 00 01")});
  EXPECT_TRUE(Check(block, BindVector({0x20, 0x10})).empty());
  EXPECT_TRUE(Check(Hex("07 02 c1 02")).empty());
  EXPECT_EQ(checker.Calls().back().rows.size(), 1u);
  EXPECT_FALSE(checker.Calls().back().rows[0][1].sent);
  EXPECT_TRUE(Check(block, BindVector({0x20, 0x10})).empty());
  EXPECT_EQ(Check(Hex("07 02 c1 02 02 c1 03")).size(), 1u) << "a value the server did not ask for";
}

class SmallSduChecksTest : public RequestChecksTest {
 protected:
  SmallSduChecksTest() : RequestChecksTest(512) {}
};

// Packets beyond the SDU both sides accepted, a request cut into packets
// that are not full, and malformed markers are refused.
TEST_F(SmallSduChecksTest, PacketsStayWithinTheAgreedSdu) {
  checker.ClientPacket(DataPacket(TBytes(600, 0)));
  auto failures = checker.TakeFailures();
  ASSERT_FALSE(failures.empty());
  EXPECT_EQ(failures[0], "a packet of 610 bytes beyond the agreed SDU of 512");
  checker.ServerBytes(DataPacket(Hex("09")));
  checker.TakeFailures();
  checker.ClientPacket(DataPacket(Hex("03 0e")));
  checker.ClientPacket(DataPacket(Hex("00")));
  checker.ServerBytes(DataPacket(Hex("09")));
  failures = checker.TakeFailures();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("a DATA packet of 12 bytes before the request's last"), std::string::npos) << failures[0];
  checker.ClientPacket(MarkerPacket(0, 3));
  EXPECT_EQ(checker.TakeFailures().size(), 1u);
}

// The CONNECT packet carries up to 230 bytes of connect data; longer ones
// come in a DATA packet of their own, which must match its announcement.
TEST(ConnectChecksTest, LongConnectDataGoInADataPacket) {
  const std::string longDescriptor = ConnectDescriptor("db", 1521, std::string(200, 's'));
  TRequestChecker inlined(TRequestChecks::kPackets);
  TBytes connect = BuildConnectPackets(ConnectDescriptor("db", 1521, "orcl"), 2048, 32767).connect;
  inlined.ClientPacket(connect);
  EXPECT_TRUE(inlined.TakeFailures().empty());
  // The long data inline, as an older client sent them.
  connect = BuildConnectPackets(ConnectDescriptor("db", 1521, "orcl"), 2048, 32767).connect;
  connect.resize(34);
  connect.insert(connect.end(), longDescriptor.begin(), longDescriptor.end());
  PutBigEndian16(connect.data(), static_cast<unsigned>(connect.size()));
  PutBigEndian16(connect.data() + 24, static_cast<unsigned>(longDescriptor.size()));
  TRequestChecker long1(TRequestChecks::kPackets);
  long1.ClientPacket(connect);
  EXPECT_EQ(long1.TakeFailures().size(), 1u);
  // As the layout has it, and with data that do not match.
  const TConnectPackets packets = BuildConnectPackets(longDescriptor, 2048, 32767);
  TRequestChecker long2(TRequestChecks::kPackets);
  long2.ClientPacket(packets.connect);
  long2.ClientPacket(packets.data);
  EXPECT_TRUE(long2.TakeFailures().empty());
  TRequestChecker long3(TRequestChecks::kPackets);
  long3.ClientPacket(packets.connect);
  long3.ClientPacket(DataPacket(Bytes(longDescriptor.substr(1))));
  EXPECT_EQ(long3.TakeFailures().size(), 1u);
}

// Through the server: a client that sends a malformed request fails the
// test that runs the server, unless the test takes the failure.
TEST(FakeServerChecksTest, AMalformedRequestFailsTheServersTest) {
  TFakeServer fake({{TFakeStep::Expect(kTnsConnect), TFakeStep::SendRaw(AcceptPacket()), TFakeStep::Expect(kTnsData),
                     TFakeStep::SendRaw(DataPacket(ProtocolReply(6))), TFakeStep::Expect(kTnsData),
                     TFakeStep::SendRaw(DataPacket(DataTypeReply())), TFakeStep::Expect(kTnsData),
                     TFakeStep::SendRaw(DataPacket(Hex("09"))), TFakeStep::Expect(kTnsData)}});
  TTnsConnection tns;
  RunBounded(std::chrono::milliseconds(8000), [&] {
    tns.Connect("127.0.0.1", fake.Port(), 2000, "orcl");
    TTtcWriter writer(tns);
    TTtcReader reader(tns);
    WriteProtocolRequest(writer);
    const TServerProtocol protocol = ReadProtocolReply(reader);
    WriteDataTypeRequest(writer, tns, protocol.charsetId, protocol.protocolVersion);
    ReadDataTypeReply(reader);
    WriteFunctionHeader(writer, 14);
    writer.WriteUB1(0);  // a commit has no body
    reader.ReadUB1();
    tns.Disconnect();
  });
  const auto failures = fake.TakeRequestFailures();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0], "connection 0: request 3: 1 bytes after the request's messages (at byte 3)");
}

}  // namespace
}  // namespace oranet::testing
