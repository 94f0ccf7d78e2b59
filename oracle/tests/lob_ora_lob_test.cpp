// LOBs on the stand-in's LOB store: whole reads streamed in pieces, writes
// in one piece and in several, trims, temporary LOBs, Unicode and multi-byte
// character amounts, uncached reads and saves, and the checks' messages.
#include <random>

#include "classlib/stream.h"
#include "oracle/call_state.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/tests/standin_fixture_values.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;

constexpr int kBlob = 1, kClob = 2;

class LobTest : public ValueTest {
 protected:
  void TearDown() override {
    for (TOraLob* lob : lobs_) lob->Release();
    lobs_.clear();
    ValueTest::TearDown();
  }
  // A LOB whose locator points at a server value, as after a fetch.
  TOraLob* Fetched(int kind, const std::string& content, uint32_t piece_size = dacore::kDefaultPieceSize,
                   bool unicode = false) {
    TOraLob* lob = New(unicode);
    lob->SetPieceSize(piece_size);
    if (kind != kBlob) lob->SetLobType(ltClob);
    values_->AttachLob(lob->GetOCILobLocator(), kind, content);
    lob->SetNeedsRead(true);
    return lob;
  }
  TOraLob* New(bool unicode = false) {
    lobs_.push_back(new TOraLob(svc_ctx_, unicode));
    return lobs_.back();
  }
  static std::string Content(TOraLob& lob) {
    std::string bytes(lob.GetSize(), '\0');
    bytes.resize(lob.Read(0, 0, bytes.data()));
    return bytes;
  }
  static void Put(TOraLob& lob, const std::string& bytes, uint32_t piece_size) {
    lob.SetPieceSize(piece_size);
    classlib::TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
    lob.LoadFromStream(stream);
  }
  std::vector<TOraLob*> lobs_;
};

TEST_F(LobTest, WholeReadStreamsPieceByPieceUntilTheServerSaysDone) {
  Start();
  TOraLob* lob = Fetched(kBlob, "0123456789", 4);
  standin_->ClearLog();
  EXPECT_EQ(Content(*lob), "0123456789");
  EXPECT_EQ(lob->PieceCount(), 3);
  EXPECT_FALSE(lob->NeedsRead());
  EXPECT_THAT(ArgumentsOf("OCILobRead2"),
              ElementsAre("bytes=0 chars=0 offset=1 bufl=4 piece=1 csid=0 csfrm=0",
                          "bytes=0 chars=0 offset=1 bufl=4 piece=2 csid=0 csfrm=0",
                          "bytes=0 chars=0 offset=1 bufl=4 piece=2 csid=0 csfrm=0"));
  standin_->ClearLog();
  EXPECT_EQ(Content(*lob), "0123456789");
  EXPECT_TRUE(standin_->LogOf("OCILobRead2").empty()) << "a cached value is read once";
}

TEST_F(LobTest, OlderClientsStreamWithTheFirstReadCall) {
  Start(9, 2);
  TOraLob* lob = Fetched(kBlob, "abcdefgh", 4);
  standin_->ClearLog();
  EXPECT_EQ(Content(*lob), "abcdefgh");
  // The value ends exactly at a buffer's end: the last call brings nothing.
  EXPECT_THAT(ArgumentsOf("OCILobRead"), ElementsAre("amount=0 offset=1 bufl=4 csid=0 csfrm=0",
                                                     "amount=0 offset=1 bufl=4 csid=0 csfrm=0"));
}

TEST_F(LobTest, EmptyValueIsKnownFromItsLengthWithoutARead) {
  Start();
  TOraLob* lob = Fetched(kBlob, "");
  standin_->ClearLog();
  EXPECT_EQ(lob->GetSize(), 0u);
  EXPECT_FALSE(lob->NeedsRead());
  EXPECT_EQ(Content(*lob), "");
  EXPECT_TRUE(standin_->LogOf("OCILobRead2").empty());
}

