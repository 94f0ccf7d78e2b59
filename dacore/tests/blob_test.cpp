// Piece chains: reads and writes across pieces, truncation, defrag, text with
// line ends, rollback, and loading from streams and files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "classlib/stream.h"
#include "dacore/blob.h"
#include "dacore/tests/blob_fixture.h"
#include "testing/message_of.h"

namespace dacore {
namespace {

using classlib::testing::MessageOf;

std::string ReadText(TBlob& blob, uint32_t position = 0, uint32_t count = 0) {
  std::string out(blob.GetSize() + 1, '\0');
  out.resize(blob.Read(position, count, out.data()));
  return out;
}

TEST(BlobTest, WritesAcrossSmallPiecesAndReadsBack) {
  auto blob = MakeBlob();
  blob->SetPieceSize(4);
  blob->Write(0, 10, "0123456789");
  EXPECT_EQ(blob->PieceCount(), 3);
  EXPECT_EQ(blob->GetSize(), 10u);
  EXPECT_EQ(ReadText(*blob, 3, 5), "34567");
  // Overwrite across the piece border, then extend past the end.
  blob->Write(2, 10, "abcdefghij");
  EXPECT_EQ(ReadText(*blob), "01abcdefghij");
  EXPECT_TRUE(blob->Modified());
  // A read past the end gives nothing; a write past it appends.
  char byte = 0;
  EXPECT_EQ(blob->Read(13, 1, &byte), 0u);
  blob->Write(100, 2, "XY");
  EXPECT_EQ(ReadText(*blob), "01abcdefghijXY");
}

TEST(BlobTest, TruncateKeepsMemoryAndWritesContinueAtTheNewEnd) {
  auto blob = MakeBlob();
  blob->SetPieceSize(4);
  blob->Write(0, 12, "0123456789AB");
  blob->Truncate(5);
  EXPECT_EQ(ReadText(*blob), "01234");
  EXPECT_EQ(blob->PieceCount(), 3);
  blob->Write(5, 3, "xyz");
  EXPECT_EQ(ReadText(*blob), "01234xyz");
  blob->SetSize(10);
  EXPECT_EQ(ReadText(*blob), std::string("01234xyz\0\0", 10));
  blob->Defrag();
  EXPECT_EQ(blob->PieceCount(), 1);
  EXPECT_EQ(ReadText(*blob), std::string("01234xyz\0\0", 10));
  blob->Truncate(0);
  EXPECT_EQ(blob->FirstPiece(), nullptr);
}

TEST(BlobTest, TrimPiecesDropsEmptyPiecesAndKeepsContent) {
  auto blob = MakeBlob();
  blob->SetPieceSize(4);
  blob->Write(0, 12, "0123456789AB");
  blob->Truncate(6);
  blob->TrimPieces();
  EXPECT_EQ(blob->PieceCount(), 2);
  EXPECT_EQ(blob->FirstPiece()->next->size, 2u);
  EXPECT_EQ(ReadText(*blob), "012345");
}

TEST(BlobTest, UnicodeFlagChangesOnlyWhileEmpty) {
  auto blob = MakeBlob();
  blob->SetAsString("a");
  EXPECT_EQ(MessageOf([&] { blob->SetIsUnicode(true); }), "Cannot change IsUnicode if Size > 0");
  blob->Clear();
  blob->SetIsUnicode(true);
  blob->SetAsString("\xC0\xC1");  // two Cyrillic letters in code page 1251
  EXPECT_EQ(blob->GetSize(), 4u);
  EXPECT_EQ(blob->GetAsWideString(), u"\u0410\u0411");
  EXPECT_EQ(blob->GetAsString(), "\xC0\xC1");
}

TEST(BlobTest, LineEndsAreExpandedOnlyWithoutCR) {
  auto blob = MakeBlob();
  blob->SetAsString("a\nb\r\nc\n");
  blob->AddCR();
  EXPECT_EQ(blob->GetAsString(), "a\r\nb\r\nc\r\n");
  blob->RemoveCR();
  EXPECT_EQ(blob->GetAsString(), "a\nb\nc\n");
  auto wide = MakeBlob(true);
  wide->SetAsWideString(u"x\ny");
  wide->AddCR();
  EXPECT_EQ(wide->GetAsWideString(), u"x\r\ny");
}

TEST(BlobTest, CancelRestoresContentAndModifiedCommitKeepsTheNew) {
  auto blob = MakeBlob();
  EXPECT_EQ(MessageOf([&] { blob->SaveToRollback(); }), "Blob must be in cached mode");
  blob->SetAsString("old");
  blob->SetModified(false);
  blob->EnableRollback();
  blob->Write(0, 3, "new");
  EXPECT_EQ(blob->GetAsString(), "new");
  ASSERT_NE(blob->Rollback(), nullptr);
  blob->Cancel();
  EXPECT_EQ(blob->GetAsString(), "old");
  EXPECT_FALSE(blob->Modified());
  EXPECT_EQ(blob->Rollback(), nullptr);

  blob->Truncate(1);
  blob->Commit();
  EXPECT_EQ(blob->GetAsString(), "o");
  EXPECT_EQ(blob->Rollback(), nullptr);
}

TEST(BlobTest, StreamsRoundTripInPieces) {
  auto blob = MakeBlob();
  blob->SetPieceSize(1000);
  classlib::TMemoryStream in;
  std::string data(2500, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  in.WriteBuffer(data.data(), static_cast<int>(data.size()));
  blob->LoadFromStream(in);
  EXPECT_EQ(blob->PieceCount(), 3);
  classlib::TMemoryStream out;
  out.WriteBuffer("junk", 4);
  blob->SaveToStream(out);
  ASSERT_EQ(out.Size(), 2500);
  EXPECT_EQ(std::memcmp(out.Memory(), data.data(), data.size()), 0);
}

class BlobFileTest : public ::testing::Test {
 protected:
  std::string MakeFile(size_t size) {
    const std::string path = (dir_ / ("f" + std::to_string(size))).string();
    std::ofstream(path, std::ios::binary) << std::string(size, 'z');
    return path;
  }
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("dacore_blob_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(BlobFileTest, FilesFillPiecesOf65514Bytes) {
  auto blob = MakeBlob();
  blob->LoadFromFile(MakeFile(65514));
  EXPECT_EQ(blob->PieceCount(), 1);
  blob->LoadFromFile(MakeFile(65515));
  EXPECT_EQ(blob->PieceCount(), 2);
  EXPECT_EQ(blob->GetSize(), 65515u);
  blob->SetModified(false);
  blob->LoadFromFile(MakeFile(0));
  EXPECT_EQ(blob->GetSize(), 0u);
  EXPECT_TRUE(blob->Modified());
  EXPECT_THROW(blob->LoadFromFile((dir_ / "missing").string()), classlib::EFOpenError);
}

}  // namespace
}  // namespace dacore
