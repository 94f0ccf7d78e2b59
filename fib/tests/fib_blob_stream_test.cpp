// Blob streams on the embedded engine: contents of every awkward size
// written and read back, the stream operations, the checks, cancel and
// post, client-side filters and the file cache.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "blob_table.h"
#include "fib/base/errors.h"
#include "fib/statements/blob_cache.h"
#include "fib/statements/blob_filters.h"
#include "temp_folder.h"
#include "testing/message_of.h"

namespace fib {
namespace {

namespace fs = std::filesystem;
using classlib::Variant;

std::string Binary(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(random() & 0xFF);
  return s;
}

// Latin and Cyrillic (code page 1251) letters and line ends.
std::string Text(size_t size) {
  static const std::string kAlphabet = "Blob text \xC0\xE1\xE2\xE3\r\n";
  std::string s(size, ' ');
  for (size_t i = 0; i < size; ++i) s[i] = kAlphabet[i % kAlphabet.size()];
  return s;
}

using classlib::testing::MessageOf;

class BlobStreamTest : public fib_test::BlobTableTest {};

TEST_F(BlobStreamTest, ContentsOfEverySizeComeBackEqual) {
  struct Size {
    size_t bytes;
    int segments;
  };
  const Size sizes[] = {{0, 0}, {1, 1}, {100, 1}, {65535, 1}, {65536, 2}, {10 * 1024 * 1024, 161}};
  int key = 0;
  for (const Size& size : sizes) {
    const std::string binary = Binary(size.bytes, static_cast<unsigned>(size.bytes));
    const std::string text = Text(size.bytes);
    ++key;
    StoreContent(key, "BIN", binary, 0);
    StoreContent(key, "TXT", text, 1);
    Restart();
    auto bin = ReadStream(key, "BIN", 0);
    auto txt = ReadStream(key, "TXT", 1);
    EXPECT_EQ(bin->Size(), static_cast<int64_t>(size.bytes));
    EXPECT_TRUE(bin->AsString() == binary) << size.bytes << " binary bytes";
    EXPECT_TRUE(txt->AsString() == text) << size.bytes << " text bytes";
    EXPECT_EQ(bin->SegmentCount(), size.segments) << size.bytes;
    EXPECT_LE(bin->MaxSegmentSize(), kMaxBlobSegment);
  }
}

// The server's length counts the stored bytes; a sub-type the server turns
// into text arrives with another length, and all of it must be read.
TEST_F(BlobStreamTest, ConvertedSubTypeIsReadToItsRealEnd) {
  fib_test::ExecuteSql(file_.Library(), file_.Handle(), "CREATE VIEW V AS SELECT K FROM B");
  Restart();
  const ISC_QUAD id =
      QueryBlobId("SELECT RDB$VIEW_BLR FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'V'");
  TFIBBlobStream raw;
  raw.SetDatabase(db_.get());
  raw.SetTransaction(tr_.get());
  raw.SetBlobID(id);
  TFIBBlobStream text;
  text.SetDatabase(db_.get());
  text.SetTransaction(tr_.get());
  text.SetBlobSubType(2);
  text.SetBlobID(id);
  const std::string stored = raw.AsString();
  const std::string shown = text.AsString();
  ASSERT_FALSE(stored.empty());
  EXPECT_GT(shown.size(), stored.size());
  EXPECT_NE(shown.find("blr_"), std::string::npos) << shown.substr(0, 200);
  EXPECT_EQ(shown.find('\0'), std::string::npos) << "no unfilled bytes";
}

TEST_F(BlobStreamTest, NullColumnReadsAsEmpty) {
  StoreBlobId(1, "BIN", ISC_QUAD{});
  auto stream = ReadStream(1, "BIN", 0);
  EXPECT_EQ(stream->Size(), 0);
  char c;
  EXPECT_EQ(stream->Read(&c, 1), 0);
}

TEST_F(BlobStreamTest, ReadAndSeekStayWithinTheContent) {
  StoreContent(1, "BIN", "0123456789", 0);
  auto stream = ReadStream(1, "BIN", 0);
  char buffer[16] = {};
  EXPECT_EQ(stream->Seek(-5, classlib::soFromBeginning), 0);
  EXPECT_EQ(stream->Seek(100, classlib::soFromBeginning), 10);
  EXPECT_EQ(stream->Read(buffer, 4), 0) << "at the end";
  EXPECT_EQ(stream->Seek(-3, classlib::soFromEnd), 7);
  EXPECT_EQ(stream->Read(buffer, 16), 3);
  EXPECT_EQ(std::string(buffer, 3), "789");
  EXPECT_EQ(stream->Seek(5, classlib::soFromEnd), 10);
  EXPECT_EQ(stream->Seek(-4, classlib::soFromCurrent), 6);
  EXPECT_EQ(stream->Seek(-40, classlib::soFromCurrent), 0);
  EXPECT_EQ(stream->Read(buffer, 0), 0);
  EXPECT_EQ(stream->Read(buffer, -1), 0);
  EXPECT_THROW(stream->Seek(0, 7), classlib::EStreamError);
}

TEST_F(BlobStreamTest, MisuseIsReportedByNumber) {
  ISC_QUAD id{1, 1};
  TFIBBlobStream stream;
  stream.SetBlobID(id);
  EXPECT_EQ(MessageOf([&] { stream.Size(); }), "Database not assigned for BlobStream.");
  auto other = NewDatabase();
  stream.SetDatabase(other.get());
  stream.SetBlobID(id);
  EXPECT_EQ(MessageOf([&] { stream.Size(); }),
            "BlobStream: Cannot perform operation -- DB is not open.");
  stream.SetDatabase(db_.get());
  stream.SetBlobID(id);
  EXPECT_EQ(MessageOf([&] { stream.Size(); }), "Transaction not assigned for BlobStream.");
  TFIBTransaction idle(nullptr);
  idle.SetDefaultDatabase(db_.get());
  stream.SetTransaction(&idle);
  stream.SetBlobID(id);
  EXPECT_EQ(MessageOf([&] { stream.Size(); }), "BlobStream :Transaction is not active.");

  char c = 'x';
  stream.SetMode(BlobMode::Write);
  EXPECT_EQ(MessageOf([&] { stream.Read(&c, 1); }), "Blob stream cannot be read.");
  stream.SetMode(BlobMode::Read);
  EXPECT_EQ(MessageOf([&] { stream.Write(&c, 1); }), "Blob stream cannot be written.");
  stream.SetClientOnly(true);
  EXPECT_EQ(stream.Write(&c, 1), 1) << "a client-only stream takes writes in any mode";
}

TEST_F(BlobStreamTest, ServerFailureRaisesTheServersError) {
  auto stream = std::make_unique<TFIBBlobStream>();
  stream->SetDatabase(db_.get());
  stream->SetTransaction(tr_.get());
  stream->SetBlobID(ISC_QUAD{0x7FFF, 0x7FFFFFFF});
  EXPECT_THROW(stream->Size(), EFIBInterBaseError);
}

TEST_F(BlobStreamTest, ChangesWriteANewBlobAndCancelPutsContentBack) {
  StoreContent(1, "BIN", "0123456789", 0);
  const ISC_QUAD original = BlobIdOf(1, "BIN");
  auto stream = ReadStream(1, "BIN", 0);
  stream->SetMode(BlobMode::ReadWrite);
  stream->Seek(3, classlib::soFromBeginning);
  stream->WriteBuffer("abc", 3);
  EXPECT_EQ(stream->AsString(), "012abc6789") << "the bytes around a change stay";
  EXPECT_TRUE(stream->Modified());
  stream->Restore();
  EXPECT_EQ(stream->AsString(), "0123456789");
  EXPECT_FALSE(stream->Modified());

  // Post: a new blob, the old one unchanged.
  stream->Seek(0, classlib::soFromEnd);
  stream->WriteBuffer("!", 1);
  stream->Finalize();
  EXPECT_FALSE(SameBlobId(stream->BlobID(), original));
  StoreBlobId(1, "BIN", stream->BlobID());
  stream->DropSavedContent();
  EXPECT_EQ(ReadStream(1, "BIN", 0)->AsString(), "0123456789!");

  // After the post a cancel comes back to the posted content.
  stream->SetSize(2);
  EXPECT_EQ(stream->AsString(), "01");
  stream->Restore();
  EXPECT_EQ(stream->AsString(), "0123456789!");
}

TEST_F(BlobStreamTest, TruncateAndFileRoundTrip) {
  fib_test::TempFolder temp;
  StoreContent(1, "BIN", "old content", 0);
  auto stream = ReadStream(1, "BIN", 0);
  stream->SetMode(BlobMode::ReadWrite);
  stream->Truncate();
  EXPECT_EQ(stream->Size(), 0);
  EXPECT_TRUE(stream->Modified());
  stream->Restore();
  EXPECT_EQ(stream->AsString(), "old content");

  const std::string content = Binary(70000, 3);
  std::ofstream(temp.File("in.bin"), std::ios::binary) << content;
  stream->LoadFromFile(temp.File("in.bin"));
  stream->Finalize();
  StoreBlobId(1, "BIN", stream->BlobID());
  auto again = ReadStream(1, "BIN", 0);
  again->SaveToFile(temp.File("out.bin"));
  std::ifstream in(temp.File("out.bin"), std::ios::binary);
  EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == content);
}

TEST_F(BlobStreamTest, ClientFilterEncodesOnWriteAndDecodesOnRead) {
  TIBBlobFilters filters;
  auto reverse = [](std::string& s) { std::reverse(s.begin(), s.end()); };
  auto upper = [](std::string& s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  };
  filters.Add(-5, upper, reverse);
  TFIBBlobStream writer;
  writer.SetDatabase(db_.get());
  writer.SetTransaction(tr_.get());
  writer.SetBlobFilters(&filters);
  writer.SetBlobSubType(-5);
  writer.SetMode(BlobMode::ReadWrite);
  writer.WriteBuffer("abc", 3);
  writer.Finalize();
  EXPECT_EQ(writer.AsString(), "abc") << "the stream keeps its unencoded content";
  StoreBlobId(1, "BIN", writer.BlobID());

  EXPECT_EQ(ReadStream(1, "BIN", 0)->AsString(), "cba") << "stored encoded";
  auto reader = ReadStream(1, "BIN", -5);
  reader->SetBlobFilters(&filters);
  EXPECT_EQ(reader->AsString(), "CBA") << "decoded by the read routine";
}

TEST(BlobStreamOwnerList, LeavingMovesTheLastStreamIntoThePlace) {
  TFIBBlobStream::OwnerList list;
  auto a = std::make_unique<TFIBBlobStream>(0, std::vector<Variant>{}, "F", "T", &list);
  auto b = std::make_unique<TFIBBlobStream>(1, std::vector<Variant>{}, "F", "T", &list);
  auto c = std::make_unique<TFIBBlobStream>(2, std::vector<Variant>{}, "F", "T", &list);
  ASSERT_EQ(list.size(), 3u);
  b.reset();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0], a.get());
  EXPECT_EQ(list[1], c.get());
  a.reset();  // c, now first, must know its new place
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0], c.get());
  c.reset();
  EXPECT_TRUE(list.empty());
}

