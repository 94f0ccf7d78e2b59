// Cost of the statement scanner and clause rewriting against text size: the
// time per KB must stay flat from 5 KB to 500 KB (one pass per operation).
// The peer is a raw keyword search over the bytes, which is what rewriting
// costs when it ignores quotes and comments.
#include <benchmark/benchmark.h>

#include <string>

#include "fib/base/str_util.h"
#include "fib/sql/sql_clauses.h"
#include "fib/sql/sql_parser.h"

namespace {

// A SELECT of about `bytes` bytes: a long select list, joins, and a WHERE of
// many conditions with sub-queries, literals and comments that hold the
// keywords the rewriting looks for; a ROWS with a parameter at the end.
std::string MakeStatement(size_t bytes) {
  std::string columns = "SELECT a.ID";
  std::string conditions = "a.ID > 0";
  for (int i = 0; columns.size() + conditions.size() < bytes; ++i) {
    const std::string n = std::to_string(i);
    columns += ", a.COL" + n + " AS \"Column " + n + "\"";
    conditions += "\r\n  AND (a.F" + n + " = 'WHERE " + n +
                  " ORDER BY X' /* FROM PLAN */ OR EXISTS (SELECT 1 FROM U u" + n + " WHERE u" + n +
                  ".K = a.K" + n + ")) -- PLAN (X NATURAL)\r\n  AND a.G" + n + " = :P" + n;
  }
  return columns + "\r\nFROM ORDERS a LEFT JOIN CUSTOMERS c ON c.ID = a.CUST\r\nWHERE " +
         conditions + "\r\nORDER BY a.ID DESC\r\nROWS :LAST";
}

void Rewrite(benchmark::State& state) {
  const std::string sql = MakeStatement(static_cast<size_t>(state.range(0)) * 1024);
  for (auto _ : state) {
    fib::TSQLParser parser(sql);
    benchmark::DoNotOptimize(parser.MakeCountSQL());
    benchmark::DoNotOptimize(parser.AddToWhereClause("a.STATE = 1", true));
    benchmark::DoNotOptimize(parser.SetOrderClause("a.ID"));
    benchmark::DoNotOptimize(parser.SetPlanClause("(a NATURAL, c INDEX (PK_C))"));
    parser.GetTablesList(false);
    // A parameter outside every WHERE: each WHERE condition is looked at.
    benchmark::DoNotOptimize(fib::FieldNameOfParam(sql, "LAST"));
  }
  const double kb = static_cast<double>(sql.size()) / 1024.0;
  state.counters["KB"] = kb;
  state.counters["time_per_KB"] = benchmark::Counter(
      kb, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(sql.size()));
}

// The same number of passes as Rewrite makes, each a raw case-insensitive
// search for a keyword.
void RawKeywordSearch(benchmark::State& state) {
  const std::string sql = MakeStatement(static_cast<size_t>(state.range(0)) * 1024);
  for (auto _ : state) {
    const std::string upper = fib::UpperCaseASCII(sql);
    for (const char* word :
         {"FROM", "WHERE", "ORDER", "PLAN", "FROM", "WHERE", "WHERE", "ORDER", "PLAN"}) {
      benchmark::DoNotOptimize(upper.find(word));
    }
  }
  const double kb = static_cast<double>(sql.size()) / 1024.0;
  state.counters["KB"] = kb;
  state.counters["time_per_KB"] = benchmark::Counter(
      kb, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(sql.size()));
}

BENCHMARK(Rewrite)->Arg(5)->Arg(50)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(RawKeywordSearch)->Arg(5)->Arg(50)->Arg(500)->Unit(benchmark::kMicrosecond);

}  // namespace
