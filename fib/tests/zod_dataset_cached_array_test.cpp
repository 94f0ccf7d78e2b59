// Arrays edited under cached updates stay on the client until they are
// applied: they read back before ApplyUpdates, survive a hard end of the
// transaction, go with the other columns of their record, and a cancel or
// CancelUpdates takes exactly its own change back. Without cached updates
// an edited array is written by the post that carries it.
#include <gtest/gtest.h>

#include <string>

#include "classlib/field.h"
#include "classlib/variant.h"
#include "zod_dataset_meeting_fixture.h"

namespace fib_test {
namespace {

using classlib::Variant;

constexpr const char* kArrayText =
    "cast(AI[1] as varchar(5)) || ',' || cast(AI[2] as varchar(5)) || ',' || "
    "cast(AI[3] as varchar(5))";
constexpr const char* kVaryingText = "AV[1] || ',' || AV[2]";

Variant Three(int a, int b, int c) { return classlib::VarArrayOf({Variant(a), Variant(b), Variant(c)}); }

enum class TransactionEnd { kNone, kCommit, kRollback };

std::string EndName(const ::testing::TestParamInfo<TransactionEnd>& info) {
  switch (info.param) {
    case TransactionEnd::kNone: return "None";
    case TransactionEnd::kCommit: return "Commit";
    default: return "Rollback";
  }
}

class CachedArrayTest : public MeetingTest, public ::testing::WithParamInterface<TransactionEnd> {
 protected:
  fib::TpZODDataSet& OpenCached(bool only_modified = false) {
    DataSetSetup setup;
    setup.cached = true;
    setup.only_modified = only_modified;
    return Open(setup);
  }
  std::string Shown(const char* field) { return Joined(ds_->FieldByName(field)->AsVariant()); }
};

TEST_P(CachedArrayTest, AnEditedArrayIsKeptUntilItIsApplied) {
  InsertRows(3);
  fib::TpZODDataSet& ds = OpenCached();
  Go(2);
  ds.Edit();
  ds.FieldByName("AI")->SetAsVariant(Three(4, 5, 6));
  ds.FieldByName("AV")->SetAsVariant(classlib::VarArrayOf({Variant("x"), Variant("yz")}));
  ds.FieldByName("L")->SetAsString("with arrays");
  ds.Post();
  EXPECT_EQ(Shown("AI"), "4,5,6");
  ds.Append();
  ds.FieldByName("ID")->SetAsInteger(8);
  ds.FieldByName("AI")->SetAsVariant(Three(8, 8, 8));
  ds.Post();
  EXPECT_EQ(Shown("AI"), "8,8,8");

  switch (GetParam()) {
    case TransactionEnd::kNone: break;
    case TransactionEnd::kCommit: tr_->Commit(); break;
    case TransactionEnd::kRollback: tr_->Rollback(); break;
  }
  ASSERT_TRUE(ds.Active());
  Go(2);
  EXPECT_EQ(Shown("AI"), "4,5,6");
  EXPECT_EQ(Shown("AV"), "x,yz");
  EXPECT_EQ(Server(kArrayText, 2), "2,2,2");  // nothing reached the server yet

  ASSERT_NO_THROW(ds.ApplyUpdates());
  tr_->CommitRetaining();
  EXPECT_EQ(Server(kArrayText, 2), "4,5,6");
  EXPECT_EQ(Server(kVaryingText, 2), "x,yz");
  EXPECT_EQ(Server("L", 2), "with arrays");
  EXPECT_EQ(Server(kArrayText, 8), "8,8,8");
  ASSERT_TRUE(ds.Active());
  Go(2);
  EXPECT_EQ(Shown("AI"), "4,5,6");
}

INSTANTIATE_TEST_SUITE_P(Ends, CachedArrayTest,
                         ::testing::Values(TransactionEnd::kNone, TransactionEnd::kCommit,
                                           TransactionEnd::kRollback),
                         EndName);

TEST_F(CachedArrayTest, ACancelTakesBackOnlyItsOwnArrayChange) {
  InsertRows(2);
  fib::TpZODDataSet& ds = OpenCached(true);
  Go(1);
  ds.Edit();
  ds.FieldByName("AI")->SetAsVariant(Three(4, 5, 6));
  ds.Post();
  ds.Edit();
  ds.FieldByName("AI")->SetAsVariant(Three(7, 7, 7));
  EXPECT_EQ(Shown("AI"), "7,7,7");
  ds.Cancel();
  EXPECT_EQ(Shown("AI"), "4,5,6");
  // Changed twice before it is applied: the last values go.
  ds.Edit();
  ds.FieldByName("AI")->SetAsVariant(Three(9, 9, 9));
  ds.Post();
  Go(2);
  ds.Edit();
  ds.FieldByName("AI")->SetAsVariant(Three(3, 3, 3));
  ds.Post();
  ds.CancelUpdates();
  EXPECT_EQ(Shown("AI"), "2,2,2");
  Go(1);
  EXPECT_EQ(Shown("AI"), "1,1,1");
  EXPECT_FALSE(ds.UpdatesPending());

  ds.Edit();
  ds.FieldByName("AI")->SetAsVariant(Three(6, 6, 6));
  ds.Post();
  ds.ApplyUpdates();
  tr_->Commit();
  EXPECT_EQ(Server(kArrayText, 1), "6,6,6");
  EXPECT_EQ(Server(kArrayText, 2), "2,2,2");
}

// Without cached updates: a cancelled array change writes nothing, a
// posted one is there, in both cache models.
class PostedArrayTest : public MeetingTest, public ::testing::WithParamInterface<bool> {};

TEST_P(PostedArrayTest, ThePostWritesTheArrayAndACancelNothing) {
  InsertRows(3);
  DataSetSetup setup;
  setup.limited = GetParam();
  setup.own_update_tr = true;
  setup.auto_commit = setup.limited;  // the limited model's condition
  fib::TpZODDataSet& ds = Open(setup);
  Go(2);
  ds.Edit();
  ds.FieldByName("AI")->SetAsVariant(Three(4, 5, 6));
  EXPECT_EQ(Joined(ds.FieldByName("AI")->AsVariant()), "4,5,6");
  ds.Cancel();
  EXPECT_EQ(Joined(ds.FieldByName("AI")->AsVariant()), "2,2,2");
  ds.Edit();
  ds.FieldByName("AI")->SetAsVariant(Three(7, 8, 9));
  ds.Post();
  if (UpdateTr().Active()) UpdateTr().Commit();
  EXPECT_EQ(Server(kArrayText, 2), "7,8,9");
  EXPECT_EQ(Joined(ds.FieldByName("AI")->AsVariant()), "7,8,9");
}

INSTANTIATE_TEST_SUITE_P(Models, PostedArrayTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Limited" : "Standard");
                         });

}  // namespace
}  // namespace fib_test
