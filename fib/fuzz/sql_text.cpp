// Statement texts come from users and from component properties: every
// clause finder and rewriter must cope with any text. The input is the
// statement, then after a zero byte the text a rewrite puts in (a condition,
// an order list or a plan). Text without comments has none to strip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "classlib/strings.h"
#include "fib/sql/sql_clauses.h"
#include "fib/sql/sql_parser.h"
#include "fib/sql/sql_text.h"
#include "testing/fuzz_input.h"

namespace {

void FindClauses(const std::string& sql) {
  fib::TSQLParser parser(sql);
  int start = 0, end = 0, word = 0;
  std::string clause;
  parser.GetFromClause(start, end);
  parser.GetOrderClause(start, end, clause);
  for (int n = 1; n <= parser.WhereClausesCount(); ++n) parser.GetWhereClause(n, start, clause, end);
  if (parser.MainPlanIndex() > 0) parser.GetPlanClause(parser.MainPlanIndex(), word, start, end, clause);
  parser.GetStatementTables();
}

void Rewrite(const std::string& sql, const std::string& text) {
  fib::SetMainWhereClause(sql, text);
  fib::AddToWhereClause(sql, text, true);
  fib::SetOrderClause(sql, text);
  fib::ReplaceOrderFields(sql, text);
  fib::SetPlanClause(sql, text);
  fib::MakeCountSQL(sql);
  fib::ModifiedTable(sql, false);
  classlib::TStringList tables;
  fib::TablesOf(sql, tables, true, true);
  fib::AliasForTable(sql, text);
  fib::TableForAlias(sql, text);
  fib::FullFieldName(sql, text);
}

void TextTools(const std::string& sql, const std::string& text) {
  // Stripping never joins what is left into a new comment.
  const std::string stripped = fib::StripSQLComments(sql);
  if (fib::StripSQLComments(stripped) != stripped) std::abort();
  fib::AppendToSQL(sql, text);
  fib::FromListEntries(sql, false, true);
  fib::JoinsToCommaList(sql);
  fib::RemoveParenthesized(sql, true);
  fib::SameIdentifiers(sql, text);
  fib::QualifiedName(sql, text);
  const int alias = fib::AliasPos(sql);
  fib::TableOfRef(sql, alias);
  fib::AliasOfRef(sql, alias);
  fib::NormalizedIdentifier(sql);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = testing_fuzz::PartsOf(testing_fuzz::TextOf(data, size), 2);
  testing_fuzz::AcceptRaisedErrors([&] {
    FindClauses(parts[0]);
    Rewrite(parts[0], parts[1]);
    TextTools(parts[0], parts[1]);
  });
  return 0;
}
