#include "fib/sql/sql_parser.h"

#include <gtest/gtest.h>

#include "fib/sql/sql_clauses.h"
#include "fib/sql/sql_text.h"

namespace fib {
namespace {

std::string MainCondition(const std::string& sql) {
  TSQLParser parser(sql);
  int where_start, where_end;
  std::string condition;
  parser.GetWhereClause(parser.MainWhereIndex(), where_start, condition, where_end);
  return condition;
}

TEST(SQLParserTest, StatementKinds) {
  struct Case {
    const char* sql;
    int kind;
  };
  const Case cases[] = {
      {"select a from t", skSelect},
      {"  /* c */ -- x\r\n update T set A = 1", skUpdate},
      {"INSERT INTO T VALUES (1)", skInsert},
      {"delete from t", skDelete},
      {"EXECUTE /* x */ PROCEDURE P", skExecuteProcedure},
      {"execute\nblock as begin end", skExecuteBlock},
      {"SET GENERATOR G TO 1", skDDL},
      {"recreate table t (a int)", skDDL},
      {"(select 1 from t)", skSelect},
      {"SETX GENERATOR", skUnknown},
      {"SELECTA FROM T", skUnknown},
      {"EXECUTE STATEMENT 'x'", skUnknown},
      {"", skUnknown},
      {"-- only a comment", skUnknown},
  };
  for (const Case& c : cases) {
    TSQLParser parser(c.sql);
    EXPECT_EQ(parser.Kind(), c.kind) << c.sql;
  }
  EXPECT_TRUE(TSQLParser("execute block as begin end").IsDML());
  EXPECT_FALSE(TSQLParser("drop table t").IsDML());
}

TEST(SQLParserTest, KeywordsInsideQuotesAndCommentsAreNotClauses) {
  const std::string sql =
      "SELECT \"WHERE X\", 'ORDER BY' FROM T -- WHERE A = 1\r\n"
      "/* WHERE B = 2 ORDER BY C */ WHERE 'WHERE' = A";
  TSQLParser parser(sql);
  EXPECT_EQ(parser.WhereClausesCount(), 1);
  EXPECT_EQ(MainCondition(sql), "'WHERE' = A");
  int order_start, order_end;
  std::string clause;
  parser.GetOrderClause(order_start, order_end, clause);
  EXPECT_EQ(order_start, 0);
}

TEST(SQLParserTest, LiteralsWithQuotesCommentsAndSubQueryUnions) {
  EXPECT_EQ(AddToWhereClause("SELECT A FROM T WHERE N = 'it''s WHERE -- not' ORDER BY A", "Y = 2"),
            "SELECT A FROM T WHERE(  N = 'it''s WHERE -- not' ) and ( Y = 2 ) ORDER BY A");
  const std::string sql =
      "SELECT * FROM T WHERE A IN (SELECT B FROM U UNION SELECT C FROM V WHERE D = 1) ORDER BY A";
  EXPECT_EQ(MainCondition(sql), "A IN (SELECT B FROM U UNION SELECT C FROM V WHERE D = 1)");
  EXPECT_EQ(
      MakeCountSQL(sql),
      "Select Count(*) FROM T \r\n WHERE A IN (SELECT B FROM U UNION SELECT C FROM V WHERE D = 1)");
}

TEST(SQLParserTest, QuotedIdentifiersWithSpacesAndKeywords) {
  const std::string sql = "SELECT \"ORDER BY\" FROM \"FROM TABLE\" ft WHERE \"WHERE\" = 1";
  EXPECT_EQ(MainCondition(sql), "\"WHERE\" = 1");
  TSQLParser parser(sql);
  parser.GetTablesList(false);
  ASSERT_EQ(parser.Tables().Count(), 1);
  EXPECT_EQ(parser.Tables().Strings(0), "\"FROM TABLE\" FT");
  EXPECT_EQ(SetOrderClause(sql, "1"), sql + "\r\nORDER BY 1");
}

TEST(SQLParserTest, WhereOfSubQueries) {
  const std::string sql = "SELECT A FROM T WHERE B IN (SELECT C FROM U WHERE D = 1) ORDER BY A";
  TSQLParser parser(sql);
  EXPECT_EQ(parser.WhereClausesCount(), 2);
  EXPECT_EQ(parser.MainWhereIndex(), 1);
  int where_start, where_end;
  std::string condition;
  parser.GetWhereClause(2, where_start, condition, where_end);
  EXPECT_EQ(condition, "D = 1");  // ends at the closing parenthesis
  parser.GetWhereClause(1, where_start, condition, where_end);
  EXPECT_EQ(condition, "B IN (SELECT C FROM U WHERE D = 1)");
  parser.GetWhereClause(3, where_start, condition, where_end);
  EXPECT_EQ(where_start, 0);
  parser.GetWhereClause(-1, where_start, condition, where_end);
  EXPECT_EQ(where_start, 0);

  const std::string select_list =
      "SELECT (SELECT MAX(X) FROM U WHERE U.ID = T.ID) FROM T WHERE T.A = 1";
  EXPECT_EQ(TSQLParser(select_list).MainWhereIndex(), 2);
  EXPECT_EQ(MainCondition(select_list), "T.A = 1");
  EXPECT_EQ(SetWhereClause(sql, 2, "D = 2"),
            "SELECT A FROM T WHERE B IN (SELECT C FROM U \r\nWHERE D = 2\r\n) ORDER BY A");
}

TEST(SQLParserTest, KeywordsRightAfterABlockComment) {
  const std::string sql = "SELECT A FROM T/* WHERE Z */WHERE X = 1 ORDER/**/BY A";
  EXPECT_EQ(MainCondition(sql), "X = 1");
  EXPECT_EQ(MakeCountSQL(sql), "Select Count(*) FROM T/* WHERE Z */\r\n WHERE X = 1");
  EXPECT_EQ(AddToWhereClause(sql, "Y = 2"),
            "SELECT A FROM T/* WHERE Z */WHERE(  X = 1 ) and ( Y = 2 ) ORDER/**/BY A");
  EXPECT_EQ(SetOrderClause(sql, "B"), "SELECT A FROM T/* WHERE Z */WHERE X = 1 \r\nORDER BY B");
}

TEST(SQLParserTest, ClauseRightAfterAParenthesis) {
  const std::string sql = "SELECT A FROM P(1)WHERE X = 1";
  EXPECT_EQ(MakeCountSQL(sql), "Select Count(*) FROM P(1)\r\n WHERE X = 1");
  TSQLParser parser(sql);
  parser.GetTablesList(true);
  EXPECT_EQ(parser.Tables().CommaText(), "P");
}

TEST(SQLParserTest, LineCommentsEndAtEitherLineBreak) {
  EXPECT_EQ(MainCondition("SELECT A FROM T -- note\nWHERE B = 1"), "B = 1");
  EXPECT_EQ(MainCondition("SELECT A FROM T -- note\rWHERE B = 1"), "B = 1");
  // A block-comment opener inside a line comment is comment text.
  EXPECT_EQ(MainCondition("SELECT A FROM T -- see /* here\r\nWHERE B = 1"), "B = 1");
  EXPECT_EQ(MakeCountSQL("SELECT A FROM T -- x\nWHERE B = 1"),
            "Select Count(*) FROM T -- x\n\r\n WHERE B = 1");
}

TEST(SQLParserTest, AddToWhereClause) {
  EXPECT_EQ(AddToWhereClause("SELECT A FROM T", "B = 1"), "SELECT A FROM T\r\n WHERE B = 1\r\n");
  EXPECT_EQ(AddToWhereClause("SELECT A FROM T WHERE X = 1 ORDER BY A", "Y = 2"),
            "SELECT A FROM T WHERE(  X = 1 ) and ( Y = 2 ) ORDER BY A");
  EXPECT_EQ(AddToWhereClause("SELECT A FROM T WHERE X = 1", "Y = 2", true),
            "SELECT A FROM T WHERE(  X = 1\r\n     ) and ( Y = 2 )\r\n    ");
  EXPECT_EQ(AddToWhereClause("SELECT A, COUNT(*) FROM T GROUP BY A", "B = 1"),
            "SELECT A, COUNT(*) FROM T \r\n WHERE B = 1\r\nGROUP BY A");
  EXPECT_EQ(AddToWhereClause("UPDATE T SET A = 1", "ID = 2"),
            "UPDATE T SET A = 1\r\n WHERE ID = 2\r\n");
  EXPECT_EQ(AddToWhereClause("SELECT A FROM T", "  "), "SELECT A FROM T");
  EXPECT_EQ(AddToWhereClause("", "A = 1"), "");
  EXPECT_EQ(
      AddToWhereClause("SELECT A FROM T WHERE X = 1 UNION SELECT A FROM U WHERE Y = 2", "Z = 3"),
      "SELECT A FROM T WHERE(  X = 1 ) and ( Z = 3 ) UNION SELECT A FROM U WHERE Y = 2");
}

TEST(SQLParserTest, TrailingLineCommentsNeverSwallowAddedText) {
  EXPECT_EQ(AddToWhereClause("SELECT A FROM T WHERE X = 1 -- keep", "Y = 2"),
            "SELECT A FROM T WHERE(  X = 1 ) and ( Y = 2 ) -- keep");
  EXPECT_EQ(AddToWhereClause("SELECT A FROM T WHERE X = 1", "Y = 2 -- why"),
            "SELECT A FROM T WHERE(  X = 1 ) and ( Y = 2 -- why\r\n )");
  EXPECT_EQ(AddToWhereClause("SELECT A FROM T -- all", "B = 1"),
            "SELECT A FROM T\r\n WHERE B = 1\r\n -- all");
  const std::string count = MakeCountSQL("SELECT A FROM T WHERE X = 1 -- all rows");
  EXPECT_EQ(count, "Select Count(*) FROM T \r\n WHERE X = 1");
  EXPECT_FALSE(EndsInLineComment(count));
  EXPECT_EQ(MakeCountSQL("SELECT A FROM T -- all rows"), "Select Count(*) FROM T");
  EXPECT_EQ(ReplaceOrderFields("SELECT A FROM T -- c", "B"), "SELECT A FROM T -- c\r\n ORDER BY B");
  EXPECT_EQ(SetPlanClause("SELECT A FROM T -- c", "(T NATURAL)"),
            "SELECT A FROM T -- c\r\nPLAN (T NATURAL)");
  EXPECT_EQ(SetOrderClause("SELECT A FROM T ORDER BY A -- c", "B"),
            "SELECT A FROM T \r\nORDER BY B -- c");
  EXPECT_EQ(AppendToSQL("SELECT A FROM T -- c", ")"), "SELECT A FROM T -- c\r\n)");
  EXPECT_EQ(AppendToSQL("SELECT '--' FROM T", ")"), "SELECT '--' FROM T)");
}

TEST(SQLParserTest, SetWhereClause) {
  const std::string sql = "SELECT A FROM T WHERE X = 1 ORDER BY A";
  EXPECT_EQ(SetWhereClause(sql, 1, ""), "SELECT A FROM T \r\n ORDER BY A");
  EXPECT_EQ(SetWhereClause(sql, 1, "Y = 2"), "SELECT A FROM T \r\nWHERE Y = 2\r\n ORDER BY A");
  EXPECT_EQ(SetWhereClause(sql, 2, "Y = 2"), sql);
  EXPECT_EQ(SetMainWhereClause("SELECT A FROM T", "B = 1"), "SELECT A FROM T\r\n WHERE B = 1\r\n");
  EXPECT_EQ(SetMainWhereClause(sql, "Z = 0"), "SELECT A FROM T \r\nWHERE Z = 0\r\n ORDER BY A");
}

TEST(SQLParserTest, MakeCountSQL) {
  EXPECT_EQ(MakeCountSQL("SELECT A, B FROM T WHERE X = 1 ORDER BY A"),
            "Select Count(*) FROM T \r\n WHERE X = 1");
  EXPECT_EQ(MakeCountSQL("UPDATE T SET A = 1"), "");
  EXPECT_EQ(MakeCountSQL("SELECT 1"), "");
  EXPECT_EQ(MakeCountSQL(""), "");
  EXPECT_EQ(MakeCountSQL("SELECT A.X FROM A JOIN B ON A.ID = B.ID WHERE A.X > 0 GROUP BY A.X"),
            "Select Count(*) FROM A JOIN B ON A.ID = B.ID \r\n WHERE A.X > 0");
  EXPECT_EQ(MakeCountSQL("SELECT * FROM (SELECT A FROM T WHERE B = 1) D WHERE D.A > 2"),
            "Select Count(*) FROM (SELECT A FROM T WHERE B = 1) D \r\n WHERE D.A > 2");
  EXPECT_EQ(MakeCountSQL("SELECT A FROM T UNION SELECT A FROM U"), "Select Count(*) FROM T ");
}

TEST(SQLParserTest, OrderClause) {
  TSQLParser parser("SELECT A FROM T ORDER BY A DESC, B ROWS 10");
  int order_start, order_end;
  std::string clause;
  parser.GetOrderClause(order_start, order_end, clause);
  EXPECT_EQ(order_start, 17);
  EXPECT_EQ(clause, " A DESC, B");
  EXPECT_EQ(SetOrderClause("SELECT A FROM T ORDER BY A", "B DESC"),
            "SELECT A FROM T \r\nORDER BY B DESC");
  EXPECT_EQ(SetOrderClause("SELECT A FROM T ORDER BY A", ""), "SELECT A FROM T ");
  EXPECT_EQ(SetOrderClause("SELECT A FROM T", " "), "SELECT A FROM T");
  EXPECT_EQ(SetOrderClause("SELECT A FROM T ORDER BY A ROWS 10", "B"),
            "SELECT A FROM T \r\nORDER BY B ROWS 10");
  EXPECT_EQ(SetOrderClause("SELECT A FROM (SELECT A FROM T ORDER BY A) ", "A"),
            "SELECT A FROM (SELECT A FROM T ORDER BY A)\r\nORDER BY A");
  EXPECT_EQ(ReplaceOrderFields("SELECT A FROM T ORDER BY A", "B"), "SELECT A FROM T ORDER BY B ");
  EXPECT_EQ(ReplaceOrderFields("SELECT A FROM T ORDER BY A", ""), "SELECT A FROM T  ");
  EXPECT_EQ(ReplaceOrderFields("SELECT A FROM T", ""), "SELECT A FROM T");
}

TEST(SQLParserTest, PlanClause) {
  const std::string sql = "SELECT A FROM T PLAN (T NATURAL) ORDER BY A";
  TSQLParser parser(sql);
  int plan_word, plan_start, plan_end;
  std::string clause;
  parser.GetPlanClause(parser.MainPlanIndex(), plan_word, plan_start, plan_end, clause);
  EXPECT_EQ(clause, "(T NATURAL)");
  EXPECT_EQ(SetPlanClause(sql, "(T INDEX (I))"), "SELECT A FROM T PLAN (T INDEX (I)) ORDER BY A");
  EXPECT_EQ(SetPlanClause(sql, "PLAN (T ORDER I)"), "SELECT A FROM T PLAN (T ORDER I) ORDER BY A");
  EXPECT_EQ(SetPlanClause(sql, ""), "SELECT A FROM T  ORDER BY A");
  EXPECT_EQ(SetPlanClause("SELECT A FROM T PLAN  (T NATURAL)", "(T INDEX (I))"),
            "SELECT A FROM T PLAN (T INDEX (I))");
  EXPECT_EQ(SetPlanClause("SELECT A FROM T PLAN  (T NATURAL)", ""), "SELECT A FROM T ");
  EXPECT_EQ(SetPlanClause("SELECT A FROM T ORDER BY A", "(T NATURAL)"),
            "SELECT A FROM T \r\nPLAN (T NATURAL)\r\nORDER BY A");
  EXPECT_EQ(SetPlanClause("SELECT A FROM T", "(T NATURAL)"), "SELECT A FROM T\r\nPLAN (T NATURAL)");
  EXPECT_EQ(SetPlanClause("SELECT A FROM T", ""), "SELECT A FROM T");
  // A PLAN of a sub-query is not the statement's plan.
  const std::string nested = "SELECT A FROM T WHERE A IN (SELECT B FROM U PLAN (U NATURAL))";
  EXPECT_EQ(TSQLParser(nested).MainPlanIndex(), -1);
  EXPECT_EQ(SetPlanClause(nested, "(T NATURAL)"), nested + "\r\nPLAN (T NATURAL)");
}

TEST(SQLParserTest, ModifiedTableName) {
  EXPECT_EQ(TSQLParser("INSERT INTO T (A) VALUES (1)").GetModifiedTableName(), "T");
  EXPECT_EQ(TSQLParser("UPDATE T SET A = 1").GetModifiedTableName(), "T");
  EXPECT_EQ(TSQLParser("UPDATE T X SET A = 1").GetModifiedTableName(), "T X");
  EXPECT_EQ(TSQLParser("DELETE T").GetModifiedTableName(), "Unknown");
  EXPECT_EQ(TSQLParser("INSERT T VALUES (1)").GetModifiedTableName(), "Unknown");
  EXPECT_EQ(TSQLParser("DELETE FROM T WHERE A = 1").GetModifiedTableName(), "T");
  EXPECT_EQ(TSQLParser("DELETE FROM T X WHERE X.A = 1").GetModifiedTableName(), "T X");
  EXPECT_EQ(TSQLParser("SELECT A FROM T").GetModifiedTableName(), "");
  EXPECT_EQ(
      TSQLParser("UPDATE OR INSERT INTO T (A) VALUES (1) MATCHING (A)").GetModifiedTableName(),
      "T");
  EXPECT_EQ(TSQLParser("/* INTO X */ INSERT /* INTO Y */ INTO T VALUES (1)").GetModifiedTableName(),
            "T");
  EXPECT_EQ(ModifiedTable("update \"My Table\" set a = 1", true), "\"My Table\"");
  EXPECT_EQ(ModifiedTable("update \"My Table\" set a = 1", false), "My Table");
  EXPECT_EQ(ModifiedTable("insert into tab(a) values (1)", false), "TAB");
  EXPECT_EQ(ModifiedTable("update tab t set a = 1", false), "TAB");
}

TEST(SQLParserTest, TablesList) {
  TSQLParser parser("SELECT * FROM A a LEFT JOIN B b ON a.X = b.X WHERE a.Y = 1");
  parser.GetTablesList(false);
  EXPECT_EQ(parser.Tables().CommaText(), "\"A A\",\"B B\"");

  const std::string sql =
      "SELECT * FROM T1, \"My Table\" mt /* , X */, PROC(1, 'a, b') P -- , Y\r\n"
      "JOIN C ON (C.ID = T1.ID AND C.N = ' JOIN D ') WHERE 1 = 1";
  TSQLParser many(sql);
  many.GetTablesList(false);
  ASSERT_EQ(many.Tables().Count(), 3);
  EXPECT_EQ(many.Tables().Strings(0), "T1");
  EXPECT_EQ(many.Tables().Strings(1), "\"My Table\" MT");
  EXPECT_EQ(many.Tables().Strings(2), "C");
  many.GetTablesList(true);
  ASSERT_EQ(many.Tables().Count(), 4);
  EXPECT_EQ(many.Tables().Strings(2), "PROC P");

  classlib::TStringList tables;
  TablesOf(sql, tables, false, false);
  EXPECT_EQ(tables.CommaText(), "T1,\"\"\"My Table\"\"\",C");
  TSQLParser update("UPDATE T X SET A = 1");
  update.GetStatementTables();
  EXPECT_EQ(update.Tables().CommaText(), "\"T X\"");
  TSQLParser empty("");
  empty.GetTablesList(true);
  EXPECT_EQ(empty.Tables().Count(), 0);
}

TEST(SQLParserTest, AliasesResolve) {
  const std::string sql = "SELECT o.ID FROM ORDERS o JOIN CUSTOMERS AS c ON c.ID = o.CUST";
  EXPECT_EQ(AliasForTable(sql, "customers"), "C");
  EXPECT_EQ(AliasForTable(sql, "NOTHERE"), "NOTHERE");
  EXPECT_EQ(TableForAlias(sql, "o"), "ORDERS");
  EXPECT_EQ(TableForAlias(sql, "Z"), "Z");
  EXPECT_EQ(FullFieldName(sql, "o.id"), "ORDERS.ID");
  EXPECT_EQ(FullFieldName(sql, "id"), "id");
  EXPECT_EQ(FullFieldName("SELECT * FROM \"Mixed\" m", "m.\"Col\""), "Mixed.Col");
  EXPECT_EQ(AliasOfRef("T AS X", AliasPos("T AS X")), "X");
  EXPECT_EQ(AliasOfRef("T ASSET", AliasPos("T ASSET")), "ASSET");
  EXPECT_EQ(AliasPos("T"), 0);
  EXPECT_EQ(TableOfRef("\"My T\" X", AliasPos("\"My T\" X")), "\"My T\"");
  EXPECT_TRUE(SameIdentifiers("\"ABC\"", "abc"));
  EXPECT_FALSE(SameIdentifiers("\"Abc\"", "abc"));
  EXPECT_TRUE(SameIdentifiers("", "x"));
  EXPECT_EQ(QualifiedName("my table", "ORDER"), "\"my table\".\"ORDER\"");
  EXPECT_EQ(QualifiedName("", "NAME"), "NAME");
}

TEST(SQLParserTest, InvertOrderClause) {
  EXPECT_EQ(InvertOrderClause("A"), "A desc");
  EXPECT_EQ(InvertOrderClause("A DESC"), "A");
  EXPECT_EQ(InvertOrderClause("A ASC"), "A desc");
  EXPECT_EQ(InvertOrderClause("A ascending"), "A desc");
  EXPECT_EQ(InvertOrderClause("A DESCENDING, B"), "A,B desc");
  EXPECT_EQ(InvertOrderClause("A, B DESC"), "A desc,B");
  EXPECT_EQ(InvertOrderClause("A COLLATE PXW_CYRL DESC"), "A COLLATE PXW_CYRL");
  EXPECT_EQ(InvertOrderClause("A NULLS FIRST, B DESC NULLS LAST"),
            "A desc NULLS LAST,B NULLS FIRST");
  EXPECT_EQ(InvertOrderClause("  \"Asc Field\" /* DESC */, -- d\r\n B"),
            "\"Asc Field\" desc,B desc");
  EXPECT_EQ(InvertOrderClause("UPPER(A, 'x, y') DESC"), "UPPER(A, 'x, y')");
  EXPECT_EQ(InvertOrderClause(""), "");
}

TEST(SQLParserTest, OrderFieldsArray) {
  const classlib::Variant fields =
      OrderFieldsArray("SELECT * FROM T ORDER BY t.a DESC, \"b\" NULLS FIRST, C ASC, "
                       "D ASC NULLS LAST, E DESC nulls first");
  ASSERT_EQ(classlib::VarArrayHighBound(fields, 1), 4);
  EXPECT_EQ(classlib::VarArrayGet(fields, {0, 0}).AsString(), "T.A");
  EXPECT_FALSE(classlib::VarArrayGet(fields, {0, 1}).AsBoolean());
  EXPECT_EQ(classlib::VarArrayGet(fields, {1, 0}).AsString(), "\"b\"");
  EXPECT_TRUE(classlib::VarArrayGet(fields, {1, 1}).AsBoolean());
  EXPECT_TRUE(classlib::VarArrayGet(fields, {1, 2}).AsBoolean());
  EXPECT_TRUE(classlib::VarArrayGet(fields, {2, 1}).AsBoolean());
  // Without NULLS, where the server puts NULL: first ascending, last descending.
  EXPECT_FALSE(classlib::VarArrayGet(fields, {0, 2}).AsBoolean());
  EXPECT_TRUE(classlib::VarArrayGet(fields, {2, 2}).AsBoolean());
  EXPECT_FALSE(classlib::VarArrayGet(fields, {3, 2}).AsBoolean());
  EXPECT_TRUE(classlib::VarArrayGet(fields, {4, 2}).AsBoolean());
  EXPECT_EQ(OrderFieldsArray("SELECT * FROM T").VType(), classlib::varEmpty);
}

TEST(SQLParserTest, FieldNameOfParam) {
  EXPECT_EQ(FieldNameOfParam("SELECT * FROM T WHERE T.ID = :ID", "ID"), "ID");
  EXPECT_EQ(FieldNameOfParam("SELECT * FROM T WHERE T.ID = ?ID", "id"), "T.ID");
  EXPECT_EQ(FieldNameOfParam("SELECT * FROM T WHERE NAME = ':ID' AND CODE = :ID", "ID"), "CODE");
  EXPECT_EQ(FieldNameOfParam("SELECT * FROM T WHERE NAME = '?P' AND X >= ?P", "P"), "X");
  EXPECT_EQ(FieldNameOfParam("SELECT * FROM T WHERE A = :IDX AND B=:ID", "ID"), "B");
  EXPECT_EQ(FieldNameOfParam("-- A = :ID\r\nSELECT * FROM T WHERE /* C = :ID */ B=:ID", "ID"), "B");
  EXPECT_EQ(FieldNameOfParam("SELECT * FROM T WHERE A IN (SELECT B FROM U WHERE U.C = :P)", "P"),
            "C");
  EXPECT_EQ(FieldNameOfParam("SELECT * FROM T WHERE \"My Col\" = :P", "P"), "\"My Col\"");
  EXPECT_EQ(FieldNameOfParam("SELECT :P FROM T WHERE A = 1", "P"), "");
  EXPECT_EQ(FieldNameOfParam("", "P"), "");
}

TEST(SQLTextTest, CommentsAndGroups) {
  EXPECT_EQ(StripSQLComments("A/*x*/B"), "A B");
  EXPECT_EQ(StripSQLComments("A -- c\r\nB"), "A B");
  EXPECT_EQ(StripSQLComments("'--x' \"/*\" /* y */"), "'--x' \"/*\" ");
  EXPECT_EQ(StripSQLComments("A /* open"), "A ");
  EXPECT_TRUE(EndsInLineComment("A -- c"));
  EXPECT_FALSE(EndsInLineComment("A '--'"));
  EXPECT_FALSE(EndsInLineComment("A -- c\n"));
  EXPECT_FALSE(EndsInLineComment("A /* -- */"));
  EXPECT_EQ(RemoveParenthesized("A, P(1, (2)) X, B", false), "A, B");
  EXPECT_EQ(RemoveParenthesized("A, P(1, (2)) X, B", true), "A, P X, B");
  EXPECT_EQ(RemoveParenthesized("P(')') X", true), "P X");
  EXPECT_EQ(JoinsToCommaList("A a LEFT JOIN B b ON a.X = b.X"), "A a, B b");
  EXPECT_EQ(JoinsToCommaList("A JOIN P(1) p USING (ID)"), "A, P (1) p");
  EXPECT_EQ(PosWordInSQL("JOIN", "A JOINED JOIN B"), 10);
  std::string left, right = "untouched";
  SplitAtPercent("ab", '%', left, right);
  EXPECT_EQ(left + "|" + right, "%ab|untouched");
  SplitAtPercent("%a%b", '%', left, right);
  EXPECT_EQ(left + "|" + right, "|a%b");  // s starts with the lead
  EXPECT_TRUE(IsWhereAt("A WHERE B", 3));
  EXPECT_FALSE(IsWhereAt("A XWHERE B", 4));
  EXPECT_TRUE(IsWhereEndAt("A ORDER BY", 3));
  EXPECT_TRUE(IsWhereEndAt("A", 2));
}

TEST(SQLParserTest, MalformedTextDoesNotBreakTheScanner) {
  for (const char* sql :
       {"SELECT A FROM T WHERE X = 'abc", "SELECT ((( FROM T WHERE", "SELECT A FROM T WHERE",
        "WHERE", "SELECT \"A FROM T", ")))) WHERE X", "SELECT A FROM T /* WHERE"}) {
    TSQLParser parser(sql);
    EXPECT_NO_THROW({
      parser.MainWhereIndex();
      MakeCountSQL(sql);
      AddToWhereClause(sql, "Y = 1");
      SetOrderClause(sql, "A");
      SetPlanClause(sql, "(T NATURAL)");
      InvertOrderClause(sql);
      FieldNameOfParam(sql, "X");
      parser.GetTablesList(true);
    }) << sql;
  }
  EXPECT_EQ(MainCondition("SELECT A FROM T WHERE X = 'abc"), "X = 'abc");
  EXPECT_EQ(MainCondition("SELECT A FROM T WHERE"), "");
}

}  // namespace
}  // namespace fib
