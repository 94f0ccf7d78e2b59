// Cached updates on the embedded engine: changes stay in the cache with
// their status, nothing reaches the server, and cancelling them brings the
// records back as they were.
#include <gtest/gtest.h>

#include "classlib/field.h"
#include "fib/base/errors.h"
#include "people_fixture.h"

namespace fib {
namespace {

class DataSetCachedTest : public fib_test::PeopleTest {
 protected:
  std::unique_ptr<TFIBDataSet> Cached() {
    auto ds = People();
    ds->SetCachedUpdates(true);
    ds->Open();
    return ds;
  }
  int ServerCount() { return Committed("select count(*) from PEOPLE").AsInteger(); }
};

TEST_F(DataSetCachedTest, ChangesStayInTheCacheWithTheirStatus) {
  auto ds = Cached();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Anya");
  ds->Post();
  EXPECT_EQ(ds->UpdateStatus(), classlib::usModified);
  EXPECT_TRUE(ds->UpdatesPending());
  // A second edit of the same record keeps it modified.
  ds->Edit();
  ds->FieldByName("SCORE")->SetAsInteger(11);
  ds->Post();
  EXPECT_EQ(ds->UpdateStatus(), classlib::usModified);

  ds->Append();
  ds->FieldByName("ID")->SetAsInteger(4);
  ds->FieldByName("NAME")->SetAsString("Gleb");
  ds->Post();
  EXPECT_EQ(ds->UpdateStatus(), classlib::usInserted);
  EXPECT_EQ(ds->RecordCount(), 4);

  tr_->Commit();
  EXPECT_EQ(ServerCount(), 3);
  EXPECT_EQ(Committed("select NAME from PEOPLE where ID = 1").AsString(), "Anna");
}

TEST_F(DataSetCachedTest, DeletingAnInsertedRecordLeavesNothingPending) {
  auto ds = Cached();
  ds->Append();
  ds->FieldByName("ID")->SetAsInteger(4);
  ds->FieldByName("NAME")->SetAsString("Gleb");
  ds->Post();
  EXPECT_TRUE(ds->UpdatesPending());
  ds->Delete();
  EXPECT_FALSE(ds->UpdatesPending());
  EXPECT_EQ(ds->RecordCount(), 3);
  // Hidden records are no result of a key search unless their status is shown.
  EXPECT_FALSE(ds->LocateByKeys("ID", classlib::Variant(4), {}, true, ldFirst, true));
  ds->SetUpdateRecordTypes({cusUnmodified, cusUninserted});
  EXPECT_TRUE(ds->LocateByKeys("ID", classlib::Variant(4), {}, true, ldFirst, true));
  ds->SetUpdateRecordTypes({cusUnmodified, cusModified, cusInserted});
  EXPECT_EQ(fib_test::PeopleTest::Rows(*ds),
            (std::vector<std::string>{"1:Anna", "2:Boris", "3:Vera"}));
}

TEST_F(DataSetCachedTest, CancellingBringsEveryRecordBack) {
  auto ds = Cached();
  // Anna is edited twice: the cancel must reach back past both edits.
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Anya");
  ds->Post();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Annushka");
  ds->Post();
  ds->Next();
  // Boris is changed, then deleted.
  ds->Edit();
  ds->FieldByName("NOTE")->SetAsString("changed");
  ds->Post();
  ds->Delete();
  // Vera is deleted as she is.
  ds->Delete();
  ds->Append();
  ds->FieldByName("ID")->SetAsInteger(9);
  ds->FieldByName("NAME")->SetAsString("New");
  ds->Post();
  EXPECT_EQ(fib_test::PeopleTest::Rows(*ds), (std::vector<std::string>{"1:Annushka", "9:New"}));

  ds->CancelUpdates();
  EXPECT_FALSE(ds->UpdatesPending());
  EXPECT_EQ(fib_test::PeopleTest::Rows(*ds),
            (std::vector<std::string>{"1:Anna", "2:Boris", "3:Vera"}));
  EXPECT_EQ(fib_test::PeopleTest::Rows(*ds, "ID", "NOTE"),
            (std::vector<std::string>{"1:", "2:x", "3:"}));
  EXPECT_EQ(ds->RecordCount(), 3);
  EXPECT_EQ(ServerCount(), 3);
}

TEST_F(DataSetCachedTest, ApplyingSendsEachChangeWithItsOldValues) {
  auto ds = Cached();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Anya");
  ds->Post();
  ds->Next();
  // The key changes: the statement must find the row by the key it had.
  ds->Edit();
  ds->FieldByName("ID")->SetAsInteger(22);
  ds->Post();
  ds->Next();
  ds->Delete();
  ds->Append();
  ds->FieldByName("ID")->SetAsInteger(4);
  ds->FieldByName("NAME")->SetAsString("Gleb");
  ds->Post();
  ds->ApplyUpdates();
  EXPECT_FALSE(ds->UpdatesPending());
  EXPECT_EQ(fib_test::PeopleTest::Rows(*ds),
            (std::vector<std::string>{"1:Anya", "22:Boris", "4:Gleb"}));
  tr_->Commit();
  EXPECT_EQ(Committed("select list(ID || ':' || NAME, ',') from "
                      "(select ID, NAME from PEOPLE order by ID)")
                .AsString(),
            "1:Anya,4:Gleb,22:Boris");
}

TEST_F(DataSetCachedTest, AChangeWithoutAStatementIsNotCountedAsApplied) {
  auto ds = Cached();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Anya");
  ds->Post();
  ds->UpdateSQL().Clear();
  EXPECT_THROW(ds->ApplyUpdates(), EFIBClientError);
  EXPECT_TRUE(ds->UpdatesPending());
  ds->CancelUpdates();
  EXPECT_EQ(fib_test::PeopleTest::Rows(*ds).front(), "1:Anna");
}

TEST_F(DataSetCachedTest, TurningCachedUpdatesOffCancelsThem) {
  auto ds = Cached();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Anya");
  ds->Post();
  ds->SetCachedUpdates(false);
  EXPECT_FALSE(ds->UpdatesPending());
  ds->First();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Anna");
  // From now on edits go to the server.
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Anya");
  ds->Post();
  tr_->Commit();
  EXPECT_EQ(Committed("select NAME from PEOPLE where ID = 1").AsString(), "Anya");
}

TEST_F(DataSetCachedTest, CacheOnlyDeleteHidesTheRecordWithoutAStatement) {
  auto ds = People();
  ds->Open();
  ds->Next();
  ds->CacheDelete();
  EXPECT_EQ(ds->RecordCount(), 2);
  EXPECT_EQ(fib_test::PeopleTest::Rows(*ds), (std::vector<std::string>{"1:Anna", "3:Vera"}));
  tr_->Commit();
  EXPECT_EQ(ServerCount(), 3);
}

}  // namespace
}  // namespace fib
