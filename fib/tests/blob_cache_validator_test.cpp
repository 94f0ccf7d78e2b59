// Validation of the blob cache against the embedded engine: files of blobs
// that are gone are deleted, everything else in the folder stays.
#include "fib/statements/blob_cache_validator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "blob_table.h"
#include "fib/statements/blob_cache.h"
#include "temp_folder.h"

namespace fib {
namespace {

namespace fs = std::filesystem;

class BlobCacheValidatorTest : public fib_test::BlobTableTest {
 protected:
  BlobCacheValidatorTest() { folder_ = temp_.Path().string() + "/"; }

  // A cache file as the blob cache writes it, under the folder.
  std::string PutCacheFile(const ISC_QUAD& id, const std::string& key) {
    BlobCacheIdentity identity{id, 1, "B", "BIN", key};
    std::string path = BlobCachePath(folder_, identity);
    classlib::CriticalSectionGuard guard(BlobCacheLock());
    EXPECT_TRUE(WriteBlobCacheFile(path, identity, "data"));
    return path;
  }
  int Validate() {
    return ValidateBlobCacheFolder(
        folder_, [this](const ISC_QUAD& id) { return BlobExists(*db_, *tr_, id); });
  }

  fib_test::TempFolder temp_;
  std::string folder_;
};

const ISC_QUAD kUnknownBlob{0x7FFF, 0x7FFFFFFF};

TEST_F(BlobCacheValidatorTest, BlobExistsTellsKnownFromUnknownIds) {
  StoreContent(1, "BIN", "abc", 0);
  EXPECT_TRUE(BlobExists(*db_, *tr_, BlobIdOf(1, "BIN")));
  EXPECT_FALSE(BlobExists(*db_, *tr_, kUnknownBlob));
  EXPECT_FALSE(IsRemoteConnection(*db_)) << "the embedded engine";
}

TEST_F(BlobCacheValidatorTest, DeletesOnlyItsOwnFilesOfGoneBlobs) {
  StoreContent(1, "BIN", "abc", 0);
  Restart();
  const std::string kept = PutCacheFile(BlobIdOf(1, "BIN"), "1");
  const std::string gone = PutCacheFile(kUnknownBlob, "2");

  // Not made by the cache, or not where the cache would put it.
  const std::string foreign = temp_.File("B/BIN/3.blb");
  std::ofstream(foreign) << "someone else's file";
  const std::string moved = temp_.File("B/moved.blb");
  fs::copy_file(gone, moved);
  const std::string other = temp_.File("B/BIN/4.txt");
  fs::copy_file(gone, other);

  EXPECT_EQ(Validate(), 1);
  EXPECT_TRUE(fs::exists(kept));
  EXPECT_FALSE(fs::exists(gone));
  EXPECT_TRUE(fs::exists(foreign));
  EXPECT_TRUE(fs::exists(moved));
  EXPECT_TRUE(fs::exists(other));
}

TEST_F(BlobCacheValidatorTest, WalksSubfoldersAndStopsWhenAsked) {
  for (int key = 1; key <= 3; ++key) {
    BlobCacheIdentity identity{kUnknownBlob, 1, "T" + std::to_string(key), "F", "1"};
    classlib::CriticalSectionGuard guard(BlobCacheLock());
    ASSERT_TRUE(WriteBlobCacheFile(BlobCachePath(folder_, identity), identity, "x"));
  }
  int asked = 0;
  auto gone = [&](const ISC_QUAD&) {
    ++asked;
    return false;
  };
  EXPECT_EQ(ValidateBlobCacheFolder(folder_, gone, [&] { return asked == 1; }), 1);
  EXPECT_EQ(ValidateBlobCacheFolder(folder_, gone), 2);
  EXPECT_EQ(ValidateBlobCacheFolder(folder_ + "missing/", gone), 0);
  EXPECT_EQ(ValidateBlobCacheFolder("", gone), 0);
}

TEST_F(BlobCacheValidatorTest, FailureToAskTheServerDeletesNothing) {
  const std::string path = PutCacheFile(kUnknownBlob, "1");
  auto unreachable = [](const ISC_QUAD&) -> bool { throw std::runtime_error("no server"); };
  EXPECT_THROW(ValidateBlobCacheFolder(folder_, unreachable), std::runtime_error);
  EXPECT_TRUE(fs::exists(path));
}

TEST_F(BlobCacheValidatorTest, NotStartedWithoutFolderOrConnection) {
  EXPECT_EQ(StartBlobCacheValidation(*db_, ""), nullptr);
  EXPECT_EQ(StartBlobCacheValidation(*db_, folder_ + "missing/"), nullptr);
  auto idle = NewDatabase();
  EXPECT_EQ(StartBlobCacheValidation(*idle, folder_), nullptr);
}

}  // namespace
}  // namespace fib
