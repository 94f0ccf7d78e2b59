// A detail that stays open while its master opens after it, or closes and
// opens again, on the SQLite test driver: through the three kinds of link
// (linked fields on the server, parameters named like master fields, the
// local filter), the detail shows the rows of the master's record once the
// master can be read.
#include "dacore/dataset_component.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "classlib/data_link.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"

namespace dacore::sqlite_tests {
namespace {

enum TLinkKind { kFields, kParamNames, kLocal };

class DetailFollowTest : public SQLiteTest, public ::testing::WithParamInterface<TLinkKind> {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    session_ = Session();
    Exec(*session_, "CREATE TABLE M (ID INTEGER PRIMARY KEY)");
    Exec(*session_, "INSERT INTO M VALUES (1), (2)");
    Exec(*session_, "CREATE TABLE C (CID INTEGER PRIMARY KEY, PARENT INTEGER, NAME VARCHAR(10))");
    Exec(*session_, "INSERT INTO C VALUES (1, 1, 'a'), (2, 1, 'b'), (3, 2, 'c')");
    master_ = Query(*session_, "SELECT ID FROM M ORDER BY ID");
    source_.SetDataSet(master_.get());
    switch (GetParam()) {
      case kFields:
      case kLocal:
        detail_ = Query(*session_, "SELECT CID, PARENT, NAME FROM C ORDER BY CID");
        detail_->Options().SetLocalMasterDetail(GetParam() == kLocal);
        detail_->SetMasterSource(&source_);
        detail_->SetMasterFields("ID");
        detail_->SetDetailFields("PARENT");
        break;
      case kParamNames:
        detail_ = Query(*session_, "SELECT CID, PARENT, NAME FROM C WHERE PARENT = :ID ORDER BY CID");
        detail_->SetMasterSource(&source_);
        break;
    }
  }
  void TearDown() override {
    detail_.reset();
    master_.reset();
    session_.reset();
    SQLiteTest::TearDown();
  }

  std::string Names() {
    std::string names;
    for (detail_->First(); !detail_->Eof(); detail_->Next()) names += detail_->FieldByName("NAME")->AsString();
    detail_->First();
    return names;
  }

  std::unique_ptr<sqlite_driver::TSQLiteSession> session_;
  std::unique_ptr<TCustomDADataSet> master_;
  classlib::TDataSource source_{nullptr};
  std::unique_ptr<TCustomDADataSet> detail_;
};

TEST_P(DetailFollowTest, ADetailOpenedFirstFollowsTheMasterOnceItOpens) {
  detail_->Open();
  master_->Open();
  EXPECT_EQ(Names(), "ab");
  master_->Next();
  EXPECT_EQ(Names(), "c");
}

TEST_P(DetailFollowTest, ADetailStaysWithAMasterClosedAndOpenedAgain) {
  master_->Open();
  detail_->Open();
  master_->Next();
  EXPECT_EQ(Names(), "c");
  master_->Close();
  EXPECT_TRUE(detail_->Active());
  EXPECT_EQ(Names(), "c") << "a closed master leaves the detail";
  // Opened again on its first record, whose rows changed meanwhile.
  Exec(*session_, "INSERT INTO C VALUES (4, 1, 'd')");
  master_->Open();
  EXPECT_EQ(Names(), "abd");
  // On the same record as before the close, the rows are read again too.
  master_->Close();
  Exec(*session_, "INSERT INTO C VALUES (5, 1, 'e')");
  master_->Open();
  EXPECT_EQ(Names(), "abde");
}

std::string LinkName(const ::testing::TestParamInfo<TLinkKind>& info) {
  return info.param == kFields ? "Fields" : info.param == kParamNames ? "ParamNames" : "Local";
}

INSTANTIATE_TEST_SUITE_P(EveryLink, DetailFollowTest, ::testing::Values(kFields, kParamNames, kLocal), LinkName);

}  // namespace
}  // namespace dacore::sqlite_tests