class BlobStreamCacheTest : public BlobStreamTest {
 protected:
  BlobStreamCacheTest() {
    cache_.Options().SetActive(true);
    cache_.Options().SetSwapDir(temp_.Path().string());
  }
  std::unique_ptr<TFIBBlobStream> CachedStream(int key, const std::string& column) {
    auto stream = ReadStream(key, column, 0);
    stream->SetBlobCache(&cache_);
    return stream;
  }
  std::string CacheFile(const TFIBBlobStream& stream) {
    BlobCacheIdentity id{stream.BlobID(), 1, "B", stream.FieldName(),
                         BlobKeyString(stream.KeyValues())};
    return BlobCachePath(cache_.Folder(), id);
  }

  fib_test::TempFolder temp_;
  TBlobCache cache_;
};

TEST_F(BlobStreamCacheTest, SecondReadComesFromTheCache) {
  const std::string content = Binary(200000, 9);
  StoreContent(1, "BIN", content, 0);
  Restart();
  auto first = CachedStream(1, "BIN");
  EXPECT_TRUE(first->AsString() == content);
  EXPECT_FALSE(first->LoadedFromCache());
  ASSERT_TRUE(fs::exists(CacheFile(*first)));

  auto second = CachedStream(1, "BIN");
  EXPECT_TRUE(second->AsString() == content);
  EXPECT_TRUE(second->LoadedFromCache());
}

