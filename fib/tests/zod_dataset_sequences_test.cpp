// Short sequences of what an application does that once went wrong where
// the extended data set's features meet: modified-only statements for
// posts that change different fields, cached updates applied while no
// record is shown, a local sort across a re-open, and cached posts that
// move a sort field back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/variant.h"
#include "fib/dataset/fib_dataset.h"
#include "zod_dataset_meeting_fixture.h"

namespace fib_test {
namespace {

using classlib::Variant;

class SequencesTest : public MeetingTest {
 protected:
  // The IDs in the order the data set shows them.
  std::vector<int> Order() {
    std::vector<int> ids;
    ds_->First();
    while (!ds_->Eof()) {
      ids.push_back(Id());
      ds_->Next();
    }
    return ids;
  }
  // Applies cached changes; commits what the update transaction holds.
  void Settle(const DataSetSetup& setup) {
    if (setup.cached) ds_->ApplyUpdates();
    if (UpdateTr().Active()) UpdateTr().CommitRetaining();
  }
};

// ---- modified-only statements for different sets of fields ------------------

class ModifiedOnlyTest : public SequencesTest, public ::testing::WithParamInterface<DataSetSetup> {
};

TEST_P(ModifiedOnlyTest, EachPostNamesItsOwnChangedFields) {
  const DataSetSetup setup = GetParam();
  InsertRows(3);
  fib::TpZODDataSet& ds = Open(setup);
  Go(1);
  ds.Edit();
  ds.FieldByName("L")->SetAsString("first");
  ds.FieldByName("D")->SetAsDateTime(classlib::EncodeDate(2021, 3, 4));
  ds.Post();
  Go(2);
  ds.Edit();
  ds.FieldByName("I")->SetAsInteger(20);
  ds.FieldByName("L")->SetAsString("second");
  ASSERT_NO_THROW(ds.Post());
  Go(3);
  ds.Edit();
  ds.FieldByName("D")->SetAsDateTime(classlib::EncodeDate(2022, 5, 6));
  ASSERT_NO_THROW(ds.Post());
  ASSERT_NO_THROW(Settle(setup));
  EXPECT_EQ(Server("L", 1), "first");
  EXPECT_EQ(Server("cast(D as varchar(10))", 1), "2021-03-04");
  EXPECT_EQ(Server("I", 1), "1");
  EXPECT_EQ(Server("I", 2), "20");
  EXPECT_EQ(Server("L", 2), "second");
  EXPECT_EQ(Server("D", 2), kNullText);
  EXPECT_EQ(Server("cast(D as varchar(10))", 3), "2022-05-06");
  EXPECT_EQ(Server("L", 3), "row3");
}

std::vector<DataSetSetup> ModifiedOnlySetups() {
  std::vector<DataSetSetup> setups;
  for (int model = 0; model < 3; ++model)
    for (bool auto_commit : {false, true}) {
      DataSetSetup setup;
      setup.limited = model == 1;
      setup.cached = model == 2;
      setup.only_modified = true;
      setup.auto_commit = auto_commit;
      setups.push_back(setup);
    }
  return setups;
}

INSTANTIATE_TEST_SUITE_P(Setups, ModifiedOnlyTest, ::testing::ValuesIn(ModifiedOnlySetups()),
                         [](const ::testing::TestParamInfo<DataSetSetup>& info) {
                           return info.param.name();
                         });

// ---- cached updates applied while no record is shown -------------------------

class NothingShownTest : public SequencesTest, public ::testing::WithParamInterface<bool> {};

TEST_P(NothingShownTest, ApplyUpdatesWritesEveryCachedChange) {
  const bool only_modified = GetParam();
  InsertRows(3);
  DataSetSetup setup;
  setup.cached = true;
  setup.only_modified = only_modified;
  fib::TpZODDataSet& ds = Open(setup);
  Go(1);
  ds.Edit();
  ds.FieldByName("L")->SetAsString("changed");
  ds.FieldByName("TB")->SetAsString("changed note");
  ds.Post();
  Go(3);
  ds.Delete();
  ds.Append();
  ds.FieldByName("ID")->SetAsInteger(7);
  ds.FieldByName("L")->SetAsString("new");
  ds.Post();
  // A filter hides every record.
  ds.SetOnFilterRecord(classlib::TFilterRecordEvent::Function(
      [](classlib::TDataSet*, bool& accept) { accept = false; }));
  ds.SetFiltered(true);
  ASSERT_TRUE(ds.IsEmpty());
  ASSERT_NO_THROW(ds.ApplyUpdates());
  tr_->CommitRetaining();
  EXPECT_FALSE(ds.UpdatesPending());
  EXPECT_EQ(Server("L", 1), "changed");
  EXPECT_EQ(Server("cast(TB as varchar(40))", 1), "changed note");
  EXPECT_EQ(Server("count(*)", 3), "0");
  EXPECT_EQ(Server("L", 7), "new");
  ds.SetFiltered(false);
  EXPECT_EQ(Order(), (std::vector<int>{1, 2, 7}));
}

TEST_P(NothingShownTest, ApplyUpdatesAfterTheOnlyShownRecordWasDeleted) {
  InsertRows(1);
  DataSetSetup setup;
  setup.cached = true;
  setup.only_modified = GetParam();
  fib::TpZODDataSet& ds = Open(setup);
  ds.Edit();
  ds.FieldByName("L")->SetAsString("changed first");
  ds.Post();
  ds.Delete();
  ASSERT_TRUE(ds.IsEmpty());
  ASSERT_NO_THROW(ds.ApplyUpdates());
  tr_->CommitRetaining();
  EXPECT_EQ(Server("count(*)", 1), "0");
  EXPECT_FALSE(ds.UpdatesPending());
}

INSTANTIATE_TEST_SUITE_P(Fields, NothingShownTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "ModifiedOnly" : "AllFields");
                         });

