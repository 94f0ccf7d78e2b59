// The stand-in's LOB reads and writes held to the public call interface: the
// older read polls when the amount does not fit its buffer (amounts in
// characters, buffers in bytes), the newer one fills one buffer or reads in
// pieces, and a write in pieces asks for each next piece.
#include <string>

#include "oracle/tests/standin_conformance_fixture.h"

namespace oracle::testing::conformance {
namespace {

using LobRead = sword(void*, void*, void*, ub4*, ub4, void*, ub4, void*, void*, ub2, ub1);
using LobRead2 = sword(void*, void*, void*, ub8*, ub8*, ub8, void*, ub8, ub1, void*, void*, ub2, ub1);
using LobWrite = sword(void*, void*, void*, ub4*, ub4, void*, ub4, ub1, void*, void*, ub2, ub1);

constexpr ub1 kImplicitForm = 1;

class LobConformance : public ConformanceTest {
 protected:
  // One call of the older read: its status, the piece in `piece`.
  sword Read(void* lob, ub4& amount, ub4 offset, ub4 capacity, std::string& piece) {
    piece.assign(capacity, '\0');
    const sword status = client_->Entry<LobRead>("OCILobRead")(context_, error_, lob, &amount, offset, piece.data(),
                                                               capacity, nullptr, nullptr, 0, kImplicitForm);
    piece.resize(amount);
    return status;
  }
  sword Read2(void* lob, ub8& chars, ub8& bytes, ub4 capacity, ub1 kind, std::string& piece) {
    piece.assign(capacity, '\0');
    const sword status = client_->Entry<LobRead2>("OCILobRead2")(context_, error_, lob, &bytes, &chars, 1,
                                                                 piece.data(), capacity, kind, nullptr, nullptr, 0,
                                                                 kImplicitForm);
    piece.resize(bytes);
    return status;
  }
  sword Write(void* lob, ub4& amount, ub4 offset, std::string piece, ub1 kind) {
    return client_->Entry<LobWrite>("OCILobWrite")(context_, error_, lob, &amount, offset, piece.data(),
                                                   static_cast<ub4>(piece.size()), kind, nullptr, nullptr, 0,
                                                   kImplicitForm);
  }
};

TEST_F(LobConformance, TheOlderReadPollsWhenTheAmountDoesNotFitTheBuffer) {
  void* lob = Lob(2, "abcdefghij");
  std::string piece;
  ub4 amount = 10;
  EXPECT_EQ(Read(lob, amount, 1, 4, piece), kNeedData);
  EXPECT_EQ(piece, "abcd");
  EXPECT_EQ(Read(lob, amount, 1, 4, piece), kNeedData) << "each call hands over the next piece";
  EXPECT_EQ(piece, "efgh");
  EXPECT_EQ(Read(lob, amount, 1, 4, piece), kSuccess) << "the last piece ends the read";
  EXPECT_EQ(piece, "ij");

  amount = 3;
  EXPECT_EQ(Read(lob, amount, 2, 4, piece), kSuccess) << "an amount that fits is one read";
  EXPECT_EQ(piece, "bcd");
  amount = 0;
  EXPECT_EQ(Read(lob, amount, 9, 4, piece), kSuccess) << "amount 0 reads to the end";
  EXPECT_EQ(piece, "ij");
}

TEST_F(LobConformance, OnAMultiByteClientTheAmountCountsCharactersAndTheBufferBytes) {
  client_->Entry<void(int)>("standin_set_charset_width")(3);
  // Four Cyrillic letters, two bytes each in the client's UTF-8.
  void* lob = Lob(2, "\xD0\x96\xD0\x96\xD0\x96\xD0\x96");
  std::string piece;
  ub4 amount = 4;
  EXPECT_EQ(Read(lob, amount, 1, 4, piece), kNeedData) << "four characters do not fit four bytes";
  EXPECT_EQ(amount, 4u) << "the piece's amount in bytes";
  EXPECT_EQ(piece, "\xD0\x96\xD0\x96");
  EXPECT_EQ(Read(lob, amount, 1, 4, piece), kSuccess);
  EXPECT_EQ(piece, "\xD0\x96\xD0\x96");
}

TEST_F(LobConformance, TheNewerReadFillsOneBufferOrReadsInPieces) {
  void* lob = Lob(2, "abcdefghij");
  std::string piece;
  ub8 chars = 10, bytes = 0;
  EXPECT_EQ(Read2(lob, chars, bytes, 4, kOnePiece, piece), kSuccess) << "one piece never polls";
  EXPECT_EQ(piece, "abcd");
  EXPECT_EQ(chars, 4u);
  chars = 0, bytes = 0;
  EXPECT_EQ(Read2(lob, chars, bytes, 6, kFirstPiece, piece), kNeedData);
  EXPECT_EQ(piece, "abcdef");
  EXPECT_EQ(Read2(lob, chars, bytes, 6, kNextPiece, piece), kSuccess);
  EXPECT_EQ(piece, "ghij");
  EXPECT_EQ(Read2(lob, chars, bytes, 6, kNextPiece, piece), kError) << "no read in pieces is under way";
}

TEST_F(LobConformance, AWriteInPiecesAsksForEachNextPiece) {
  void* lob = Lob(2, "");
  ub4 amount = 8;
  EXPECT_EQ(Write(lob, amount, 1, "abc", kFirstPiece), kNeedData);
  EXPECT_EQ(Write(lob, amount, 1, "def", kNextPiece), kNeedData);
  EXPECT_EQ(Write(lob, amount, 1, "gh", kLastPiece), kSuccess);
  EXPECT_EQ(amount, 8u) << "the amount of the whole write";
  EXPECT_EQ(LobContent(lob), "abcdefgh");
  EXPECT_EQ(Write(lob, amount, 1, "xy", kNextPiece), kError) << "no write in pieces is under way";
  amount = 2;
  EXPECT_EQ(Write(lob, amount, 3, "XYZ", kOnePiece), kSuccess) << "one piece writes the amount given";
  EXPECT_EQ(LobContent(lob), "abXYefgh");
}

}  // namespace
}  // namespace oracle::testing::conformance