TEST_F(LobTest, OnePieceIsWrittenWithOneTrimAndOneWrite) {
  Start();
  TOraLob* lob = Fetched(kBlob, "old value");
  Put(*lob, "new", 64);
  standin_->ClearLog();
  lob->WriteLob();
  EXPECT_THAT(ArgumentsOf("OCILobTrim"), ElementsAre("length=0"));
  EXPECT_THAT(ArgumentsOf("OCILobWrite"), ElementsAre("amount=3 offset=1 bufl=3 piece=0 csid=0 csfrm=0"));
  EXPECT_EQ(values_->LobContent(lob->GetOCILobLocator()), "new");
  EXPECT_FALSE(lob->Modified());
}

TEST_F(LobTest, PiecesAreWrittenEachAtTheOffsetTheLastEndedAt) {
  Start();
  TOraLob* lob = Fetched(kClob, "");
  Put(*lob, "abcdefghij", 4);
  standin_->ClearLog();
  lob->WriteLob();
  EXPECT_THAT(ArgumentsOf("OCILobWrite"), ElementsAre("amount=4 offset=1 bufl=4 piece=0 csid=0 csfrm=1",
                                                      "amount=4 offset=5 bufl=4 piece=0 csid=0 csfrm=1",
                                                      "amount=2 offset=9 bufl=2 piece=0 csid=0 csfrm=1"));
  EXPECT_EQ(values_->LobContent(lob->GetOCILobLocator()), "abcdefghij");
}

TEST_F(LobTest, DirectModeDropsOnlyATrailingZeroOfATextPiece) {
  Start();
  TOraLob* lob = Fetched(kClob, "");
  Put(*lob, std::string("abc\0def", 7), 4);
  const uint8_t styles = PossibleCallStyles;
  PossibleCallStyles = kCallStyleOci8;
  standin_->ClearLog();
  lob->WriteLob();
  PossibleCallStyles = styles;
  // "abc\0" loses its zero; "def" keeps its last character.
  EXPECT_THAT(ArgumentsOf("OCILobWrite"), ElementsAre("amount=3 offset=1 bufl=3 piece=0 csid=0 csfrm=1",
                                                      "amount=3 offset=4 bufl=3 piece=0 csid=0 csfrm=1"));
  EXPECT_EQ(values_->LobContent(lob->GetOCILobLocator()), "abcdef");
}

TEST_F(LobTest, TrimmedValueIsWrittenShort) {
  Start();
  TOraLob* lob = Fetched(kBlob, "0123456789");
  lob->Truncate(4);  // reads the value first: the rest must survive
  EXPECT_EQ(Content(*lob), "0123");
  lob->WriteLob();
  EXPECT_EQ(values_->LobContent(lob->GetOCILobLocator()), "0123");
  lob->Truncate(0);
  EXPECT_EQ(lob->GetSize(), 0u);
}

TEST_F(LobTest, WriteIntoAFetchedValueKeepsWhatWasWritten) {
  Start();
  TOraLob* lob = Fetched(kBlob, "0123456789");
  lob->Write(2, 3, "abc");
  // A later access must not replace the written bytes by the server's.
  EXPECT_EQ(Content(*lob), "01abc56789");
}

TEST_F(LobTest, UnicodeClobCountsCharactersOnTheCall) {
  Start();
  TOraLob* lob = New(true);
  lob->CreateTemporary(ltClob);
  const std::u16string text = u"абвгдежзик";  // 10 characters, 20 bytes
  lob->Write(0, static_cast<uint32_t>(text.size() * 2), text.data());
  standin_->ClearLog();
  lob->WriteLob();
  EXPECT_THAT(ArgumentsOf("OCILobWrite"), ElementsAre("amount=10 offset=1 bufl=20 piece=0 csid=1000 csfrm=1"));
  EXPECT_EQ(values_->LobContent(lob->GetOCILobLocator()), "абвгдежзик");

  TOraLob* back = New(true);
  back->SetOCILobLocator(lob->GetOCILobLocator());
  back->SetLobType(ltClob);
  back->SetNeedsRead(true);
  EXPECT_EQ(back->GetSize(), 20u) << "twice the length in characters before a read";
  std::u16string read(10, u'\0');
  EXPECT_EQ(back->Read(0, 20, read.data()), 20u);
  EXPECT_EQ(read, text);
  EXPECT_THAT(ArgumentsOf("OCILobRead2"),
              ElementsAre("bytes=0 chars=0 offset=1 bufl=65514 piece=1 csid=1000 csfrm=1"));
}

