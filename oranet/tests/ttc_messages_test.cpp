// The negotiation messages and the server's status, warning and simple
// replies.
#include <gtest/gtest.h>

#include "oranet/net_errors.h"
#include "oranet/tests/ttc_fixture.h"
#include "oranet/ttc_codes.h"
#include "oranet/ttc_negotiation.h"
#include "oranet/ttc_status.h"
#include "oranet/ttc_type_table.h"

namespace oranet::testing {
namespace {

using TtcMessagesTest = TtcTest;

TEST_F(TtcMessagesTest, FirstDataPacketIsTheProtocolRequest) {
  WriteProtocolRequest(*writer);
  tns->FlushData(0);
  EXPECT_EQ(net->Sent().back(), Concat({Hex("00 20 00 00 06 00 00 00 00 00  01 06 05 04 03 02 01 00"),
                                        Bytes("NET_TTC-8.1.0"), Hex("00")}));
}

TEST_F(TtcMessagesTest, ProtocolReplyGivesServerVersionAndCharacterSet) {
  const int expected[] = {7230, 8030, 8100};
  for (uint8_t v = 4; v <= 6; ++v) {
    ServerSays(Concat({ProtocolReply(v), Hex("5a")}));
    const TServerProtocol server = ReadProtocolReply(*reader);
    EXPECT_EQ(server.protocolVersion, v);
    EXPECT_EQ(server.serverVersion, expected[v - 4]);
    EXPECT_EQ(server.charsetId, 873);
    EXPECT_EQ(reader->ReadUB1(), 0x5a) << "version " << int(v) << " read too much or too little";
  }
}

TEST_F(TtcMessagesTest, ProtocolReplyOfAnotherVersionOrMessageIsRefused) {
  ServerSays(ProtocolReply(3));
  ExpectUnknownError(444, [&] { ReadProtocolReply(*reader); });
  tns->SkipRestOfPacket();
  ServerSays(Hex("02 06"));
  ExpectUnknownError(1, [&] { ReadProtocolReply(*reader); });
}

TEST_F(TtcMessagesTest, DataTypeRequestCarriesCapabilitiesAndTheTable) {
  WriteDataTypeRequest(*writer, *tns, 873, 6);
  EXPECT_EQ(tns->ByteStringMode(), 2);
  const TBytes sent = Written();
  ASSERT_EQ(sent.size(), 6u + 24 + kTtcTypeTableSize);
  TBytes capabilities(21, 0);
  capabilities[17] = 3;
  EXPECT_EQ(TBytes(sent.begin(), sent.begin() + 30),
            Concat({Hex("02 69 03 69 03 02 15"), capabilities, Hex("01 02")}));
  EXPECT_EQ(TBytes(sent.begin() + 30, sent.begin() + 38), Hex("01 01 01 00 02 02 0a 00"));
  EXPECT_EQ(TBytes(sent.end() - 9, sent.end()), Hex("0a 00 ac 02 0a 00 ae 00 00"));
  // Servers before protocol 6 get no capabilities.
  WriteDataTypeRequest(*writer, *tns, 0, 5);
  EXPECT_EQ(Written().size(), 4u + kTtcTypeTableSize);
}

TEST_F(TtcMessagesTest, DataTypeReplySwitchesToCompressedIntegers) {
  ServerSays(Hex("02 01 00 01 02 00 00  81 07"));
  ReadDataTypeReply(*reader);
  EXPECT_EQ(reader->ReadUB2(), -7);
  ServerSays(Hex("01"));
  ExpectUnknownError(1, [&] { ReadDataTypeReply(*reader); });
}

// A status message after negotiation: rows 3, error `error`, cursor 5,
// position 7, kind 2, ROWID 0x01020304 / 6 / 0 / 0x0a0b / 9.
TBytes Status(const TBytes& error, const TBytes& text) {
  return Concat({Hex("04  01 03"), error, Hex("00 00 01 05 01 07 02 00 00 00 00 00"),
                 Hex("04 01 02 03 04  01 06  00  02 0a 0b  01 09"), Hex("00 00 00 00 00"), text});
}

TEST_F(TtcMessagesTest, StatusMessageWithAndWithoutAnError) {
  Negotiated();
  const std::string text = "ORA-00942: table or view does not exist";
  ServerSays(Status(Hex("02 03 ae"), Concat({{static_cast<uint8_t>(text.size())}, Bytes(text)})));
  reader->ExpectCode(kTtcStatus);
  const TTtcStatus s = ReadStatusBody(*reader);
  EXPECT_EQ(s.rowCount, 3);
  EXPECT_EQ(s.errorNumber, 942);
  EXPECT_EQ(s.cursorId, 5);
  EXPECT_EQ(s.errorPosition, 7);
  EXPECT_EQ(s.statementKind, 2);
  EXPECT_EQ(s.rowid.objectId, 0x01020304u);
  EXPECT_EQ(s.rowid.file, 6);
  EXPECT_EQ(s.rowid.block, 0x0a0bu);
  EXPECT_EQ(s.rowid.slot, 9);
  EXPECT_EQ(s.errorText, text);
  EXPECT_EQ(s.Result(), -1);
  ServerSays(Concat({Status(Hex("00"), {}), Hex("5a")}));
  const TTtcStatus ok = ReadSimpleReply(*reader);
  EXPECT_EQ(ok.Result(), 0);
  EXPECT_TRUE(ok.errorText.empty());
  EXPECT_EQ(reader->ReadUB1(), 0x5a);
}

TEST_F(TtcMessagesTest, WarningDropsTheRestOfItsPacket) {
  Negotiated();
  ServerSays(Hex("0f  02 6f 46  01 05  01 00  05 68 65 6c 6c 6f  de ad be ef"));
  reader->ExpectCode(kTtcWarning);
  ReadWarningBody(*reader);
  ServerSays(Hex("09"));
  EXPECT_EQ(ReadSimpleReply(*reader).Result(), 0);
  ServerSays(Hex("07"));
  ExpectUnknownError(1, [&] { ReadSimpleReply(*reader); });
}

}  // namespace
}  // namespace oranet::testing
