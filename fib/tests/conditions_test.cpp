// Statement conditions: lines and their condition objects live and die
// together, the enabled ones are joined into the WHERE clause and the
// statement's own text comes back.
#include <gtest/gtest.h>

#include "classlib/component.h"
#include "classlib/exceptions.h"
#include "fib/statements/conditions.h"
#include "fib/statements/conditions_store.h"
#include "fib/statements/zod_props_owners.h"

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


TEST(ConditionsTest, CopiedLinesGetConditionsOfTheirOwn) {
  TConditions source;
  source.AddCondition("A", "a = 1", true);
  source.AddCondition("B", "b = 2", false);
  TConditions copy;
  copy.Assign(source);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_NE(copy.Condition(0), source.Condition(0));
  EXPECT_TRUE(copy.Condition(0)->Enabled());
  EXPECT_FALSE(copy.Condition(1)->Enabled());
  source.AddStrings(source);  // from itself
  ASSERT_EQ(source.Count(), 4);
  EXPECT_NE(source.Condition(2), source.Condition(0));
  EXPECT_EQ(source.Condition(2)->Index(), 2);
}

// A form inherits conditions A, B and C and changes some of them.
class StoredConditionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (TConditions* list : {&ancestor_, &form_}) {
      list->AddCondition("A", "a = 1", true);
      list->AddCondition("B", "b = 2", false);
      list->AddCondition("C", "c = 3", true);
    }
  }
  TConditions ancestor_, form_;
};

TEST_F(StoredConditionsTest, OnlyDifferencesFromTheAncestorAreWritten) {
  EXPECT_TRUE(WriteConditionsData(form_, &ancestor_).empty());
  form_.FindCondition("B")->SetEnabled(true);   // same text, other flag
  form_.FindCondition("C")->SetText("");        // emptied
  delete form_.FindCondition("A");
  form_.AddCondition("D", "d = 4", false);
  std::vector<StoredValue> expected = {std::string("B"), std::string("0"), true,
                                       std::string("C"), std::string("'"), true,
                                       std::string("D"), std::string("d = 4"), false,
                                       std::string("#@DELETED"), std::string("A")};
  std::vector<StoredValue> data = WriteConditionsData(form_, &ancestor_);
  EXPECT_EQ(data, expected);

  // Read into a copy of the inherited conditions, they give the form again.
  TConditions read;
  read.Assign(ancestor_);
  ReadConditionsData(read, data);
  EXPECT_EQ(read.Text(), form_.Text());
  EXPECT_EQ(read.AsText(), form_.AsText());
}

TEST_F(StoredConditionsTest, WithoutAncestorEveryConditionIsWritten) {
  std::vector<StoredValue> data = WriteConditionsData(form_, nullptr);
  EXPECT_EQ(data.size(), 9u);
  TConditions read;
  ReadConditionsData(read, data);
  EXPECT_EQ(read.AsText(), form_.AsText());
}

TEST_F(StoredConditionsTest, MisshapenDataIsRefused) {
  TConditions read;
  EXPECT_THROW(ReadConditionsData(read, {std::string("A"), std::string("x")}), classlib::EReadError);
  EXPECT_THROW(ReadConditionsData(read, {true}), classlib::EReadError);
  EXPECT_THROW(ReadConditionsData(read, {std::string("A"), true, true}), classlib::EReadError);
}

TEST(ConditionsTest, OlderFormsGiveLinesThenEnabledFlags) {
  TConditions read;
  classlib::TStringList lines;
  lines.SetText("A=a = 1\r\nB=b = 2\r\nC=c = 3\r\n");
  ReadOldConditionsStrings(read, lines);
  ReadOldConditionsEnabled(read, "x1x0x1");
  ASSERT_EQ(read.Count(), 3);
  EXPECT_TRUE(read.Condition(0)->Enabled());
  EXPECT_FALSE(read.Condition(1)->Enabled());
  EXPECT_TRUE(read.Condition(2)->Enabled());
  ReadOldConditionsEnabled(read, "x0");  // a short text leaves the rest
  EXPECT_FALSE(read.Condition(0)->Enabled());
  EXPECT_TRUE(read.Condition(2)->Enabled());
}

}  // namespace
}  // namespace fib
