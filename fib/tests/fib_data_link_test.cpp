// The master/detail link: what the detail hears when its master opens,
// moves, changes a field and closes.
#include <gtest/gtest.h>

#include <memory>

#include "classlib/data_link.h"
#include "classlib/field.h"
#include "fib/dataset/fib_data_link.h"
#include "testing/dataset_test_table.h"

namespace fib {
namespace {

using classlib::testing::TestTable;

class Detail : public TestTable, public IFIBDetailDataSet {
 public:
  Detail() : link(std::make_unique<TFIBDataLink>(this, this)) {}
  void MasterChanged() override { ++changes; }
  void MasterDisabled() override { ++disables; }
  bool MasterRefreshDue() override { return refresh_due; }
  void DataLinkDestroyed(TFIBDataLink* gone) override { destroyed = gone; }

  int changes = 0;
  int disables = 0;
  bool refresh_due = true;
  const TFIBDataLink* destroyed = nullptr;
  std::unique_ptr<TFIBDataLink> link;
};

class DataLink : public ::testing::Test {
 protected:
  void SetUp() override {
    master.AddColumn("ID", classlib::ftInteger);
    master.Open();
    for (int id = 1; id <= 3; ++id) {
      master.Append();
      master.FieldByName("ID")->SetAsInteger(id);
      master.Post();
    }
    master.Close();
    source.SetDataSet(&master);
    detail.link->SetDataSource(&source);
  }

  TestTable master;
  classlib::TDataSource source{nullptr};
  Detail detail;
};

TEST_F(DataLink, OpeningAndClosingTheMasterReachTheDetail) {
  EXPECT_EQ(detail.link->GetDetailDataSet(), &detail);
  master.Open();
  EXPECT_TRUE(detail.link->Active());
  EXPECT_GE(detail.changes, 1);
  const int before = detail.disables;
  master.Close();
  EXPECT_EQ(detail.disables, before + 1);
}

TEST_F(DataLink, MovesRefreshAnOpenDetailOnlyWhenItSaysSo) {
  master.Open();
  master.First();
  int before = detail.changes;
  master.Next();
  EXPECT_EQ(detail.changes, before);  // a closed detail has nothing to refresh

  detail.AddColumn("X", classlib::ftInteger);
  detail.Open();
  before = detail.changes;
  master.Next();
  EXPECT_EQ(detail.changes, before + 1);

  detail.refresh_due = false;
  before = detail.changes;
  master.Next();
  EXPECT_EQ(detail.changes, before);
}

TEST_F(DataLink, FieldChangesAreNoMove) {
  master.Open();
  const int before = detail.changes;
  master.Edit();
  master.FieldByName("ID")->SetAsInteger(10);
  EXPECT_EQ(detail.changes, before);
  master.Cancel();
}

TEST_F(DataLink, DestroyingTheLinkClearsTheDetailsReference) {
  const TFIBDataLink* link = detail.link.get();
  detail.link.reset();
  EXPECT_EQ(detail.destroyed, link);
}

}  // namespace
}  // namespace fib
