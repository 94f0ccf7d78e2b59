// Statement conditions: lines and their condition objects live and die
// together, the enabled ones are joined into the WHERE clause and the
// statement's own text comes back.
#include <gtest/gtest.h>

#include "classlib/component.h"
#include "fib/conditions.h"
#include "fib/zod_props_owners.h"

namespace fib {
namespace {

// A statement whose "parser" knows one form: "<select> where <condition>".
class FakeStatement : public classlib::TComponent, public IConditionsOwner {
 public:
  FakeStatement() : classlib::TComponent(nullptr) {}
  std::string ConditionsSQLText() const override { return sql; }
  void SetConditionsSQLText(const std::string& text) override {
    sql = text;
    ++changes;
  }
  std::string MainWhereClause(const std::string& text) const override {
    std::size_t at = text.find(" where ");
    return at == std::string::npos ? "" : text.substr(at + 7);
  }
  std::string SetMainWhereClause(const std::string& text, const std::string& condition) const override {
    return text.substr(0, text.find(" where ")) + " where " + condition;
  }

  std::string sql = "select * from t";
  int changes = 0;
};

TEST(ConditionsTest, EveryLineCarriesAConditionThatGoesWithIt) {
  TConditions conditions;
  conditions.Add("A=x > 1");
  conditions.Insert(0, "B=y = 2");
  ASSERT_NE(conditions.Condition(0), nullptr);
  EXPECT_EQ(conditions.Condition(0)->Name(), "B");
  EXPECT_EQ(conditions.Condition(1)->Text(), "x > 1");
  EXPECT_FALSE(conditions.Condition(1)->Enabled());

  // Freeing a condition removes its line; deleting a line frees its condition.
  delete conditions.Condition(0);
  ASSERT_EQ(conditions.Count(), 1);
  EXPECT_EQ(conditions.Strings(0), "A=x > 1");
  conditions.Delete(0);
  EXPECT_EQ(conditions.Count(), 0);

  TCondition* c = conditions.AddCondition("C", "z = 'a=b'", true);
  EXPECT_EQ(c->Text(), "z = 'a=b'");
  EXPECT_EQ(conditions.AddCondition("c", "z = 1", false), c);
  EXPECT_EQ(conditions.Count(), 1);
  EXPECT_EQ(c->Text(), "z = 1");
  EXPECT_FALSE(c->Enabled());
}

TEST(ConditionsTest, TextJoinsEnabledNonBlankConditions) {
  TConditions conditions;
  EXPECT_EQ(conditions.ConditionsText(), "");
  conditions.AddCondition("A", "a = 1", true);
  conditions.AddCondition("OFF", "b = 2", false);
  conditions.AddCondition("BLANK", "  ", true);
  conditions.AddCondition("B", "c = 3", true);
  EXPECT_EQ(conditions.ConditionsText(), "(a = 1)\r\n\r\n and (c = 3)\r\n");
}

TEST(ConditionsTest, ApplyAndCancelRewriteFromTheStatementsOwnText) {
  FakeStatement statement;
  TConditions conditions(&statement);
  conditions.AddCondition("A", "a = 1", true);
  conditions.Apply();
  EXPECT_TRUE(conditions.Applied());
  EXPECT_EQ(statement.sql, "select * from t where (a = 1)\r\n");

  // Applying again starts from the saved text, not from the last result.
  conditions.AddCondition("B", "b = 2", true);
  EXPECT_FALSE(conditions.Applied());
  conditions.Apply();
  EXPECT_EQ(statement.sql, "select * from t where (a = 1)\r\n\r\n and (b = 2)\r\n");

  conditions.Cancel();
  EXPECT_FALSE(conditions.Applied());
  EXPECT_EQ(statement.sql, "select * from t");

  // An existing WHERE clause is kept and the conditions are and-ed to it.
  statement.sql = "select * from t where id > 0";
  conditions.ForgetUnconditionedText();
  conditions.Condition(1)->SetEnabled(false);
  conditions.Apply();
  EXPECT_EQ(statement.sql, "select * from t where id > 0\r\nand (a = 1)\r\n");

  // With nothing enabled the clause stays as it was.
  conditions.Condition(0)->SetEnabled(false);
  int changes = statement.changes;
  conditions.Apply();
  EXPECT_EQ(statement.sql, "select * from t where id > 0");
  EXPECT_EQ(statement.changes, changes + 1);
}

TEST(ConditionsTest, RepositoryTextRoundTrips) {
  TConditions conditions;
  conditions.AddCondition("A", "a = 1", true);
  conditions.AddCondition("B", "", false);
  std::string text = conditions.AsText();
  EXPECT_EQ(text, "A#$#$a = 1#$#$1\r\nB#$#$#$#$0\r\n");

  TConditions read;
  read.AddCondition("OLD", "x", true);
  read.SetAsText(text + "C#$#$c = 3#$#$ 1 \r\n");
  ASSERT_EQ(read.Count(), 3);
  EXPECT_EQ(read.Condition(0)->Text(), "a = 1");
  EXPECT_TRUE(read.Condition(0)->Enabled());
  EXPECT_FALSE(read.Condition(1)->Enabled());
  EXPECT_EQ(read.Condition(2)->Name(), "C");
  EXPECT_TRUE(read.Condition(2)->Enabled());
}

}  // namespace
}  // namespace fib