TEST_F(BlobStreamCacheTest, DamagedOrOutdatedFileGivesWayToTheServer) {
  StoreContent(1, "BIN", "server content", 0);
  auto first = CachedStream(1, "BIN");
  first->Size();
  const std::string path = CacheFile(*first);
  ASSERT_TRUE(fs::exists(path));

  // The data length no longer matches the server's blob.
  {
    classlib::CriticalSectionGuard guard(BlobCacheLock());
    BlobCacheIdentity id{first->BlobID(), 1, "B", "BIN", "1"};
    ASSERT_TRUE(WriteBlobCacheFile(path, id, "longer cached content"));
  }
  auto second = CachedStream(1, "BIN");
  EXPECT_EQ(second->AsString(), "server content");
  EXPECT_FALSE(second->LoadedFromCache());

  // A file cut short: deleted, read from the server, written again whole.
  fs::resize_file(path, 40);
  auto third = CachedStream(1, "BIN");
  EXPECT_EQ(third->AsString(), "server content");
  EXPECT_FALSE(third->LoadedFromCache());
  auto fourth = CachedStream(1, "BIN");
  EXPECT_EQ(fourth->AsString(), "server content");
  EXPECT_TRUE(fourth->LoadedFromCache());
}

// The cache holds the bytes as the server sent them, so a filtered blob is
// decoded once whether it comes from the server or from the cache.
TEST_F(BlobStreamCacheTest, FilteredBlobIsDecodedOnceFromEitherSource) {
  TIBBlobFilters filters;
  int decodes = 0;
  filters.Add(
      -5,
      [&](std::string& s) {
        ++decodes;
        s = "<" + s + ">";
      },
      nullptr);
  StoreContent(1, "BIN", "abc", 0);
  for (bool from_cache : {false, true}) {
    auto stream = CachedStream(1, "BIN");
    stream->SetBlobSubType(-5);
    stream->SetBlobFilters(&filters);
    EXPECT_EQ(stream->AsString(), "<abc>");
    EXPECT_EQ(stream->LoadedFromCache(), from_cache);
  }
  EXPECT_EQ(decodes, 2);
}

