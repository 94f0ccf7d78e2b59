// The field encodings of the two-task messages, both ways, byte for byte.
#include <gtest/gtest.h>

#include "oranet/net_errors.h"
#include "oranet/tests/ttc_fixture.h"
#include "oranet/ttc_codes.h"

namespace oranet::testing {
namespace {

using TtcMarshallingTest = TtcTest;

TEST_F(TtcMarshallingTest, CompressedIntegersAreWrittenWithTheirSignificantBytes) {
  for (const uint32_t v : {0u, 300u, 70000u, 4096u, 0xFFFFFFFFu}) writer->WriteUB4(v);
  EXPECT_EQ(Written(), Hex("00  02 01 2c  03 01 11 70  02 10 00  04 ff ff ff ff"));
  writer->WriteUB2(0);
  writer->WriteUB2(873);
  WriteFunctionHeader(*writer, kTtcCommit);
  EXPECT_EQ(Written(), Hex("00  69 03  03 0e 00"));
}

TEST_F(TtcMarshallingTest, IntegersAreReadByTheNegotiatedRepresentation) {
  // Before the negotiation: fixed widths, ub2 low byte first, ub4 high first.
  ServerSays(Hex("69 03  00 01 11 70"));
  EXPECT_EQ(reader->ReadUB2(), 873);
  EXPECT_EQ(reader->ReadUB4(), 70000);
  Negotiated();
  ServerSays(Hex("81 05  02 01 2c  00  03 01 11 70  84 00 00 10 00"));
  EXPECT_EQ(reader->ReadUB2(), -5);
  EXPECT_EQ(reader->ReadUB2(), 300);
  EXPECT_EQ(reader->ReadUB4(), 0);
  EXPECT_EQ(reader->ReadUB4(), 70000);
  EXPECT_EQ(reader->ReadUB4(), -4096);
}

TEST_F(TtcMarshallingTest, ACompressedIntegerOfMoreThanFourBytesIsRefused) {
  Negotiated();
  ServerSays(Hex("05 01 02 03 04 05  7f"));
  ExpectUnknownError(1, [&] { reader->ReadUB4(); });
}

TEST_F(TtcMarshallingTest, LongByteStringsGoInChunksOf64) {
  TBytes hundred(100);
  for (int i = 0; i < 100; ++i) hundred[i] = static_cast<uint8_t>(i);
  writer->WriteByteArray(hundred);
  const TBytes expected = Concat({Hex("fe 40"), TBytes(hundred.begin(), hundred.begin() + 64), Hex("24"),
                                  TBytes(hundred.begin() + 64, hundred.end()), Hex("00")});
  EXPECT_EQ(Written(), expected);
  // Read back as the server would send it.
  ServerSays(expected);
  EXPECT_EQ(reader->ReadChunkedBytes(), hundred);
}

TEST_F(TtcMarshallingTest, ShortByteStringsCarryTheirLengthOnlyInMode2) {
  writer->WriteTtcString("abc");
  writer->WriteByteArray({});
  EXPECT_EQ(Written(), Hex("61 62 63"));
  tns->SetByteStringMode(2);
  writer->WriteTtcString("abc");
  writer->WriteFlag(true);
  writer->WriteBool(false);
  EXPECT_EQ(Written(), Hex("03 61 62 63 01 00"));
}

TEST_F(TtcMarshallingTest, ChunkedStringsNullPlainAndBroken) {
  ServerSays(Hex("00  ff  03 61 62 63  fe 02 61 62 01 63 00  fd"));
  EXPECT_TRUE(reader->ReadChunkedBytes().empty());
  EXPECT_TRUE(reader->ReadChunkedBytes().empty());
  EXPECT_EQ(reader->ReadChunkedBytes(), Bytes("abc"));
  EXPECT_EQ(reader->ReadTtcString(), "abc");
  ExpectUnknownError(1, [&] { reader->ReadChunkedBytes(); });
}

TEST_F(TtcMarshallingTest, ConversionFlagMakesSomeLengths254CarryNoData) {
  tns->SetConversionFlag(true);
  // Byte strings: a 254 after a short chunk is only a separator.
  ServerSays(Hex("fe 02 61 62 fe 01 63 00"));
  EXPECT_EQ(reader->ReadChunkedBytes(), Bytes("abc"));
  // Texts: every 254 inside the chunks is a separator.
  ServerSays(Hex("fe fe 02 61 62 fe 01 63 00"));
  EXPECT_EQ(reader->ReadTtcString(), "abc");
  // Without the flag a 254 is a chunk of 254 bytes.
  tns->SetConversionFlag(false);
  ServerSays(Concat({Hex("fe 01 61 fe"), TBytes(254, 'x'), Hex("00")}));
  EXPECT_EQ(reader->ReadChunkedBytes().size(), 255u);
}

TEST_F(TtcMarshallingTest, CountedAndZeroTerminatedBytes) {
  ServerSays(Hex("61 62  03 61 62 63  68 69 00  41 42 43 44"));
  EXPECT_EQ(reader->ReadCountedBytes(2), Bytes("ab"));
  tns->SetByteStringMode(2);
  EXPECT_EQ(reader->ReadCountedBytes(16), Bytes("abc"));
  EXPECT_EQ(reader->ReadZeroTerminated(50), "hi");
  EXPECT_EQ(reader->ReadZeroTerminated(3), "ABC");  // stops at the maximum
  EXPECT_EQ(reader->ReadUB1(), 0x44);
}

TEST_F(TtcMarshallingTest, AStreamThatEndsIsALostConnection) {
  ServerSays(Hex("fe 10 61"));
  try {
    reader->ReadChunkedBytes();
    ADD_FAILURE() << "no error";
  } catch (const ENetError& e) {
    EXPECT_EQ(e.Code(), 0);
  }
}

}  // namespace
}  // namespace oranet::testing