// ---- a local sort and a re-open -------------------------------------------------

class SortReopenTest : public SequencesTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SortReopenTest, TheRowsAndLaterPostsFollowTheSelectsOrderAfterAReopen) {
  const bool cached = GetParam();
  InsertRows(4);
  DataSetSetup setup;
  setup.cached = cached;
  fib::TpZODDataSet& ds = Open(setup);
  ds.SetOptions(fib::TpZODDsOptions(ds.Options()).Include(fib::poKeepSorting));
  ds.DoSort({Variant("L")}, {false});
  ASSERT_EQ(Order(), (std::vector<int>{4, 3, 2, 1}));
  ds.Close();
  ds.Open();
  EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3, 4}));
  Go(2);
  ds.Edit();
  ds.FieldByName("L")->SetAsString("row9");  // first by the old sort
  ds.Post();
  ds.Append();
  ds.FieldByName("ID")->SetAsInteger(5);
  ds.FieldByName("L")->SetAsString("row8");
  ds.Post();
  EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3, 4, 5}));
  Settle(setup);

  // A hard commit closes a data set without cached updates; reopened, the
  // local sort is gone there too.
  ds.DoSort({Variant("L")}, {false});
  ASSERT_EQ(Order(), (std::vector<int>{2, 5, 4, 3, 1}));
  tr_->Commit();
  if (!ds.Active()) ds.Open();
  if (!cached) {
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3, 4, 5}));
    ds.Append();
    ds.FieldByName("ID")->SetAsInteger(6);
    ds.FieldByName("L")->SetAsString("row99");
    ds.Post();
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  }
}

TEST_P(SortReopenTest, APersistentSortIsMadeAgain) {
  InsertRows(4);
  DataSetSetup setup;
  setup.cached = GetParam();
  fib::TpZODDataSet& ds = Open(setup);
  ds.SetOptions(fib::TpZODDsOptions(ds.Options()).Include(fib::poKeepSorting).Include(
      fib::poPersistentSorting));
  ds.DoSort({Variant("L")}, {false});
  ds.Close();
  ds.Open();
  EXPECT_EQ(Order(), (std::vector<int>{4, 3, 2, 1}));
  ds.Append();
  ds.FieldByName("ID")->SetAsInteger(5);
  ds.FieldByName("L")->SetAsString("row25");
  ds.Post();
  EXPECT_EQ(Order(), (std::vector<int>{4, 3, 5, 2, 1}));
}

INSTANTIATE_TEST_SUITE_P(Modes, SortReopenTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Cached" : "Plain");
                         });

// ---- cached posts that move a sort field back -------------------------------------

TEST_F(SequencesTest, ACachedSecondEditMovesTheRecordByTheValueItShowedBefore) {
  InsertRows(4);
  DataSetSetup setup;
  setup.cached = true;
  fib::TpZODDataSet& ds = Open(setup);
  ds.SetOptions(fib::TpZODDsOptions(ds.Options()).Include(fib::poKeepSorting));
  ds.DoSort({Variant("I")}, {true});
  Go(2);
  ds.Edit();
  ds.FieldByName("I")->SetAsInteger(10);
  ds.Post();
  EXPECT_EQ(Order(), (std::vector<int>{1, 3, 4, 2}));
  Go(2);
  ds.Edit();
  ds.FieldByName("I")->SetAsInteger(2);  // its value before the first change
  ds.Post();
  EXPECT_EQ(Id(), 2);  // the posted record stays current
  EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3, 4}));

  // Moved away and made NULL: NULL sorts first ascending.
  Go(3);
  ds.Edit();
  ds.FieldByName("I")->SetAsInteger(0);
  ds.Post();
  EXPECT_EQ(Order(), (std::vector<int>{3, 1, 2, 4}));
  Go(1);
  ds.Edit();
  ds.FieldByName("I")->SetAsInteger(9);
  ds.Post();
  Go(1);
  ds.Edit();
  ds.FieldByName("I")->Clear();
  ds.Post();
  EXPECT_EQ(Order(), (std::vector<int>{1, 3, 2, 4}));
  ds.ApplyUpdates();
  tr_->CommitRetaining();
  EXPECT_EQ(Server("I", 1), kNullText);
  EXPECT_EQ(Server("I", 2), "2");
  EXPECT_EQ(Server("I", 3), "0");
}

}  // namespace
}  // namespace fib_test
