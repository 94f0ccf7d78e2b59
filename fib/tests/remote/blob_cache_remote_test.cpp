// The blob cache against the local Firebird server ("localhost:" + path):
// blobs read through the server fill the cache and come back from it, and
// the validation thread, with a connection of its own, clears the files of
// blobs the database no longer has. Without a server these tests skip.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "../blob_id_descriptor.h"
#include "../temp_folder.h"
#include "fib/base/errors.h"
#include "fib/statements/blob_cache.h"
#include "fib/statements/blob_cache_validator.h"
#include "fib/statements/fib_blob_stream.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"

#include "local_server.h"

namespace fib {
namespace {

namespace fs = std::filesystem;
const ISC_QUAD kUnknownBlob{0x7FFF, 0x7FFFFFFF};

class BlobCacheRemoteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fib_test::LocalServerAnswers())
      GTEST_SKIP() << fib_test::kNoServerMessage;
    // The server may run as another user: it must be able to create files.
    chmod(files_.Path().c_str(), 0777);
    db_.SetDBName("localhost:" + files_.File("blobs.fdb"));
    db_.DBParams().SetText("user_name=SYSDBA\r\npassword=" + fib_test::ServerPassword() +
                           "\r\nlc_ctype=WIN1251");
    db_.SetSQLDialect(3);
    db_.SetSynchronizeTime(false);
    IIBClientLibrary& library = db_.ClientLibrary();
    std::string create = "CREATE DATABASE '" + db_.DBName() + "' USER 'SYSDBA' PASSWORD '" +
                         fib_test::ServerPassword() + "' DEFAULT CHARACTER SET WIN1251";
    isc_tr_handle none = 0;
    db_.CheckClientCall(library.isc_dsql_execute_immediate(StatusVector(), db_.HandleAddress(),
                                                           &none, 0, create.c_str(), 3, nullptr),
                        true);
    created_ = true;
    tr_.SetDefaultDatabase(&db_);
    tr_.StartTransaction();
    Execute("CREATE TABLE B (K INTEGER NOT NULL PRIMARY KEY, BIN BLOB SUB_TYPE 0)", nullptr);
    Restart();
    cache_.Options().SetActive(true);
    cache_.Options().SetSwapDir(cache_folder_.Path().string());
  }

  void TearDown() override {
    if (!created_) return;
    if (tr_.Active()) tr_.Rollback();
    db_.ClientLibrary().isc_drop_database(StatusVector(), db_.HandleAddress());
  }

  void Execute(const std::string& sql, XSQLDA* in) {
    IIBClientLibrary& library = db_.ClientLibrary();
    db_.CheckClientCall(
        library.isc_dsql_exec_immed2(StatusVector(), db_.HandleAddress(), tr_.HandleAddress(), 0,
                                     sql.c_str(), 3, in, nullptr),
        true);
  }
  void Restart() {
    tr_.Commit();
    tr_.StartTransaction();
  }

  // Writes `content` as a new blob, stores it in row `key`, commits and
  // answers the stored id.
  ISC_QUAD Store(int key, const std::string& content) {
    TFIBBlobStream writer;
    writer.SetDatabase(&db_);
    writer.SetTransaction(&tr_);
    writer.SetMode(BlobMode::Write);
    writer.WriteBuffer(content.data(), static_cast<int>(content.size()));
    writer.Finalize();
    ISC_QUAD id = writer.BlobID();
    fib_test::BlobIdDescriptor in(&id);
    Execute("INSERT INTO B (K, BIN) VALUES (" + std::to_string(key) + ", ?)", &in.sqlda);
    Restart();
    ISC_QUAD stored{};
    fib_test::BlobIdDescriptor out(&stored);
    IIBClientLibrary& library = db_.ClientLibrary();
    std::string sql = "SELECT BIN FROM B WHERE K = " + std::to_string(key);
    db_.CheckClientCall(
        library.isc_dsql_exec_immed2(StatusVector(), db_.HandleAddress(), tr_.HandleAddress(), 0,
                                     sql.c_str(), 3, nullptr, &out.sqlda),
        true);
    return stored;
  }

  std::unique_ptr<TFIBBlobStream> Reader(int key, const ISC_QUAD& id) {
    auto stream = std::make_unique<TFIBBlobStream>(
        -1, std::vector<classlib::Variant>{classlib::Variant(key)}, "BIN", "B", nullptr);
    stream->SetDatabase(&db_);
    stream->SetTransaction(&tr_);
    stream->SetBlobCache(&cache_);
    stream->SetBlobID(id);
    return stream;
  }

  std::string PutCacheFile(const ISC_QUAD& id, const std::string& key) {
    BlobCacheIdentity identity{id, 1, "B", "BIN", key};
    std::string path = BlobCachePath(cache_.Folder(), identity);
    classlib::CriticalSectionGuard guard(BlobCacheLock());
    EXPECT_TRUE(WriteBlobCacheFile(path, identity, "data"));
    return path;
  }

  fib_test::TempFolder files_;
  fib_test::TempFolder cache_folder_;
  TFIBDatabase db_{nullptr};
  TFIBTransaction tr_{nullptr};
  TBlobCache cache_;
  bool created_ = false;
};

TEST_F(BlobCacheRemoteTest, BlobsComeBackFromTheCache) {
  const std::string content(100000, 'q');
  const ISC_QUAD id = Store(1, content);
  auto first = Reader(1, id);
  EXPECT_TRUE(first->AsString() == content);
  EXPECT_FALSE(first->LoadedFromCache());
  auto second = Reader(1, id);
  EXPECT_TRUE(second->AsString() == content);
  EXPECT_TRUE(second->LoadedFromCache());
  EXPECT_TRUE(IsRemoteConnection(db_));
}

TEST_F(BlobCacheRemoteTest, ValidationThreadClearsFilesOfGoneBlobs) {
  const ISC_QUAD id = Store(1, "kept blob");
  Reader(1, id)->Size();  // fills the cache
  const std::string kept = BlobCachePath(cache_.Folder(), {id, 1, "B", "BIN", "1"});
  ASSERT_TRUE(fs::exists(kept));
  const std::string gone = PutCacheFile(kUnknownBlob, "2");
  const std::string foreign = cache_folder_.File("B/BIN/3.blb");
  std::ofstream(foreign) << "not a cache file";

  auto* thread =
      classlib::NewThread<TValidateBlobCacheThread>(db_, cache_.Folder(), /*free=*/false);
  thread->WaitFor();
  EXPECT_EQ(thread->FatalException(), "");
  EXPECT_EQ(thread->DeletedCount(), 1);
  delete thread;
  EXPECT_TRUE(fs::exists(kept));
  EXPECT_FALSE(fs::exists(gone));
  EXPECT_TRUE(fs::exists(foreign));
}

TEST_F(BlobCacheRemoteTest, StartedValidationFreesItself) {
  const std::string gone = PutCacheFile(kUnknownBlob, "2");
  ASSERT_NE(StartBlobCacheValidation(db_, cache_.Folder()), nullptr);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (fs::exists(gone) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(fs::exists(gone));
  // Give the thread time to disconnect before the database is dropped.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
}

TEST_F(BlobCacheRemoteTest, ConnectingWithTheCacheOnStartsTheCheck) {
  const std::string gone = PutCacheFile(kUnknownBlob, "2");
  tr_.Commit();
  db_.Disconnect(false);
  db_.BlobSwapSupport().SetActive(true);
  db_.BlobSwapSupport().SetSwapDir(cache_.Folder());
  db_.Connect();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (fs::exists(gone) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(fs::exists(gone));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  tr_.StartTransaction();
}

}  // namespace
}  // namespace fib
