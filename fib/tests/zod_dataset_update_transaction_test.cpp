// A data set with an update transaction of its own, its Options never
// written: Edit, Append and Delete start that transaction on demand, in
// both cache models, and what they write reaches the server on its commit.
#include <gtest/gtest.h>

#include "classlib/field.h"
#include "classlib/variant.h"
#include "zod_dataset_meeting_fixture.h"

namespace fib_test {
namespace {

class OwnUpdateTransactionTest : public MeetingTest,
                                 public ::testing::WithParamInterface<bool> {
 protected:
  void Commit() {
    if (UpdateTr().Active()) UpdateTr().Commit();
  }
};

TEST_P(OwnUpdateTransactionTest, EditAppendAndDeleteStartItWithTheDefaultOptions) {
  InsertRows(3);
  DataSetSetup setup;
  setup.limited = GetParam();
  setup.own_update_tr = true;
  // The limited model takes a transaction of its own only with AutoCommit.
  setup.auto_commit = setup.limited;
  fib::TpZODDataSet& ds = Open(setup);
  ASSERT_TRUE(ds.Options().Contains(fib::poStartTransaction));
  ASSERT_FALSE(UpdateTr().Active());

  Go(2);
  ASSERT_NO_THROW(ds.Edit());
  ds.FieldByName("L")->SetAsString("edited");
  ASSERT_NO_THROW(ds.Post());
  Commit();
  EXPECT_EQ(Server("L", 2), "edited");

  ASSERT_NO_THROW(ds.Append());
  ds.FieldByName("ID")->SetAsInteger(9);
  ds.FieldByName("L")->SetAsString("appended");
  ASSERT_NO_THROW(ds.Post());
  Commit();
  EXPECT_EQ(Server("L", 9), "appended");

  Go(1);
  ASSERT_NO_THROW(ds.Delete());
  Commit();
  EXPECT_EQ(Server("count(*)", 1), "0");
  EXPECT_TRUE(ds.Active());  // the data set stays on its read transaction
}

INSTANTIATE_TEST_SUITE_P(Models, OwnUpdateTransactionTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Limited" : "Standard");
                         });

}  // namespace
}  // namespace fib_test