TEST_F(LobTest, MultiByteTextKnowsItsByteSizeOnlyAfterReading) {
  Start();
  values_->SetCharsetWidth(3);
  TOraLob* lob = Fetched(kClob, "жук");  // 3 characters, 6 bytes of UTF-8
  lob->SetCharLength(3);
  EXPECT_EQ(lob->GetSize(), 6u);
  EXPECT_FALSE(lob->NeedsRead());
  EXPECT_EQ(Content(*lob), "жук");
}

TEST_F(LobTest, TemporaryLobsAreFreedOnTheServer) {
  Start();
  const int handles = standin_->LiveHandles();
  TOraLob* lob = New();
  lob->CreateTemporary(ltBlob);
  EXPECT_TRUE(lob->IsTemporary());
  EXPECT_THAT(ArgumentsOf("OCILobCreateTemporary"),
              ElementsAre("csid=0 csfrm=0 type=1 cache=0 duration=10"));
  lob->CreateTemporary(ltClob);  // the first one goes first
  EXPECT_EQ(values_->TemporaryLobCount(), 1);
  EXPECT_EQ(lob->GetCharsetForm(), SQLCS_IMPLICIT);
  // A national one is a CLOB in the national form, which the server keeps.
  lob->CreateTemporary(ltNClob);
  EXPECT_EQ(ArgumentsOf("OCILobCreateTemporary").back(), "csid=0 csfrm=2 type=2 cache=0 duration=10");
  TOraLob* seen = new TOraLob(svc_ctx_, false);
  seen->SetOCILobLocator(lob->GetOCILobLocator());
  EXPECT_EQ(seen->GetCharsetForm(), SQLCS_NCHAR);
  seen->Release();
  EXPECT_EQ(values_->TemporaryLobCount(), 1);
  lobs_.clear();
  lob->Release();
  EXPECT_EQ(values_->TemporaryLobCount(), 0);
  EXPECT_EQ(standin_->LiveHandles(), handles) << "the locator descriptors are freed too";
  EXPECT_EQ(standin_->LogOf("OCILobFreeTemporary").size(), 3u);
}

TEST_F(LobTest, FiveMegabyteBlobRoundTrip) {
  Start();
  std::string data(5 * 1024 * 1024, '\0');
  std::mt19937 random(36);
  for (char& c : data) c = static_cast<char>(random());
  TOraLob* lob = New();
  lob->CreateTemporary(ltBlob);
  Put(*lob, data, dacore::kDefaultPieceSize);
  lob->WriteLob();
  EXPECT_EQ(standin_->LogOf("OCILobWrite").size(), (data.size() + 65513) / 65514);

  TOraLob* back = New();
  back->SetOCILobLocator(lob->GetOCILobLocator());
  back->SetNeedsRead(true);
  EXPECT_EQ(back->GetSize(), data.size());
  EXPECT_TRUE(Content(*back) == data);
}

TEST_F(LobTest, UncachedSaveStreamsAMultiByteTextToItsEnd) {
  Start();
  values_->SetCharsetWidth(2);
  TOraLob* lob = Fetched(kClob, "абвгд", 4);  // 2 characters fit a 4-byte buffer
  lob->SetCharLength(2);
  lob->SetCached(false);
  standin_->ClearLog();
  classlib::TMemoryStream stream;
  lob->SaveToStream(stream);
  EXPECT_EQ(std::string(stream.Memory(), static_cast<size_t>(stream.Size())), "абвгд");
  // Each read brings 2 characters in 4 bytes: the offset moves by 2, and
  // what is asked for shrinks with what remains.
  EXPECT_THAT(ArgumentsOf("OCILobRead2"), ElementsAre("bytes=4 chars=4 offset=1 bufl=4 piece=0 csid=0 csfrm=1",
                                                      "bytes=3 chars=3 offset=3 bufl=4 piece=0 csid=0 csfrm=1",
                                                      "bytes=1 chars=1 offset=5 bufl=4 piece=0 csid=0 csfrm=1"));
  EXPECT_EQ(lob->PieceCount(), 0) << "an uncached save keeps nothing";
}