TEST_F(BlobStreamCacheTest, HostileKeysStayInsideTheCacheFolder) {
  StoreContent(1, "BIN", "abc", 0);
  const std::string hostile[] = {"../../escaped", "/tmp/escaped", "..", "a/../../b"};
  for (const std::string& key : hostile) {
    TFIBBlobStream stream(-1, {Variant(key)}, "BIN", "../B", nullptr);
    stream.SetDatabase(db_.get());
    stream.SetTransaction(tr_.get());
    stream.SetBlobCache(&cache_);
    stream.SetBlobID(BlobIdOf(1, "BIN"));
    EXPECT_EQ(stream.AsString(), "abc");
  }
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(temp_.Path()))
    if (entry.is_regular_file()) ++files;
  EXPECT_EQ(files, 4) << "every file inside the folder, none shared";
  EXPECT_FALSE(fs::exists(temp_.Path().parent_path() / "escaped"));
  EXPECT_FALSE(fs::exists("/tmp/escaped.blb"));
}

TEST_F(BlobStreamCacheTest, StreamWithoutKeyDoesWithoutCache) {
  StoreContent(1, "BIN", "abc", 0);
  TFIBBlobStream stream;
  stream.SetDatabase(db_.get());
  stream.SetTransaction(tr_.get());
  stream.SetBlobCache(&cache_);
  stream.SetBlobID(BlobIdOf(1, "BIN"));
  EXPECT_EQ(stream.AsString(), "abc");
  EXPECT_TRUE(fs::is_empty(temp_.Path()));
}

}  // namespace
}  // namespace fib
