// Compressed blobs against zlib itself, in both directions, and the three
// ways a stored value can be damaged.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "dacore/blob_compressed.h"
#include "dacore/tests/blob_fixture.h"
#include "dacore/util_bytes.h"
#include "testing/message_of.h"

namespace dacore {
namespace {

using classlib::testing::MessageOf;

std::string Text(size_t size) {
  std::string s;
  while (s.size() < size) s += "line " + std::to_string(s.size() % 977) + " of a compressible memo\n";
  s.resize(size);
  return s;
}

std::string Content(TBlob& blob) {
  std::string out(blob.GetSize(), '\0');
  out.resize(blob.Read(0, 0, out.data()));
  return out;
}

// The stored piece bytes of a blob.
TBytes Stored(const TBlob& blob) {
  TBytes out;
  for (PieceHeader* p = blob.FirstPiece(); p; p = p->next) out.insert(out.end(), PieceData(p), PieceData(p) + p->used);
  return out;
}

// Puts raw bytes into the blob as its stored form.
void Store(TCompressedBlob& blob, const TBytes& bytes) {
  blob.TBlob::Write(0, static_cast<uint32_t>(bytes.size()), bytes.data());
}

TBytes Header(int32_t size) {
  TBytes header(kCompressedBlobSignature, kCompressedBlobSignature + 16);
  header.resize(20);
  StoreUnaligned<int32_t>(header.data() + 16, size);
  return header;
}

TEST(CompressedBlobTest, ValueInflatesWithPlainZlib) {
  auto blob = MakeBlob<TCompressedBlob>();
  const std::string text = Text(100000);
  blob->Write(0, static_cast<uint32_t>(text.size()), text.data());
  blob->SetCompressed(true);
  ASSERT_TRUE(blob->IsCompressed());
  EXPECT_EQ(blob->GetSize(), text.size());
  const TBytes stored = Stored(*blob);
  EXPECT_EQ(LoadUnaligned<int32_t>(stored.data() + 16), 100000);
  std::string plain(text.size(), '\0');
  uLongf plain_len = plain.size();
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(plain.data()), &plain_len, stored.data() + 20, stored.size() - 20),
            Z_OK);
  EXPECT_EQ(plain, text);
  EXPECT_EQ(Content(*blob), text);
  EXPECT_TRUE(blob->IsCompressed());  // a whole read leaves it compressed
}

TEST(CompressedBlobTest, StreamFromPlainZlibLoads) {
  const std::string text = Text(5000);
  std::vector<uint8_t> z(compressBound(text.size()));
  uLongf z_len = z.size();
  ASSERT_EQ(compress2(z.data(), &z_len, reinterpret_cast<const Bytef*>(text.data()), text.size(), 9), Z_OK);
  TBytes stored = Header(5000);
  stored.insert(stored.end(), z.begin(), z.begin() + z_len);
  auto blob = MakeBlob<TCompressedBlob>();
  Store(*blob, stored);
  ASSERT_TRUE(blob->IsCompressed());
  EXPECT_EQ(blob->GetSize(), 5000u);
  std::string part(10, '\0');
  EXPECT_EQ(blob->Read(5, 10, part.data()), 10u);  // a partial read uncompresses in place
  EXPECT_EQ(part, text.substr(5, 10));
  EXPECT_FALSE(blob->IsCompressed());
  EXPECT_EQ(Content(*blob), text);
}

TEST(CompressedBlobTest, OnlyWholeWritesOfMoreThan50ShrinkingBytesCompress) {
  auto blob = MakeBlob<TCompressedBlob>();
  const std::string text = Text(400);
  blob->Write(0, 400, text.data());
  EXPECT_FALSE(blob->IsCompressed());  // a plain blob stays plain
  blob->SetCompressed(true);
  ASSERT_TRUE(blob->IsCompressed());
  const std::string a400(400, 'a');
  blob->Write(0, 400, a400.data());  // covers the whole content: compressed again
  EXPECT_TRUE(blob->IsCompressed());
  EXPECT_EQ(Content(*blob), a400);
  blob->Write(10, 2, "xy");  // any other write uncompresses first
  EXPECT_FALSE(blob->IsCompressed());
  EXPECT_EQ(Content(*blob), a400.substr(0, 10) + "xy" + a400.substr(12));

  blob->Clear();
  blob->Write(0, 50, a400.data());
  blob->SetCompressed(true);
  EXPECT_FALSE(blob->IsCompressed());
  blob->Clear();
  blob->Write(0, 51, a400.data());
  blob->SetCompressed(true);
  EXPECT_TRUE(blob->IsCompressed());
  EXPECT_EQ(blob->GetSize(), 51u);
  // Bytes that do not shrink stay plain.
  std::string noise(4096, '\0');
  uint32_t x = 12345;
  for (char& c : noise) c = static_cast<char>((x = x * 1103515245 + 12345) >> 24);
  blob->Clear();
  blob->Write(0, 4096, noise.data());
  blob->SetCompressed(true);
  EXPECT_FALSE(blob->IsCompressed());
  EXPECT_EQ(Content(*blob), noise);
}

