#include <gtest/gtest.h>

#include <string>

#include "classlib/exceptions.h"
#include "fib/base/str_util.h"
#include "fib/sql/filter_compiler.h"
#include "fib/sql/filter_expression_parser.h"
#include "filter_table.h"

namespace {

using classlib::Variant;
using fib::FilterNodeClass;
using fib::FilterOp;
using fib::TFilterNode;
using fib::TFilterTree;

fib::TFilterTree Compile(const std::string& text, classlib::TFilterOptions options = {}) {
  return fib::CompileFilter(text, options, nullptr);
}

void ExpectNode(const TFilterNode& node, FilterNodeClass node_class, FilterOp op,
                const std::string& text) {
  EXPECT_EQ(node.node_class, node_class) << text;
  EXPECT_EQ(node.op, static_cast<uint32_t>(op)) << text;
}

TEST(FilterCompiler, WritesTheHeaderAndPutsTheRootFirst) {
  const TFilterTree tree = Compile("A = 'xy'");
  const auto& b = tree.Bytes();
  ASSERT_GE(b.size(), 10u);
  EXPECT_EQ(b[2] | (b[3] << 8), static_cast<int>(b.size()));  // total size
  EXPECT_EQ(tree.NodeCount(), 3);
  EXPECT_EQ(b[6] | (b[7] << 8), 10);                           // nodes right after the header
  const int literals = b[8] | (b[9] << 8);
  EXPECT_EQ(literals, 10 + 3 * 8 + 4 + 2 + 6);  // binary, field and constant cells
  EXPECT_EQ(b[literals], 'A');
  EXPECT_EQ(b[literals + 1], 0);
  ExpectNode(tree.Root(), FilterNodeClass::Binary, FilterOp::Equal, "root");
  const TFilterNode field = tree.Child(tree.Root(), 0);
  ExpectNode(field, FilterNodeClass::Field, FilterOp::FieldRef, "left");
  EXPECT_EQ(tree.LiteralText(tree.Operand(field, 0)), "A");
  const TFilterNode constant = tree.Child(tree.Root(), 1);
  ExpectNode(constant, FilterNodeClass::Constant, FilterOp::Constant, "right");
  EXPECT_EQ(tree.Operand(constant, 0), classlib::ftString);
  EXPECT_EQ(tree.Operand(constant, 1), 2);
}

// Every operator of the language, as the root node it compiles to.
TEST(FilterCompiler, CompilesEveryOperatorToItsNode) {
  struct Case {
    const char* text;
    FilterNodeClass node_class;
    FilterOp op;
  };
  const Case cases[] = {
      {"A IS NULL", FilterNodeClass::Unary, FilterOp::IsBlank},
      {"A = NULL", FilterNodeClass::Unary, FilterOp::IsBlank},
      {"A IS NOT NULL", FilterNodeClass::Unary, FilterOp::NotBlank},
      {"NULL <> A", FilterNodeClass::Unary, FilterOp::NotBlank},
      {"NOT A", FilterNodeClass::Unary, FilterOp::Not},
      {"-A", FilterNodeClass::Unary, FilterOp::Negate},
      {"upper(A)", FilterNodeClass::Unary, FilterOp::Upper},
      {"Lower(A)", FilterNodeClass::Unary, FilterOp::Lower},
      {"A = 1", FilterNodeClass::Binary, FilterOp::Equal},
      {"A <> 1", FilterNodeClass::Binary, FilterOp::NotEqual},
      {"A != 1", FilterNodeClass::Binary, FilterOp::NotEqual},
      {"A > 1", FilterNodeClass::Binary, FilterOp::Greater},
      {"A < 1", FilterNodeClass::Binary, FilterOp::Less},
      {"A >= 1", FilterNodeClass::Binary, FilterOp::GreaterOrEqual},
      {"A <= 1", FilterNodeClass::Binary, FilterOp::LessOrEqual},
      {"A and B", FilterNodeClass::Binary, FilterOp::And},
      {"A OR B AND C", FilterNodeClass::Binary, FilterOp::Or},
      {"A + 1", FilterNodeClass::Binary, FilterOp::Add},
      {"A - 1", FilterNodeClass::Binary, FilterOp::Subtract},
      {"A * 1", FilterNodeClass::Binary, FilterOp::Multiply},
      {"A / 1", FilterNodeClass::Binary, FilterOp::Divide},
      {"A mod 2", FilterNodeClass::Binary, FilterOp::Modulo},
      {"A REM 2", FilterNodeClass::Binary, FilterOp::Remainder},
      {"A LIKE 'x%'", FilterNodeClass::Binary, FilterOp::Like},
      {"A IN (1, 2)", FilterNodeClass::Binary, FilterOp::In},
      {"A NOT LIKE 'x'", FilterNodeClass::Unary, FilterOp::Not},
      {"A NOT IN (1)", FilterNodeClass::Unary, FilterOp::Not},
      {"A = 'Jo*'", FilterNodeClass::Compare, FilterOp::Equal},
      {"[Full name]", FilterNodeClass::Field, FilterOp::FieldRef},
      {"\"X\"\"Y\"", FilterNodeClass::Field, FilterOp::FieldRef},
      {"12.5", FilterNodeClass::Constant, FilterOp::Constant},
      {"TRUE", FilterNodeClass::Constant, FilterOp::Constant},
      {"(A)", FilterNodeClass::Field, FilterOp::FieldRef},
  };
  for (const auto& c : cases) {
    const TFilterTree tree = Compile(c.text);
    ExpectNode(tree.Root(), c.node_class, c.op, c.text);
  }
  const TFilterTree in = Compile("A IN (1, 2, 3)");
  TFilterNode element = in.Child(in.Root(), 1);
  int elements = 0;
  for (;;) {
    ExpectNode(element, FilterNodeClass::ListElement, FilterOp::ListElement, "IN list");
    ++elements;
    if (!in.HasChild(element, 1)) break;
    element = in.Child(element, 1);
  }
  EXPECT_EQ(elements, 3);
}

TEST(FilterCompiler, CompilesEveryFunctionToACall) {
  for (const char* text : {"DAY(A)", "DATE(A)", "date(A, 'dd.mm.yyyy')", "GETDATE()", "HOUR(A)",
                           "MONTH(A)", "MINUTE(A)", "YEAR(A)", "SUBSTRING(A, 1, 2)",
                           "SECOND(A)", "TRIM(A)", "TrimLeft(A)", "TRIMRIGHT(A)", "UPPER(A, B)"}) {
    const TFilterTree tree = Compile(text);
    ExpectNode(tree.Root(), FilterNodeClass::Function, FilterOp::Call, text);
    std::string name = text;
    name = classlib::AnsiUpperCase(name.substr(0, name.find('(')));
    EXPECT_EQ(tree.LiteralText(tree.Operand(tree.Root(), 0)), name);
  }
  const TFilterTree none = Compile("GETDATE()");
  EXPECT_FALSE(none.HasChild(none.Root(), 1));
  const TFilterTree list = Compile("SUBSTRING(A, 1, 2)");
  EXPECT_EQ(list.Child(list.Root(), 1).node_class, FilterNodeClass::ListElement);
}

TEST(FilterCompiler, CaseInsensitiveOptionMakesTextComparesIntoCompareNodes) {
  const TFilterTree ci = Compile("A = 'x'", {classlib::foCaseInsensitive});
  ExpectNode(ci.Root(), FilterNodeClass::Compare, FilterOp::Equal, "ci");
  EXPECT_EQ(ci.Operand(ci.Root(), 0), 1);
  EXPECT_EQ(ci.Operand(ci.Root(), 1), 0);
  const TFilterTree like = Compile("A LIKE 'x*'", {classlib::foCaseInsensitive});
  ExpectNode(like.Root(), FilterNodeClass::Compare, FilterOp::Like, "like");
  EXPECT_EQ(like.Operand(like.Root(), 1), 0);  // LIKE is never partial
  const TFilterTree partial = Compile("A <> 'Jon*'");
  EXPECT_EQ(partial.Operand(partial.Root(), 1), 3);
  const TFilterTree numbers = Compile("A = 1", {classlib::foCaseInsensitive});
  ExpectNode(numbers.Root(), FilterNodeClass::Binary, FilterOp::Equal, "numbers");
  const TFilterTree literal = Compile("A = 'Jo*'", {classlib::foNoPartialCompare});
  ExpectNode(literal.Root(), FilterNodeClass::Binary, FilterOp::Equal, "no partial");
}

std::string CreationError(const std::string& text) {
  fib_test::FilterTable table{{"A", classlib::ftInteger}, {"D", classlib::ftDate}};
  try {
    fib::TExpressionParser parser(table, nullptr, nullptr, {}, text);
  } catch (const classlib::EDatabaseError& e) {
    return e.Message();
  }
  return "compiled";
}

TEST(FilterCompiler, RejectsMalformedTextWithTheCreationMessage) {
  const std::string prefix = "Can't parse Filter for: \r\n";
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "Empty filter expression at position 1"},
      {"   ", "Empty filter expression"},
      {"A =", "Expression expected but end of text found at position 4"},
      {"(A = 1", "')' expected but end of text found"},
      {"A = 1)", "Unexpected ')' at position 6"},
      {"A = 'abc", "Unterminated text at position 5"},
      {"[A = 1", "Unterminated field name"},
      {"[] = 1", "Empty field name"},
      {"A # 1", "Unexpected character '#' at position 3"},
      {"A = 1.2.3", "Unexpected '.3'"},
      {"A = 1e", "Malformed number"},
      {"A = 12abc", "Malformed number"},
      {"FOO(A) = 1", "Unknown function FOO at position 1"},
      {"A IN ()", "Empty IN list"},
      {"A IN 1", "'(' expected but '1' found"},
      {"A NOT 5", "LIKE or IN expected"},
      {"A IS 5", "NULL expected but '5' found"},
      {"AND = 1", "Expression expected but 'AND' found at position 1"},
      {"A = = 1", "Expression expected but '=' found"},
      {"NULL = NULL", "NULL compared with NULL"},
      {"A > NULL", "NULL may only be compared with = or <>"},
      {"NULL", "NULL may only be compared with = or <>"},
      {"B = 'x' 'y'", "Unexpected 'y'"},
      {"SUBSTRING(A, 1", "')' expected"},
      {"A = 2 OR", "Expression expected but end of text found"},
      {"D > 'not a date'", "Constant does not suit field D"},
      {"A = 'seven'", "Constant does not suit field A"},
  };
  for (const auto& c : cases) {
    const std::string message = CreationError(c.text);
    EXPECT_EQ(message.rfind(prefix, 0), 0u) << c.text << ": " << message;
    EXPECT_NE(message.find(c.message), std::string::npos) << c.text << ": " << message;
  }
}

