// The first post of a freshly opened extended data set, one column kind at
// a time: BOOLEAN and arrays of integer, varchar, numeric and double reach
// the server in their described types from the first statement on, in both
// cache models, with and without AutoCommit, cached updates and
// modified-only statements.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "classlib/variant.h"
#include "zod_dataset_meeting_fixture.h"

namespace fib_test {
namespace {

using classlib::Variant;

struct FirstKind {
  const char* column;
  std::function<void(classlib::TField&)> set;
  std::string server_text;  // a select expression printing the column
  std::string expected;
};

std::vector<FirstKind> FirstKinds() {
  auto pair = [](const char* column, const char* type) {
    return std::string("cast(") + column + "[1] as " + type + ") || ',' || cast(" + column +
           "[2] as " + type + ")";
  };
  return {
      {"B", [](classlib::TField& f) { f.SetAsBoolean(true); }, "cast(B as varchar(5))", "TRUE"},
      {"AI",
       [](classlib::TField& f) {
         f.SetAsVariant(classlib::VarArrayOf({Variant(7), Variant(8), Variant(9)}));
       },
       "cast(AI[1] as varchar(5)) || ',' || cast(AI[2] as varchar(5)) || ',' || "
       "cast(AI[3] as varchar(5))",
       "7,8,9"},
      {"AV",
       [](classlib::TField& f) {
         f.SetAsVariant(classlib::VarArrayOf({Variant("ab"), Variant("cde")}));
       },
       pair("AV", "varchar(10)"), "ab,cde"},
      {"AN",
       [](classlib::TField& f) {
         f.SetAsVariant(classlib::VarArrayOf({Variant(1.25), Variant(-3.5)}));
       },
       pair("AN", "varchar(20)"), "1.25,-3.50"},
      {"AD",
       [](classlib::TField& f) {
         f.SetAsVariant(classlib::VarArrayOf({Variant(0.5), Variant(1024.0)}));
       },
       "cast(AD[1] * 10 as integer) || ',' || cast(AD[2] as integer)", "5,1024"},
  };
}

class FirstPostTest : public MeetingTest, public ::testing::WithParamInterface<DataSetSetup> {};

TEST_P(FirstPostTest, EachKindGoesOutInItsDescribedTypeOnTheFirstPost) {
  const DataSetSetup setup = GetParam();
  InsertRows(3);
  for (const FirstKind& kind : FirstKinds()) {
    SCOPED_TRACE(kind.column);
    fib::TpZODDataSet& ds = Open(setup);
    Go(2);
    ds.Edit();
    kind.set(*ds.FieldByName(kind.column));
    ASSERT_NO_THROW(ds.Post());
    if (setup.cached) {
      ASSERT_NO_THROW(ds.ApplyUpdates());
    }
    // A hard commit: the next data set's transaction sees the reset below.
    if (UpdateTr().Active()) UpdateTr().Commit();
    EXPECT_EQ(Server(kind.server_text, 2), kind.expected);
    EXPECT_EQ(Server("L", 2), "row2");  // the rest of the row is untouched
    ds.Close();
    // The next kind starts from the row's first state.
    ExecuteSql(file_.Library(), file_.Handle(),
               "update ITEMS set B = null, AI = null, AV = null, AN = null, AD = null");
  }
}

std::vector<DataSetSetup> FirstPostSetups() {
  std::vector<DataSetSetup> setups;
  for (int model = 0; model < 3; ++model)
    for (bool auto_commit : {false, true})
      for (bool only_modified : {false, true}) {
        DataSetSetup setup;
        setup.limited = model == 1;
        setup.cached = model == 2;
        setup.auto_commit = auto_commit;
        setup.only_modified = only_modified;
        setups.push_back(setup);
      }
  return setups;
}

INSTANTIATE_TEST_SUITE_P(Setups, FirstPostTest, ::testing::ValuesIn(FirstPostSetups()),
                         [](const ::testing::TestParamInfo<DataSetSetup>& info) {
                           return info.param.name();
                         });

}  // namespace
}  // namespace fib_test
