// The extended data set's helper texts: count statements (run on the
// embedded engine), numbered provider parameters, defaults and masks.
#include <gtest/gtest.h>

#include "classlib/datetime.h"
#include "fib/dataset/fib_dataset_defaults.h"
#include "fib/zod/zod_dataset_sql.h"
#include "fib_query_fixture.h"

namespace fib {
namespace {

using fib_test::QueryTest;

class CountTextTest : public QueryTest {
 protected:
  CountTextTest() {
    Run("create table NOTES (ID integer, TXT varchar(10))");
    Run("insert into NOTES values (1, '?')");
    Run("insert into NOTES values (2, 'a')");
    Run("insert into NOTES values (3, 'b')");
  }

  int Count(const std::string& sql, int param = 0) {
    auto query = NewQuery("Count", sql);
    if (query->ParamCount() > 0) query->Param(0).SetAsInteger(param);
    query->ExecQuery();
    int count = query->Fields(0).AsInteger();
    query->Close();
    tr_->Commit();
    return count;
  }
};

TEST_F(CountTextTest, ATrailingLineCommentKeepsTheClosingParenthesis) {
  std::string select = "select * from NOTES where TXT <> '?' -- the real ones";
  std::string derived = CountStatementText(select, true);
  EXPECT_EQ(Count(derived), 2);
  EXPECT_EQ(Count(CountStatementText(select, false)), 2);
}

TEST_F(CountTextTest, ParametersSurviveBothForms) {
  std::string select = "select ID from NOTES where ID > :LOW order by ID";
  EXPECT_EQ(Count(CountStatementText(select, true), 1), 2);
  std::string rewritten = CountStatementText(select, false);
  EXPECT_EQ(rewritten.find("from ("), std::string::npos) << rewritten;
  EXPECT_EQ(Count(rewritten, 2), 1);
}

TEST(NumberQuestionMarksTest, MarksInLiteralsNamesAndCommentsStay) {
  EXPECT_EQ(NumberQuestionMarks("select * from T where A = ? and B = '?' and C = ?"),
            "select * from T where A = :Param1 and B = '?' and C = :Param2");
  EXPECT_EQ(NumberQuestionMarks("select \"?\" from T /* ? */ where X = ? -- ?\r\nand Y = ?"),
            "select \"?\" from T /* ? */ where X = :Param1 -- ?\r\nand Y = :Param2");
  EXPECT_EQ(NumberQuestionMarks("insert into T values ('it''s ?', ?)"),
            "insert into T values ('it''s ?', :Param1)");
}

TEST(LockTextTest, KeyWhereAndLockStatement) {
  EXPECT_EQ(KeyWhereText({"ID", "\"Sub\""}), "ID=?ID and \"Sub\"=?\"Sub\"");
  EXPECT_EQ(LockStatementText("PEOPLE P", "NAME", "NAME", "P.ID=?OLD_ID"),
            "UPDATE PEOPLE P SET NAME= ?NAME WHERE P.ID=?OLD_ID");
}

TEST(DefaultValuesTest, ColumnDefaultsBecomeFieldExpressions) {
  EXPECT_EQ(FieldDefaultExpression("abc", DefaultFieldKind::String), "'abc'");
  EXPECT_EQ(FieldDefaultExpression("", DefaultFieldKind::String), "");
  EXPECT_EQ(FieldDefaultExpression("42", DefaultFieldKind::Other), "42");
  EXPECT_EQ(FieldDefaultExpression(" current_date ", DefaultFieldKind::Date), "current_date");
  EXPECT_EQ(FieldDefaultExpression("2005-01-31", DefaultFieldKind::Date),
            classlib::DateToStr(classlib::EncodeDate(2005, 1, 31)));
  // An expression the client cannot read as a date stays as written.
  EXPECT_EQ(FieldDefaultExpression("A + B", DefaultFieldKind::Date), "A + B");
}

TEST(DefaultValuesTest, StringDefaultsKeepTheirCase) {
  NewRecordDefault text = DecodeDefaultExpression("'Hello World'", DefaultFieldKind::String);
  EXPECT_EQ(text.kind, NewRecordDefault::kText);
  EXPECT_EQ(text.text, "Hello World");
  EXPECT_EQ(DecodeDefaultExpression(" 'it''s' ", DefaultFieldKind::String).text, "it''s");
  EXPECT_EQ(DecodeDefaultExpression("Draft", DefaultFieldKind::Other).text, "Draft");
  EXPECT_EQ(DecodeDefaultExpression("'x'", DefaultFieldKind::Date).text, "x");
}

TEST(DefaultValuesTest, KeywordsMatchInAnyCase) {
  using K = NewRecordDefault;
  EXPECT_EQ(DecodeDefaultExpression("tomorrow", DefaultFieldKind::Date).kind, K::kTomorrow);
  EXPECT_EQ(DecodeDefaultExpression("'Yesterday'", DefaultFieldKind::Date).kind, K::kYesterday);
  EXPECT_EQ(DecodeDefaultExpression("current_date", DefaultFieldKind::DateTime).kind, K::kToday);
  EXPECT_EQ(DecodeDefaultExpression("Now", DefaultFieldKind::Time).kind, K::kNow);
  EXPECT_EQ(DecodeDefaultExpression("'user'", DefaultFieldKind::String).kind, K::kUser);
  EXPECT_EQ(DecodeDefaultExpression("current_role", DefaultFieldKind::Other).kind, K::kRole);
  EXPECT_EQ(DecodeDefaultExpression("null", DefaultFieldKind::Other).kind, K::kNone);
  EXPECT_EQ(DecodeDefaultExpression("  ", DefaultFieldKind::String).kind, K::kNone);
  // Date keywords mean nothing special to other fields.
  EXPECT_EQ(DecodeDefaultExpression("today", DefaultFieldKind::Other).kind, K::kText);
}

TEST(MaskWithDecimalsTest, ThreeMaskShapes) {
  EXPECT_EQ(MaskWithDecimals("#,##0.", 2), "#,##0.00");
  EXPECT_EQ(MaskWithDecimals("#,##0.#", 3), "#,##0.###");
  EXPECT_EQ(MaskWithDecimals("#,##0", 2), "#,##0");
  EXPECT_EQ(MaskWithDecimals("0.00.0", 2), "0.00.0");
  EXPECT_EQ(MaskWithDecimals("", 2), "");
}

}  // namespace
}  // namespace fib
