#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "fib/base/str_util.h"
#include "fib/sql/filter_compiler.h"
#include "fib/sql/filter_constants.h"
#include "fib/sql/filter_expression_parser.h"
#include "filter_table.h"

namespace {

using classlib::Null;
using classlib::Variant;
using fib::TExpressionParser;
using fib_test::FilterTable;
using Rows = std::vector<int>;

// ID, NAME, BIRTH, SALARY, ACTIVE
FilterTable People() {
  FilterTable t{{"ID", classlib::ftInteger},
                {"NAME", classlib::ftString},
                {"BIRTH", classlib::ftDate},
                {"SALARY", classlib::ftCurrency},
                {"ACTIVE", classlib::ftBoolean}};
  t.AddRow({Variant(1), Variant("Anna"), Variant::FromDate(classlib::EncodeDate(1970, 3, 8)),
            Variant(classlib::Currency::FromInt(1500)), Variant(true)});
  t.AddRow({Variant(2), Variant("Boris"), Variant::FromDate(classlib::EncodeDate(1985, 12, 31)),
            Variant(classlib::Currency::FromInt(300000)), Variant(false)});
  t.AddRow({Variant(3), Variant("alla  "), Null(), Null(), Null()});
  t.AddRow({Variant(4), Null(), Variant::FromDate(classlib::EncodeDate(1970, 1, 1) + classlib::EncodeTime(13, 45, 30, 0)),
            Variant(classlib::Currency::FromScaled(5)), Variant(true)});
  return t;
}

bool SqlLike(const std::string& value, const std::string& mask) {
  return fib::MatchesSQLLike(value, mask);
}

Rows Filter(const std::string& text, classlib::TFilterOptions options = {}) {
  FilterTable t = People();
  TExpressionParser parser(t, SqlLike, fib::StrToDateTimeFmt, options, text);
  return t.Matching(parser);
}

std::string EvaluationError(const std::string& text, fib::TFilterLikeFunc like = SqlLike) {
  FilterTable t = People();
  TExpressionParser parser(t, std::move(like), nullptr, {}, text);
  try {
    t.Matching(parser);
  } catch (const classlib::EDatabaseError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(Filter, ComparesFieldsWithConstantsOfTheirOwnType) {
  EXPECT_EQ(Filter("ID IN (1, 2, 3)"), (Rows{0, 1, 2}));
  EXPECT_EQ(Filter("ID = 2"), (Rows{1}));
  EXPECT_EQ(Filter("ID = '2'"), (Rows{1}));
  EXPECT_EQ(Filter("ID = 2.5"), (Rows{}));
  EXPECT_EQ(Filter("ID >= 2 AND ID < 4"), (Rows{1, 2}));
  EXPECT_EQ(Filter("NAME = 'Anna' OR NAME = 'Boris'"), (Rows{0, 1}));
  EXPECT_EQ(Filter("ACTIVE"), (Rows{0, 3}));
  EXPECT_EQ(Filter("ACTIVE = 'false'"), (Rows{1}));
  EXPECT_EQ(Filter("NOT ACTIVE"), (Rows{1}));  // unknown is not true, nor is its negation
  const std::string date = classlib::DateToStr(classlib::EncodeDate(1980, 1, 1));
  // The platform's order puts null first, so the unknown birth date counts as earlier.
  EXPECT_EQ(Filter("BIRTH < '" + date + "'"), (Rows{0, 2, 3}));
  EXPECT_EQ(Filter("SALARY > 2000"), (Rows{1}));
  EXPECT_EQ(Filter("SALARY = 300000"), (Rows{1}));
}

TEST(Filter, InListsHaveNoFixedLength) {
  std::string text = "ID IN (";
  for (int i = 100; i < 400; ++i) text += std::to_string(i) + ", ";
  EXPECT_EQ(Filter(text + "4)"), (Rows{3}));
  EXPECT_EQ(Filter("ID NOT IN (1, 4)"), (Rows{1, 2}));
  EXPECT_EQ(Filter("ID IN (ID)"), (Rows{0, 1, 2, 3}));
  EXPECT_EQ(Filter("NAME IN ('Boris', UPPER('anna'), 'Anna')"), (Rows{0, 1}));
}

TEST(Filter, NullsAndBlanks) {
  EXPECT_EQ(Filter("NAME IS NULL"), (Rows{3}));
  EXPECT_EQ(Filter("NAME = NULL"), (Rows{3}));
  EXPECT_EQ(Filter("BIRTH IS NOT NULL"), (Rows{0, 1, 3}));
  EXPECT_EQ(Filter("SALARY <> NULL AND SALARY < 2000"), (Rows{0, 3}));
  // The platform's order puts null first: a null salary is less than anything.
  EXPECT_EQ(Filter("SALARY < 2000"), (Rows{0, 2, 3}));
  EXPECT_EQ(Filter("YEAR(BIRTH) = 1970"), (Rows{0, 3}));
}

TEST(Filter, LikeGoesThroughTheLikeRoutine) {
  EXPECT_EQ(Filter("NAME LIKE 'A%'"), (Rows{0}));
  EXPECT_EQ(Filter("NAME LIKE '%_a'"), (Rows{0}));
  EXPECT_EQ(Filter("NAME LIKE '%l%a%'"), (Rows{2}));
  EXPECT_EQ(Filter("NAME NOT LIKE '_o%'"), (Rows{0, 2, 3}));
  EXPECT_EQ(Filter("NAME LIKE 'a%'", {classlib::foCaseInsensitive}), (Rows{0, 2}));
  // A mask is no date, even against a date field.
  EXPECT_EQ(Filter("BIRTH LIKE '%1985%'"), (Rows{1}));
  EXPECT_EQ(EvaluationError("NAME LIKE 'A%'", nullptr), "Incorrectly formed filter expression");
  EXPECT_EQ(EvaluationError("NAME LIKE 'A%'", nullptr), EvaluationError("ID = 1 AND NAME LIKE 'A%'", nullptr));
}

TEST(Filter, TextComparesHonourCaseAndPartialOptions) {
  EXPECT_EQ(Filter("NAME = 'ANNA'"), (Rows{}));
  EXPECT_EQ(Filter("NAME = 'ANNA'", {classlib::foCaseInsensitive}), (Rows{0}));
  EXPECT_EQ(Filter("NAME = 'Bo*'"), (Rows{1}));
  EXPECT_EQ(Filter("NAME <> 'A*'"), (Rows{1, 2, 3}));  // null differs from every text
  EXPECT_EQ(Filter("NAME = 'a*'", {classlib::foCaseInsensitive}), (Rows{0, 2}));
  EXPECT_EQ(Filter("NAME = 'Bo*'", {classlib::foNoPartialCompare}), (Rows{}));
  // Cyrillic letters fold too.
  FilterTable t{{"N", classlib::ftString}};
  t.AddRow({Variant(std::string("\xC8\xE2\xE0\xED"))});  // Иван
  TExpressionParser p(t, nullptr, nullptr, {classlib::foCaseInsensitive}, "N = '\xC8\xC2\xC0\xCD'");
  EXPECT_EQ(t.Matching(p), (Rows{0}));
}

TEST(Filter, ArithmeticAndPrecedence) {
  EXPECT_EQ(Filter("ID * 2 + 1 = 5"), (Rows{1}));
  EXPECT_EQ(Filter("(ID + 1) * 2 = 6"), (Rows{1}));
  EXPECT_EQ(Filter("-ID = -3"), (Rows{2}));
  EXPECT_EQ(Filter("ID - -1 = 2"), (Rows{0}));
  EXPECT_EQ(Filter("ID MOD 2 = 0"), (Rows{1, 3}));
  EXPECT_EQ(Filter("ID REM 3 = 1"), (Rows{0, 3}));
  EXPECT_EQ(Filter("ID / 4 = 0.5"), (Rows{1}));
  EXPECT_EQ(Filter("ID = 1 OR ID = 2 AND NAME = 'x'"), (Rows{0}));
  EXPECT_THROW(Filter("ID MOD 0 = 1"), classlib::EVariantError);
}

TEST(Filter, AndOrSkipTheRightSideWhenTheLeftDecides) {
  FilterTable t = People();
  TExpressionParser p(t, nullptr, nullptr, {}, "ID < 5 OR MISSING = 1");
  EXPECT_EQ(t.Matching(p), (Rows{0, 1, 2, 3}));
  TExpressionParser q(t, nullptr, nullptr, {}, "ID > 5 AND MISSING = 1");
  EXPECT_EQ(t.Matching(q), (Rows{}));
  TExpressionParser r(t, nullptr, nullptr, {}, "ID = 2 AND MISSING = 1");
  t.SetCurrent(0);
  EXPECT_FALSE(r.RecordMatches());
  t.SetCurrent(1);
  EXPECT_THROW(r.RecordMatches(), classlib::EDatabaseError);  // the data set's own error
}

TEST(Filter, FieldsAreLookedUpOnceUntilTheCacheIsCleared) {
  FilterTable t = People();
  TExpressionParser p(t, nullptr, nullptr, {}, "id > 1 AND ID < 4 AND [Name] <> 'x'");
  t.Matching(p);
  t.Matching(p);
  EXPECT_EQ(t.Lookups(), 2);  // ID and NAME, whatever their case
  EXPECT_EQ(p.FieldByNameCached("NAME"), t.FindField("name"));
  p.ClearFieldCache();
  t.Matching(p);
  EXPECT_EQ(t.Lookups(), 4);
  EXPECT_EQ(p.FilterText(), "id > 1 AND ID < 4 AND [Name] <> 'x'");
}

TEST(Filter, DateAndTimeFunctions) {
  EXPECT_EQ(Filter("MONTH(BIRTH) = 12 AND DAY(BIRTH) = 31"), (Rows{1}));
  EXPECT_EQ(Filter("HOUR(BIRTH) = 13 AND MINUTE(BIRTH) = 45 AND SECOND(BIRTH) = 30"), (Rows{3}));
  const int day = static_cast<int>(classlib::EncodeDate(1970, 1, 1));
  EXPECT_EQ(Filter("DATE(BIRTH) = " + std::to_string(day)), (Rows{3}));
  EXPECT_EQ(Filter("BIRTH = DATE('08/03/1970', 'dd/mm/yyyy')"), (Rows{0}));
  EXPECT_EQ(Filter("BIRTH IS NOT NULL AND GETDATE() > BIRTH"), (Rows{0, 1, 3}));
  EXPECT_EQ(Filter("YEAR(GETDATE()) >= 2024"), (Rows{0, 1, 2, 3}));
  EXPECT_EQ(EvaluationError("GETDATE(1) > BIRTH"), "Expression expected but GETDATE found");
  EXPECT_EQ(EvaluationError("DAY(BIRTH, 1) = 1"), "Expression expected but DAY found");
  EXPECT_EQ(EvaluationError("BIRTH = DATE('1.1.1970', 'd.m.yyyy')"),
            "Incorrectly formed filter expression");  // no date routine given
}

// DATE(value) is a 32-bit day number: values beyond that range raise the
// variant's conversion error, and values inside it lose their fraction.
TEST(Filter, DateOfNumberOutsideTheDayRange) {
  for (const char* text : {"DATE(1E10) > 0", "DATE(-1E10) < 0", "DATE(2147483648) > 0"}) {
    FilterTable t = People();
    TExpressionParser parser(t, SqlLike, fib::StrToDateTimeFmt, {}, text);
    EXPECT_THROW(t.Matching(parser), classlib::EVariantError) << text;
  }
  EXPECT_EQ(Filter("DATE(2147483647.9) = 2147483647 AND DATE(-2.5) = -2 AND ID = 1"), (Rows{0}));
}

TEST(Filter, TextFunctions) {
  EXPECT_EQ(Filter("SUBSTRING(NAME, 2, 3) = 'ori'"), (Rows{1}));
  EXPECT_EQ(Filter("SUBSTRING(NAME, '2,3') = 'ori'"), (Rows{1}));
  EXPECT_EQ(Filter("SUBSTRING(NAME, 3) = 'na'"), (Rows{0}));
  EXPECT_EQ(Filter("SUBSTRING(NAME, 0, 2) = 'An'"), (Rows{0}));
  EXPECT_EQ(Filter("UPPER(NAME) = 'ALLA  '"), (Rows{2}));
  EXPECT_EQ(Filter("LOWER(NAME) = 'boris'"), (Rows{1}));
  EXPECT_EQ(Filter("TRIM(NAME) = 'alla'"), (Rows{2}));
  EXPECT_EQ(Filter("TRIMRIGHT(NAME) + '|' = 'alla|'"), (Rows{2}));
  EXPECT_EQ(Filter("TRIMLEFT('  ' + NAME) = 'Anna'"), (Rows{0}));
  EXPECT_EQ(EvaluationError("SUBSTRING(NAME, 'x') = ''"), "Expression expected but SUBSTRING found");
  EXPECT_EQ(EvaluationError("SUBSTRING(NAME) = ''"), "Expression expected but SUBSTRING found");
  EXPECT_THROW(Filter("SUBSTRING(NAME, 'a,b') = ''"), classlib::EConvertError);
}

// Trees written by hand, as any compiler may produce them.
class TreeBuilder {
 public:
  uint16_t Field(const std::string& name) {
    const uint16_t n = w_.AddNode(fib::FilterNodeClass::Field, fib::FilterOp::FieldRef, 1);
    w_.SetOperand(n, 0, w_.AddLiteralText(name));
    return n;
  }
  uint16_t Constant(classlib::TFieldType type, const Variant& value) {
    const std::string bytes = fib::EncodeFilterConstant(type, value);
    const uint16_t n = w_.AddNode(fib::FilterNodeClass::Constant, fib::FilterOp::Constant, 3);
    w_.SetOperand(n, 0, type);
    w_.SetOperand(n, 1, static_cast<uint16_t>(bytes.size()));
    w_.SetOperand(n, 2, w_.AddLiteralBytes(bytes.data(), bytes.size()));
    return n;
  }
  fib::TFilterTreeWriter& Writer() { return w_; }
  fib::TFilterTree Finish() { return w_.Finish(); }

 private:
  fib::TFilterTreeWriter w_;
};

Variant EvaluateTree(fib::TFilterTree tree, int row = 0) {
  FilterTable t = People();
  t.SetCurrent(row);
  TExpressionParser p(t, SqlLike, nullptr, std::move(tree));
  return p.EvaluateFilterNode(p.Tree().Root());
}

TEST(FilterTree, EvaluatesCallsAndAssignmentsNoCompilerWrites) {
  TreeBuilder b;
  auto& w = b.Writer();
  const uint16_t call = w.AddNode(fib::FilterNodeClass::Function, fib::FilterOp::Call, 2);
  w.SetOperand(call, 0, w.AddLiteralText("upper"));
  w.SetOperand(call, 1, b.Field("NAME"));
  EXPECT_EQ(EvaluateTree(b.Finish(), 1).AsString(), "BORIS");

  TreeBuilder a;
  const uint16_t assign = a.Writer().AddNode(fib::FilterNodeClass::Binary, fib::FilterOp::Assign, 2);
  a.Writer().SetOperand(assign, 0, a.Field("ID"));
  a.Writer().SetOperand(assign, 1, a.Constant(classlib::ftInteger, Variant(9)));
  EXPECT_EQ(EvaluateTree(a.Finish()).AsInteger(), 9);
}

TEST(FilterTree, ConstantsOfEveryStoredType) {
  using classlib::TFieldType;
  const double when = classlib::EncodeDate(2001, 2, 3) + classlib::EncodeTime(4, 5, 6, 7);
  const struct {
    TFieldType type;
    Variant in;
    double expected;
  } cases[] = {
      {classlib::ftSmallint, Variant(-12), -12},
      {classlib::ftWord, Variant(65535), 65535},
      {classlib::ftInteger, Variant(-100000), -100000},
      {classlib::ftAutoInc, Variant(7), 7},
      {classlib::ftFloat, Variant(2.25), 2.25},
      {classlib::ftCurrency, Variant(3.5), 3.5},
      {classlib::ftBCD, Variant(classlib::Currency::FromScaled(12345)), 1.2345},
      {classlib::ftDate, Variant::FromDate(when), std::floor(when)},
      {classlib::ftTime, Variant::FromDate(when), classlib::EncodeTime(4, 5, 6, 7)},
      {classlib::ftDateTime, Variant::FromDate(when), when},
  };
  for (const auto& c : cases) {
    TreeBuilder b;
    b.Constant(c.type, c.in);
    EXPECT_NEAR(EvaluateTree(b.Finish()).AsDouble(), c.expected, 1e-9) << c.type;
  }
  TreeBuilder flag;
  flag.Constant(classlib::ftBoolean, Variant(true));
  EXPECT_TRUE(EvaluateTree(flag.Finish()).AsBoolean());
  TreeBuilder text;
  text.Constant(classlib::ftFixedChar, Variant(std::string("a\0b", 3)));
  EXPECT_EQ(EvaluateTree(text.Finish()).AsString(), std::string("a\0b", 3));
  EXPECT_THROW(fib::EncodeFilterConstant(classlib::ftWord, Variant(70000)), classlib::ERangeError);
}

std::string TreeError(fib::TFilterTree tree) {
  try {
    EvaluateTree(std::move(tree));
  } catch (const classlib::EDatabaseError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(FilterTree, MalformedTreesAreRefusedNotFollowed) {
  const std::string malformed = "Incorrectly formed filter expression";
  {  // an operand that points back at its own node would loop forever
    TreeBuilder b;
    const uint16_t n = b.Writer().AddNode(fib::FilterNodeClass::Unary, fib::FilterOp::Not, 1);
    b.Writer().SetOperand(n, 0, n);
    EXPECT_EQ(TreeError(b.Finish()), malformed);
  }
  {  // an operator its node class does not have
    TreeBuilder b;
    const uint16_t n = b.Writer().AddNode(fib::FilterNodeClass::Unary, fib::FilterOp::Add, 1);
    b.Writer().SetOperand(n, 0, b.Field("ID"));
    EXPECT_EQ(TreeError(b.Finish()), malformed);
  }
  {  // a field node whose operator is not a field reference
    TreeBuilder b;
    const uint16_t n = b.Writer().AddNode(fib::FilterNodeClass::Field, fib::FilterOp::Constant, 1);
    b.Writer().SetOperand(n, 0, b.Writer().AddLiteralText("ID"));
    EXPECT_EQ(TreeError(b.Finish()), malformed);
  }
  {  // a constant of a type the format has no layout for
    TreeBuilder b;
    const uint16_t n = b.Writer().AddNode(fib::FilterNodeClass::Constant, fib::FilterOp::Constant, 3);
    b.Writer().SetOperand(n, 0, classlib::ftBlob);
    b.Writer().SetOperand(n, 1, 0);
    b.Writer().SetOperand(n, 2, b.Writer().AddLiteralBytes("", 0));
    EXPECT_EQ(TreeError(b.Finish()), malformed);
  }
  {  // a constant whose size runs past the block
    TreeBuilder b;
    const uint16_t n = b.Writer().AddNode(fib::FilterNodeClass::Constant, fib::FilterOp::Constant, 3);
    b.Writer().SetOperand(n, 0, classlib::ftString);
    b.Writer().SetOperand(n, 1, 500);
    b.Writer().SetOperand(n, 2, b.Writer().AddLiteralBytes("ab", 2));
    EXPECT_EQ(TreeError(b.Finish()), malformed);
  }
  {  // an unknown node class
    TreeBuilder b;
    b.Writer().AddNode(static_cast<fib::FilterNodeClass>(7), fib::FilterOp::Constant, 0);
    EXPECT_EQ(TreeError(b.Finish()), malformed);
  }
  std::vector<uint8_t> truncated = fib::CompileFilter("ID = 1", {}, nullptr).Bytes();
  truncated.pop_back();
  EXPECT_THROW(fib::TFilterTree{truncated}, classlib::EDatabaseError);
}

}  // namespace