TEST(CompressedBlobTest, DamagedHeadersAndStreamsRaiseTheirOwnErrors) {
  auto blob = MakeBlob<TCompressedBlob>();
  std::vector<uint8_t> out(100);
  uint32_t n = 100;
  Store(*blob, Header(10));  // 20 bytes: no room for a stream
  EXPECT_EQ(MessageOf([&] { blob->Uncompress(out.data(), n); }), "Invalid compressed blob size");
  blob->TBlob::Clear();
  TBytes bad = Header(10);
  bad[3] ^= 1;
  bad.push_back(0);
  Store(*blob, bad);
  EXPECT_EQ(MessageOf([&] { blob->Uncompress(out.data(), n); }), "Invalid compressed blob header");
  blob->TBlob::Clear();
  TBytes damaged = Header(10);
  damaged.insert(damaged.end(), {0x78, 0x9C, 0xFF, 0xFF, 0xFF});
  Store(*blob, damaged);
  EXPECT_EQ(MessageOf([&] { blob->Uncompress(out.data(), n); }), "Invalid compressed blob data");
  EXPECT_EQ(MessageOf([&] { Content(*blob); }), "Invalid compressed blob data");
}

TEST(CompressedBlobTest, StoredSizeBeyondWhatTheStreamCanHoldIsRejected) {
  // A header that claims more than deflate could ever produce from the
  // stream must not make the blob allocate or read that much.
  const std::string text = Text(200);
  std::vector<uint8_t> z(compressBound(text.size()));
  uLongf z_len = z.size();
  ASSERT_EQ(compress(z.data(), &z_len, reinterpret_cast<const Bytef*>(text.data()), text.size()), Z_OK);
  for (int32_t claimed : {0, -5, static_cast<int32_t>(1032 * z_len + 1)}) {
    TBytes stored = Header(claimed);
    stored.insert(stored.end(), z.begin(), z.begin() + z_len);
    auto blob = MakeBlob<TCompressedBlob>();
    Store(*blob, stored);
    EXPECT_EQ(MessageOf([&] { blob->GetSize(); }), "Invalid uncompressed blob size") << claimed;
    EXPECT_EQ(MessageOf([&] { blob->SetCompressed(false); }), "Invalid uncompressed blob size") << claimed;
  }
  // A claim larger than the content, within the ratio, is caught after inflating.
  TBytes stored = Header(300);
  stored.insert(stored.end(), z.begin(), z.begin() + z_len);
  auto blob = MakeBlob<TCompressedBlob>();
  Store(*blob, stored);
  EXPECT_EQ(MessageOf([&] { blob->SetCompressed(false); }), "Invalid uncompressed blob size");
}

TEST(CompressedBlobTest, RollbackKeepsTheCompressedChain) {
  auto blob = MakeBlob<TCompressedBlob>();
  const std::string text = Text(3000);
  blob->Write(0, 3000, text.data());
  blob->SetCompressed(true);
  blob->SetModified(false);
  blob->EnableRollback();
  blob->Write(3000, 3, "end");
  EXPECT_EQ(Content(*blob), text + "end");
  auto* rollback = dynamic_cast<TCompressedBlob*>(blob->Rollback());
  ASSERT_NE(rollback, nullptr);
  EXPECT_TRUE(rollback->IsCompressed());
  blob->Cancel();
  EXPECT_TRUE(blob->IsCompressed());
  EXPECT_FALSE(blob->Modified());
  EXPECT_EQ(Content(*blob), text);
}

TEST(CompressedBlobTest, SizeOfACompressedBlobChangesOnlyToZero) {
  auto blob = MakeBlob<TCompressedBlob>();
  const std::string text = Text(1000);
  blob->Write(0, 1000, text.data());
  blob->SetCompressed(true);
  EXPECT_THROW(blob->SetSize(10), classlib::EAssertionFailed);
  blob->Truncate(10);  // uncompresses first
  EXPECT_EQ(Content(*blob), text.substr(0, 10));
  blob->SetCompressed(true);  // 10 bytes: too small to compress
  EXPECT_FALSE(blob->IsCompressed());
}

}  // namespace
}  // namespace dacore