TEST_F(LobTest, AnOlderClientsMultiByteReadAsksForWhatFitsAndLeavesNoPollOpen) {
  Start(9, 2);
  values_->SetCharsetWidth(2);
  TOraLob* lob = Fetched(kClob, "абвгд");
  lob->SetCharLength(2);
  lob->SetCached(false);
  standin_->ClearLog();
  // Six bytes hold three characters of two bytes: more would make the read
  // poll, leaving the locator in the middle of a read.
  char part[6];
  ASSERT_EQ(lob->Read(0, 6, part), 6u);
  EXPECT_EQ(std::string(part, 6), "абв");
  ASSERT_EQ(lob->Read(0, 6, part), 6u);
  EXPECT_EQ(std::string(part, 6), "абв") << "the same place reads the same characters";
  EXPECT_THAT(ArgumentsOf("OCILobRead"), ElementsAre("amount=3 offset=1 bufl=6 csid=0 csfrm=1",
                                                     "amount=3 offset=1 bufl=6 csid=0 csfrm=1"));

  // A session that takes the text for single-byte still ends the poll the
  // server starts, so the next read starts where it asks.
  lob->SetCharLength(1);
  standin_->ClearLog();
  ASSERT_EQ(lob->Read(0, 6, part), 6u);
  EXPECT_EQ(std::string(part, 6), "абв");
  EXPECT_EQ(standin_->LogOf("OCILobRead").size(), 2u) << "the read and the end of its poll";
  ASSERT_EQ(lob->Read(0, 6, part), 6u);
  EXPECT_EQ(std::string(part, 6), "абв");
}

TEST_F(LobTest, UncachedSaveEndsOnAnEmptyRead) {
  Start();
  values_->SetCharsetWidth(2);
  TOraLob* lob = Fetched(kClob, "жж", 1);  // no character fits one byte
  lob->SetCharLength(2);
  lob->SetCached(false);
  classlib::TMemoryStream stream;
  lob->SaveToStream(stream);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(standin_->LogOf("OCILobRead2").size(), 1u);
}

TEST_F(LobTest, SwitchingCacheOffDropsTheDataAndReadsAgain) {
  Start();
  TOraLob* lob = Fetched(kBlob, "first");
  EXPECT_EQ(Content(*lob), "first");
  values_->AttachLob(lob->GetOCILobLocator(), kBlob, "second");
  lob->SetCached(false);
  EXPECT_EQ(lob->PieceCount(), 0);
  EXPECT_TRUE(lob->NeedsRead());
  char part[3];
  ASSERT_EQ(lob->Read(1, 3, part), 3u) << "uncached, a read goes to the server";
  EXPECT_EQ(std::string(part, 3), "eco");
  EXPECT_EQ(Content(*lob), "second");
}

TEST_F(LobTest, ChecksNameWhatIsMissing) {
  Start();
  TOraLob* lob = New();
  EXPECT_EQ(MessageOf([&] { lob->LengthLob(); }), "Lob is not allocated");
  lob->AllocLob();
  EXPECT_EQ(MessageOf([&] { lob->WriteLob(); }), "Lob locator should be inited");
  EXPECT_EQ(lob->LengthLob(), 0u) << "an uninitialised locator has no value";
  TOraLob* orphan = new TOraLob(nullptr);
  lobs_.push_back(orphan);
  orphan->AllocLob();
  EXPECT_EQ(MessageOf([&] { orphan->ReadLob(); }), "OCISvcCtx is not defined");
  standin_->InjectFault("OCILobWrite", 1, OCI_ERROR, 22990, "ORA-22990: LOB locators cannot span transactions");
  lob->CreateTemporary(ltBlob);
  Put(*lob, "x", 8);
  EXPECT_EQ(MessageOf([&] { lob->WriteLob(); }), "ORA-22990: LOB locators cannot span transactions");
}

TEST_F(LobTest, TemporaryLobsNeedAnEightOneClient) {
  Start(8, 0);
  TOraLob* lob = New();
  EXPECT_EQ(MessageOf([&] { lob->CreateTemporary(ltBlob); }), "Need Oracle 8i Call Interface");
}

}  // namespace
}  // namespace oracle::testing