TEST(FilterCompiler, RefusesTextNestedTooDeeplyOrTooLongForTheTree) {
  const std::string parens = std::string(2000, '(') + "A" + std::string(2000, ')');
  EXPECT_NE(CreationError(parens).find("nested too deeply"), std::string::npos);
  std::string nots;
  for (int i = 0; i < 2000; ++i) nots += "NOT ";
  EXPECT_NE(CreationError(nots + "A").find("nested too deeply"), std::string::npos);
  std::string chain = "A";
  for (int i = 0; i < 1000; ++i) chain += " + 1";
  EXPECT_NE(CreationError(chain).find("nested too deeply"), std::string::npos);
  const std::string huge = "B = '" + std::string(70000, 'x') + "'";
  EXPECT_NE(CreationError(huge).find("Filter expression is too long"), std::string::npos);
  // A long IN list is not deep: its elements hang off one chain, and only
  // the 16-bit offsets of the tree bound it (some 2500 numbers).
  std::string list = "A IN (0";
  for (int i = 1; i < 2000; ++i) list += ", " + std::to_string(i);
  EXPECT_EQ(CreationError(list + ")"), "compiled");
  for (int i = 2000; i < 3000; ++i) list += ", " + std::to_string(i);
  EXPECT_NE(CreationError(list + ")").find("Filter expression is too long"), std::string::npos);
}

}  // namespace
