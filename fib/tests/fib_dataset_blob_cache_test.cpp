// The database's blob cache wired into the data sets: a blob read through a data set is kept in a file named by its
// table, field and the record's primary key when it reaches
// MinBlobSizeToSwap, is found there again after the data set reopened, and
// the database's four cache events fire around it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "classlib/variant.h"
#include "dataset_fixture.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/statements/blob_cache.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "temp_folder.h"

namespace fib {
namespace {

struct CacheEvent {
  std::string kind;
  std::string table;
  std::string field;
  std::string keys;
};

std::string KeysText(const std::vector<classlib::Variant>& keys) { return BlobKeyString(keys); }

class DataSetBlobCacheTest : public fib_test::DataSetTest {
 protected:
  DataSetBlobCacheTest() {
    Run("create table DOCS (ID integer not null primary key, BODY blob sub_type 0)");
    Insert(1, std::string(99, 'a'));
    Insert(2, std::string(100, 'b'));
    TBlobSwapSupport& swap = db_->BlobSwapSupport();
    swap.SetSwapDir(folder_.Path().string());
    swap.SetMinBlobSizeToSwap(100);
    swap.SetActive(true);
    db_->BeforeSaveBlobToSwap = TBeforeSaveBlobEvent::Function(
        [this](const std::string& table, const std::string& field,
               const std::vector<classlib::Variant>& keys, classlib::TStream*, std::string&,
               bool&) { events_.push_back({"before save", table, field, KeysText(keys)}); });
    db_->AfterSaveBlobToSwap = TAfterSaveBlobEvent::Function(
        [this](const std::string& table, const std::string& field,
               const std::vector<classlib::Variant>& keys, const std::string&) {
          events_.push_back({"after save", table, field, KeysText(keys)});
        });
    db_->BeforeLoadBlobFromSwap = TBeforeLoadBlobEvent::Function(
        [this](const std::string& table, const std::string& field,
               const std::vector<classlib::Variant>& keys, std::string&, bool&) {
          events_.push_back({"before load", table, field, KeysText(keys)});
        });
    db_->AfterLoadBlobFromSwap = TAfterLoadBlobEvent::Function(
        [this](const std::string& table, const std::string& field,
               const std::vector<classlib::Variant>& keys, const std::string&) {
          events_.push_back({"after load", table, field, KeysText(keys)});
        });
  }

  void Insert(int id, const std::string& body) {
    auto query = NewQuery("Ins", "insert into DOCS values (:ID, :BODY)");
    query->ParamByName("ID").SetAsInteger(id);
    query->ParamByName("BODY").SetAsString(body);
    query->ExecQuery();
    tr_->Commit();
  }

  std::filesystem::path CacheFile(int id) const {
    return folder_.Path() / "DOCS" / "BODY" / (std::to_string(id) + ".blb");
  }

  // Every body of the data set, read through its blob field.
  std::vector<std::string> Bodies(TFIBDataSet& ds) {
    std::vector<std::string> bodies;
    for (ds.First(); !ds.Eof(); ds.Next()) bodies.push_back(ds.FieldByName("BODY")->AsString());
    return bodies;
  }

  int Count(const std::string& kind) const {
    int n = 0;
    for (const CacheEvent& event : events_) n += event.kind == kind;
    return n;
  }

  fib_test::TempFolder folder_;
  std::vector<CacheEvent> events_;
};

TEST_F(DataSetBlobCacheTest, OnlyBlobsOfTheMinimumSizeAreCachedAndFoundAgain) {
  auto ds = NewDataSet("Docs", "select ID, BODY from DOCS order by ID");
  ds->Open();
  EXPECT_EQ(Bodies(*ds), (std::vector<std::string>{std::string(99, 'a'), std::string(100, 'b')}));
  EXPECT_FALSE(std::filesystem::exists(CacheFile(1)));  // 99 bytes: below the minimum
  ASSERT_TRUE(std::filesystem::exists(CacheFile(2)));
  ASSERT_EQ(Count("after save"), 1);
  for (const CacheEvent& event : events_) {
    if (event.kind != "after save") continue;
    EXPECT_EQ(event.table, "DOCS");
    EXPECT_EQ(event.field, "BODY");
    EXPECT_EQ(event.keys, "2");
  }
  EXPECT_EQ(Count("after load"), 0);

  ds->Close();
  events_.clear();
  ds->Open();
  EXPECT_EQ(Bodies(*ds), (std::vector<std::string>{std::string(99, 'a'), std::string(100, 'b')}));
  EXPECT_EQ(Count("after load"), 1);  // the 100-byte blob came from its file
  EXPECT_EQ(Count("after save"), 0);
  for (const CacheEvent& event : events_) {
    if (event.kind == "after load") {
      EXPECT_EQ(event.keys, "2");
    }
  }
}

TEST_F(DataSetBlobCacheTest, AHandlerMayRefuseTheFile) {
  db_->BeforeSaveBlobToSwap = TBeforeSaveBlobEvent::Function(
      [](const std::string&, const std::string&, const std::vector<classlib::Variant>&,
         classlib::TStream*, std::string&, bool& can_save) { can_save = false; });
  auto ds = NewDataSet("Docs", "select ID, BODY from DOCS order by ID");
  ds->Open();
  Bodies(*ds);
  EXPECT_FALSE(std::filesystem::exists(CacheFile(2)));
  EXPECT_EQ(Count("after save"), 0);
}

TEST_F(DataSetBlobCacheTest, WithoutTheKeyColumnNoBlobIsCached) {
  auto ds = NewDataSet("Docs", "select BODY from DOCS");
  ds->Open();
  Bodies(*ds);
  EXPECT_TRUE(events_.empty());
  EXPECT_FALSE(std::filesystem::exists(folder_.Path() / "DOCS"));
}

TEST_F(DataSetBlobCacheTest, AnInactiveCacheIsNotUsed) {
  db_->BlobSwapSupport().SetActive(false);
  auto ds = NewDataSet("Docs", "select ID, BODY from DOCS order by ID");
  ds->Open();
  Bodies(*ds);
  EXPECT_TRUE(events_.empty());
  EXPECT_FALSE(std::filesystem::exists(CacheFile(2)));
}

}  // namespace
}  // namespace fib
