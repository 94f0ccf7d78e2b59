// Statement texts as the server gets them, error offsets mapped back, and
// the parameters found in them.
#include "oracle/cmd_sql_text.h"

#include <gtest/gtest.h>

namespace oracle {
namespace {

std::string Names(const std::string& sql) {
  std::string names;
  for (const TParsedParam& param : ParseParamNames(sql))
    names += (names.empty() ? "" : ",") + (param.Quoted ? "\"" + param.Name + "\"" : param.Name);
  return names;
}

TEST(PrepareSQLText, LineEndsOutsideLiteralsBecomeLf) {
  EXPECT_EQ(PrepareSQLText("select 1\r\nfrom dual\rwhere x = 'a\r\nb' -- c\r\n"),
            "select 1\nfrom dual\nwhere x = 'a\r\nb' -- c\n");
  EXPECT_EQ(PrepareSQLText("select q'[it's\r\n]' from /* ' */ dual\r\n"),
            "select q'[it's\r\n]' from /* ' */ dual\n")
      << "a quote inside a q literal or a comment opens nothing";
  // In the body of wrapped PL/SQL quotes are no literals: every line end converts.
  EXPECT_EQ(PrepareSQLText("create procedure p wrapped\r\na000000\r\n'abc\r\n'\r\n"),
            "create procedure p wrapped\na000000\n'abc\n'\n");
  EXPECT_EQ(PrepareSQLText("select 'unwrapped\r\n' from dual"), "select 'unwrapped\r\n' from dual");
}

TEST(PrepareSQLText, ErrorOffsetMapsBackToTheCallersText) {
  const std::string text = "select\r\n1\r\nfrom dul";
  const std::string prepared = PrepareSQLText(text);
  const int server_offset = static_cast<int>(prepared.find("dul"));
  int offset = server_offset;
  PrepareSQLText(text, &offset);
  EXPECT_EQ(offset, static_cast<int>(text.find("dul")));
  int beyond = 1000;
  PrepareSQLText(text, &beyond);
  EXPECT_EQ(beyond, static_cast<int>(text.size()));
  int none = -1;
  PrepareSQLText(text, &none);
  EXPECT_EQ(none, -1) << "no limit, nothing mapped";
}

TEST(ParseParamNames, MarkersOutsideLiteralsAndComments) {
  EXPECT_EQ(Names("insert into t values (:a, ':x', :\"MiXed\", :1, :A) -- :c\r\n /* :d */"),
            "a,\"MiXed\",1");
  EXPECT_EQ(Names("begin :result := f(:p_in); end;"), "result,p_in");
  EXPECT_EQ(Names("select :date, :\"date\" from dual"), "date,\"date\"") << "keywords name parameters too";
  EXPECT_EQ(Names("update t set x = :x where :x = 1 and y = : y"), "x,y");
}

TEST(ParseParamNames, DdlHasNone) {
  EXPECT_EQ(Names("CREATE PROCEDURE p(a number) AS BEGIN x := :a; END;"), "");
  EXPECT_EQ(Names("create or replace trigger t before insert on x for each row begin :new.a := 1; end;"), "");
  EXPECT_EQ(Names("begin :p; execute immediate 'x'; end; create table t (a int)"), "p");
  EXPECT_EQ(Names("alter :a trigger :b"), "a") << "the scan ends at TRIGGER";
}

}  // namespace
}  // namespace oracle
