// A post or cached apply that the server refuses leaves every change the
// user still holds writable: blobs and arrays are written again by the
// retry, whatever the update transaction did in between (nothing, a hard
// or retaining rollback, a hard commit), plain and under cached updates,
// with all fields or modified ones only. A cancel after the refusal gives
// the record back as it was before the edit.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "classlib/exceptions.h"
#include "classlib/field.h"
#include "classlib/variant.h"
#include "zod_dataset_meeting_fixture.h"

namespace fib_test {
namespace {

using classlib::Variant;

enum class Between { kNothing, kRollback, kCommit, kRollbackRetaining };

struct RefusalCase {
  DataSetSetup setup;
  Between between;
  std::string name() const {
    static const char* const kNames[] = {"Nothing", "Rollback", "Commit", "RollbackRetaining"};
    return setup.name() + kNames[static_cast<int>(between)];
  }
};

constexpr const char* kArrayText =
    "cast(AI[1] as varchar(5)) || ',' || cast(AI[2] as varchar(5)) || ',' || "
    "cast(AI[3] as varchar(5))";

void PrintTo(const RefusalCase& param, std::ostream* out) { *out << param.name(); }

class RefusedPostTest : public MeetingTest, public ::testing::WithParamInterface<RefusalCase> {
 protected:
  // Posts (and applies, under cached updates) the current edit.
  void Store(fib::TpZODDataSet& ds, const DataSetSetup& setup) {
    ds.Post();
    if (setup.cached) ds.ApplyUpdates();
  }

  void EndUpdateTransaction(Between between) {
    fib::TFIBTransaction& transaction = UpdateTr();
    if (!transaction.Active()) return;
    switch (between) {
      case Between::kNothing: break;
      case Between::kRollback: transaction.Rollback(); break;
      case Between::kCommit: transaction.Commit(); break;
      case Between::kRollbackRetaining: transaction.RollbackRetaining(); break;
    }
  }
};

TEST_P(RefusedPostTest, TheRetryWritesTheBlobsAndTheArrayTheUserStillHolds) {
  const RefusalCase param = GetParam();
  InsertRows(3);
  fib::TpZODDataSet& ds = Open(param.setup);
  Go(2);
  EXPECT_EQ(ds.FieldByName("TB")->AsString(), "note2");  // a stream the record keeps
  ds.Edit();
  ds.FieldByName("TB")->SetAsString("changed text");
  ds.FieldByName("BB")->SetAsString(std::string(70000, 'b'));  // two segments
  ds.FieldByName("AI")->SetAsVariant(classlib::VarArrayOf({Variant(5), Variant(6), Variant(7)}));
  ds.FieldByName("I")->SetAsInteger(-1);  // the CHECK refuses it
  EXPECT_THROW(Store(ds, param.setup), classlib::Exception);
  EndUpdateTransaction(param.between);
  ASSERT_TRUE(ds.Active());
  EXPECT_EQ(ds.FieldByName("TB")->AsString(), "changed text");

  // The user corrects the refused value and tries again.
  if (ds.State() != classlib::dsEdit) ds.Edit();
  ds.FieldByName("I")->SetAsInteger(5);
  ASSERT_NO_THROW(Store(ds, param.setup));
  // Retaining: the record's array is read back below.
  if (UpdateTr().Active()) UpdateTr().CommitRetaining();
  EXPECT_EQ(Server("I", 2), "5");
  EXPECT_EQ(Server("cast(TB as varchar(40))", 2), "changed text");
  EXPECT_EQ(Server("octet_length(BB)", 2), "70000");
  EXPECT_EQ(Server(kArrayText, 2), "5,6,7");
  ASSERT_TRUE(ds.Active());
  Go(2);
  EXPECT_EQ(ds.FieldByName("TB")->AsString(), "changed text");
  EXPECT_EQ(Joined(ds.FieldByName("AI")->AsVariant()), "5,6,7");
}

// A cached post is refused only when it is applied: these run without.
class RefusedThenCancelledTest : public RefusedPostTest {};

TEST_P(RefusedThenCancelledTest, ACancelAfterTheRefusalLeavesTheRecordAsBeforeTheEdit) {
  const RefusalCase param = GetParam();
  InsertRows(3);
  fib::TpZODDataSet& ds = Open(param.setup);
  Go(2);
  // Read before the edit: the record keeps the blob's stream.
  EXPECT_EQ(ds.FieldByName("TB")->AsString(), "note2");
  ds.Edit();
  ds.FieldByName("TB")->SetAsString("changed text");
  ds.FieldByName("AI")->SetAsVariant(classlib::VarArrayOf({Variant(5), Variant(6), Variant(7)}));
  ds.FieldByName("I")->SetAsInteger(-1);
  EXPECT_THROW(ds.Post(), classlib::Exception);
  EndUpdateTransaction(param.between);
  ds.Cancel();
  EXPECT_EQ(ds.FieldByName("TB")->AsString(), "note2");
  EXPECT_EQ(Joined(ds.FieldByName("AI")->AsVariant()), "2,2,2");

  // A later edit of another column writes the record's own blob and array.
  ds.Edit();
  ds.FieldByName("L")->SetAsString("later");
  ASSERT_NO_THROW(ds.Post());
  if (UpdateTr().Active()) UpdateTr().Commit();
  EXPECT_EQ(Server("L", 2), "later");
  EXPECT_EQ(Server("cast(TB as varchar(40))", 2), "note2");
  EXPECT_EQ(Server(kArrayText, 2), "2,2,2");
}

std::vector<RefusalCase> RefusalCases() {
  std::vector<RefusalCase> cases;
  for (int model = 0; model < 3; ++model)
    for (bool only_modified : {false, true})
      for (Between between : {Between::kNothing, Between::kRollback, Between::kCommit,
                              Between::kRollbackRetaining}) {
        DataSetSetup setup;
        setup.limited = model == 1;
        setup.cached = model == 2;
        setup.only_modified = only_modified;
        // A hard end of the data set's own transaction closes a data set
        // without cached updates: its posts go through a transaction of
        // their own.
        setup.own_update_tr = !setup.cached;
        // The limited model takes a transaction of its own only with
        // AutoCommit.
        setup.auto_commit = setup.limited;
        cases.push_back({setup, between});
      }
  return cases;
}

std::vector<RefusalCase> UncachedRefusalCases() {
  std::vector<RefusalCase> cases;
  for (const RefusalCase& refusal : RefusalCases())
    if (!refusal.setup.cached) cases.push_back(refusal);
  return cases;
}

std::string CaseName(const ::testing::TestParamInfo<RefusalCase>& info) {
  return info.param.name();
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedPostTest, ::testing::ValuesIn(RefusalCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Cases, RefusedThenCancelledTest,
                         ::testing::ValuesIn(UncachedRefusalCases()), CaseName);

}  // namespace
}  // namespace fib_test
