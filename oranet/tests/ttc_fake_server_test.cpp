// The negotiations and a simple call over a real socket against the fake
// server, as a session runs them after the connect.
#include <gtest/gtest.h>

#include <chrono>

#include "oranet/tests/bounded_run.h"
#include "oranet/tests/fake_server.h"
#include "oranet/tests/test_packets.h"
#include "oranet/tests/ttc_fixture.h"
#include "oranet/tns_connection.h"
#include "oranet/ttc_codes.h"
#include "oranet/ttc_negotiation.h"
#include "oranet/ttc_status.h"
#include "oranet/ttc_type_table.h"

namespace oranet::testing {
namespace {

TEST(TtcFakeServerTest, NegotiationsAndACommitRoundTrip) {
  TFakeServer server({{TFakeStep::Expect(kTnsConnect), TFakeStep::SendRaw(AcceptPacket()),
                       TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(ProtocolReply(6))),
                       TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(Hex("02 01 00 00"))),
                       TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(Hex("09"))),
                       TFakeStep::Expect(kTnsData)}});
  TTnsConnection tns;
  TServerProtocol protocol;
  int commit = -1;
  RunBounded(std::chrono::milliseconds(8000), [&] {
    tns.Connect("127.0.0.1", server.Port(), 2000, "orcl");
    TTtcWriter writer(tns);
    TTtcReader reader(tns);
    WriteProtocolRequest(writer);
    protocol = ReadProtocolReply(reader);
    WriteDataTypeRequest(writer, tns, protocol.charsetId, protocol.protocolVersion);
    ReadDataTypeReply(reader);
    WriteFunctionHeader(writer, kTtcCommit);
    commit = ReadSimpleReply(reader).Result();
    tns.Disconnect();
  });
  server.Join();
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
  EXPECT_EQ(protocol.serverVersion, 8100);
  EXPECT_EQ(protocol.charsetId, 873);
  EXPECT_EQ(commit, 0);
  const auto data = server.PacketsOfType(kTnsData);
  ASSERT_EQ(data.size(), 4u);
  EXPECT_EQ(data[0].size(), 32u);
  EXPECT_EQ(data[1].size(), 10u + 30 + kTtcTypeTableSize);
  EXPECT_EQ(data[2], Hex("00 0d 00 00 06 00 00 00 00 00 03 0e 00"));
  EXPECT_EQ(data[3], Hex("00 0a 00 00 06 00 00 00 00 40"));
}

}  // namespace
}  // namespace oranet::testing
