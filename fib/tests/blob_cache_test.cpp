// Blob cache files without a database: names that stay inside the cache
// folder, the file layout read back, damaged files refused, and the
// cache's folder, size limit and handlers.
#include "fib/statements/blob_cache.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/environment.h"
#include "temp_folder.h"

namespace fib {
namespace {

namespace fs = std::filesystem;
using classlib::Variant;

BlobCacheIdentity Identity(const std::string& table, const std::string& field,
                           const std::string& key, int high = 7, unsigned low = 9) {
  BlobCacheIdentity id;
  id.blob_id.gds_quad_high = high;
  id.blob_id.gds_quad_low = low;
  id.key_count = 1;
  id.table_name = table;
  id.field_name = field;
  id.key_string = key;
  return id;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void PutBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool Inside(const fs::path& folder, const std::string& path) {
  std::string normal = fs::path(path).lexically_normal().string();
  std::string root = folder.lexically_normal().string();
  return normal.compare(0, root.size(), root) == 0 && normal.size() > root.size();
}

TEST(BlobCachePath, KeyValuesJoinWithUnderscore) {
  EXPECT_EQ(BlobKeyString({Variant(5), Variant("A")}), "5_A");
  EXPECT_EQ(BlobKeyString({}), "");
}

TEST(BlobCachePath, NoKeyLeavesTheFolder) {
  fib_test::TempFolder temp;
  std::string folder = temp.Path().string() + "/";
  const char* hostile[] = {"../x", "../../etc/passwd", "/etc/passwd", "a/../../b", "..",
                           ".",    "\\..\\x",          ".hidden"};
  for (const char* text : hostile) {
    std::string path = BlobCachePath(folder, Identity(text, text, text));
    EXPECT_TRUE(Inside(temp.Path(), path)) << text << " -> " << path;
    // Each part stays one path component: table, field, file.
    fs::path relative = fs::path(path).lexically_relative(temp.Path());
    EXPECT_EQ(std::distance(relative.begin(), relative.end()), 3) << path;
  }
}

TEST(BlobCachePath, EscapingKeepsDistinctKeysApart) {
  // "a/b" and "a%2Fb" must not share a file, nor "1_2" written as text.
  EXPECT_NE(EscapeCachePathPart("a/b"), EscapeCachePathPart("a%2Fb"));
  EXPECT_EQ(EscapeCachePathPart("ORDERS"), "ORDERS");
  EXPECT_EQ(EscapeCachePathPart("a.b"), "a.b");
  EXPECT_EQ(EscapeCachePathPart(".."), "%2E.");
  EXPECT_EQ(EscapeCachePathPart("\xC0"), "%C0");
}

TEST(BlobCacheFile, WrittenFileHasTheDocumentedLayout) {
  fib_test::TempFolder temp;
  std::string path = temp.File("T/F/5.blb");
  ASSERT_TRUE(WriteBlobCacheFile(path, Identity("T", "F", "5", 1, 2), "data"));
  std::string bytes = FileBytes(path);
  std::string expected = std::string("ZOD$BLOB_BODY") + std::string("\1\0\0\0", 4) +
                         std::string("\1\0\0\0\2\0\0\0", 8) + std::string("\4\0\0\0", 4) +
                         std::string("\1\0\0\0", 4) + std::string("\1\0\0\0T", 5) +
                         std::string("\1\0\0\0F", 5) +
                         std::string(
                             "\1\0\0\0"
                             "5",
                             5) +
                         "data";
  EXPECT_EQ(bytes, expected);
  auto read = ReadBlobCacheFile(path, true);
  ASSERT_TRUE(read);
  EXPECT_TRUE(read->identity == Identity("T", "F", "5", 1, 2));
  EXPECT_EQ(read->data, "data");
  EXPECT_FALSE(fs::exists(path + ".tmp"));
}

TEST(BlobCacheFile, DamagedFilesAreRefused) {
  fib_test::TempFolder temp;
  std::string path = temp.File("x.blb");
  ASSERT_TRUE(WriteBlobCacheFile(path, Identity("TABLE", "FIELD", "1"), std::string(100, 'z')));
  const std::string good = FileBytes(path);

  struct Case {
    const char* what;
    std::string bytes;
  };
  auto patched = [&](size_t offset, std::string value) {
    std::string b = good;
    b.replace(offset, value.size(), value);
    return b;
  };
  Case cases[] = {
      {"cut in the data", good.substr(0, good.size() - 1)},
      {"one byte too many", good + "x"},
      {"cut in the header", good.substr(0, 20)},
      {"empty", ""},
      {"foreign header", patched(0, "NOT$BLOB_BODY")},
      {"version 2", patched(13, std::string("\2\0\0\0", 4))},
      // Lengths that would allocate far more than the file holds.
      {"huge data length", patched(25, std::string("\xFF\xFF\xFF\x7F", 4))},
      {"negative data length", patched(25, std::string("\xFF\xFF\xFF\xFF", 4))},
      {"huge table name length", patched(33, std::string("\xFF\xFF\xFF\x7F", 4))},
      {"negative key count", patched(29, std::string("\xFF\xFF\xFF\xFF", 4))},
  };
  for (const Case& c : cases) {
    PutBytes(path, c.bytes);
    EXPECT_FALSE(ReadBlobCacheFile(path, true)) << c.what;
  }
  EXPECT_FALSE(ReadBlobCacheFile(temp.File("missing.blb"), true));
  EXPECT_FALSE(ReadBlobCacheFile(temp.Path().string(), true)) << "a folder";
}

// Environment variables set for one test and put back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (had_)
      setenv(name_, old_.c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

TEST(BlobCacheFolder, DefaultIsTheUsersCacheFolder) {
  TBlobCache cache;
  EXPECT_EQ(cache.Folder(), "") << "inactive";
  cache.Options().SetActive(true);
  {
    ScopedEnv xdg("XDG_CACHE_HOME", "/var/tmp/xdg");
    EXPECT_EQ(cache.Folder(), "/var/tmp/xdg/updater/blob-cache/");
  }
  {
    ScopedEnv xdg("XDG_CACHE_HOME", nullptr);
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(cache.Folder(), "/home/someone/.cache/updater/blob-cache/");
    cache.Options().SetSwapDir("");
    EXPECT_EQ(cache.Folder(), "/home/someone/.cache/updater/blob-cache/");
  }
  EXPECT_NE(cache.Folder().rfind(platform::ModuleDirectory(), 0), 0u) << "not the program's folder";
}

TEST(BlobCacheFolder, AppPathInAnyCaseIsTheProgramsFolder) {
  TBlobCache cache;
  cache.Options().SetActive(true);
  cache.Options().SetSwapDir("{app_path}\\Swap");
  EXPECT_EQ(cache.Folder(), platform::ModuleDirectory() + "Swap/");
  cache.Options().SetSwapDir("{APP_PATH}Swap\\");
  EXPECT_EQ(cache.Folder(), platform::ModuleDirectory() + "Swap/");
  cache.Options().SetSwapDir("/srv/cache");
  EXPECT_EQ(cache.Folder(), "/srv/cache/");
}

class BlobCacheTest : public ::testing::Test {
 protected:
  BlobCacheTest() {
    cache_.Options().SetActive(true);
    cache_.Options().SetSwapDir(temp_.Path().string());
  }
  std::string PathOf(const BlobCacheIdentity& id) { return BlobCachePath(cache_.Folder(), id); }

  fib_test::TempFolder temp_;
  TBlobCache cache_;
  std::vector<Variant> keys_{Variant(5)};
};

TEST_F(BlobCacheTest, SmallBlobsStayOutOfTheCache) {
  cache_.Options().SetMinBlobSizeToSwap(100);
  auto small = Identity("T", "F", "99");
  auto large = Identity("T", "F", "100");
  cache_.Save(small, keys_, nullptr, std::string(99, 'a'));
  cache_.Save(large, keys_, nullptr, std::string(100, 'a'));
  EXPECT_FALSE(fs::exists(PathOf(small)));
  EXPECT_TRUE(fs::exists(PathOf(large)));
  // A blob id whose first word is zero is never cached.
  auto temporary = Identity("T", "F", "0", 0, 12);
  cache_.Save(temporary, keys_, nullptr, std::string(200, 'a'));
  EXPECT_FALSE(fs::exists(PathOf(temporary)));
}

TEST_F(BlobCacheTest, LoadGivesSavedDataAndDeletesWhatDoesNotMatch) {
  auto id = Identity("T", "F", "5");
  cache_.Save(id, keys_, nullptr, "content");
  EXPECT_EQ(cache_.Load(id, keys_, 7).value_or("none"), "content");
  EXPECT_EQ(cache_.Load(id, keys_, -1).value_or("none"), "content");

  // The server's length differs: outdated, deleted.
  EXPECT_FALSE(cache_.Load(id, keys_, 8));
  EXPECT_FALSE(fs::exists(PathOf(id)));

  // Another blob id for the same record: deleted too.
  cache_.Save(id, keys_, nullptr, "content");
  auto newer = Identity("T", "F", "5", 7, 10);
  EXPECT_FALSE(cache_.Load(newer, keys_, 7));
  EXPECT_FALSE(fs::exists(PathOf(id)));

  // A damaged file: deleted.
  cache_.Save(id, keys_, nullptr, "content");
  PutBytes(PathOf(id), FileBytes(PathOf(id)).substr(0, 30));
  EXPECT_FALSE(cache_.Load(id, keys_, 7));
  EXPECT_FALSE(fs::exists(PathOf(id)));
}

TEST_F(BlobCacheTest, HandlersChooseTheFileOrRefuse) {
  std::vector<std::string> seen;
  std::string other = temp_.File("elsewhere.blb");
  cache_.BeforeSaveBlobToSwap = TBeforeSaveBlobEvent::Function(
      [&](const std::string& table, const std::string& field, const std::vector<Variant>& keys,
          classlib::TStream*, std::string& file_name, bool& can_save) {
        seen.push_back("before save " + table + "." + field + " " + BlobKeyString(keys));
        file_name = other;
        can_save = true;
      });
  cache_.AfterSaveBlobToSwap = TAfterSaveBlobEvent::Function(
      [&](const std::string&, const std::string&, const std::vector<Variant>&,
          const std::string& file_name) { seen.push_back("after save " + file_name); });
  bool allow_load = false;
  cache_.BeforeLoadBlobFromSwap = TBeforeLoadBlobEvent::Function(
      [&](const std::string&, const std::string&, const std::vector<Variant>&,
          std::string& file_name, bool& can_load) {
        file_name = other;
        can_load = allow_load;
      });
  cache_.AfterLoadBlobFromSwap = TAfterLoadBlobEvent::Function(
      [&](const std::string&, const std::string&, const std::vector<Variant>&,
          const std::string& file_name) { seen.push_back("after load " + file_name); });

  auto id = Identity("T", "F", "5");
  cache_.Save(id, keys_, nullptr, "abc");
  EXPECT_TRUE(fs::exists(other));
  EXPECT_FALSE(fs::exists(PathOf(id)));
  EXPECT_FALSE(cache_.Load(id, keys_, 3)) << "refused by the handler";
  EXPECT_TRUE(fs::exists(other)) << "a refused load deletes nothing";
  allow_load = true;
  EXPECT_EQ(cache_.Load(id, keys_, 3).value_or("none"), "abc");
  std::vector<std::string> expected = {"before save T.F 5", "after save " + other,
                                       "after load " + other};
  EXPECT_EQ(seen, expected);
}

TEST_F(BlobCacheTest, DesigningOrInactiveCacheIsNotUsed) {
  auto id = Identity("T", "F", "5");
  cache_.SetDesigning(true);
  cache_.Save(id, keys_, nullptr, "abc");
  EXPECT_FALSE(fs::exists(PathOf(id)));
  cache_.SetDesigning(false);
  cache_.Save(id, keys_, nullptr, "abc");
  cache_.Options().SetActive(false);
  EXPECT_FALSE(cache_.Load(id, keys_, 3));
}

}  // namespace
}  // namespace fib
