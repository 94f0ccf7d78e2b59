// Filter texts are typed by users: they are compiled, then evaluated on
// every row of a small table holding each field type the evaluator reads,
// nulls included. The first byte picks the filter options; the rest is the
// filter text. It is also compiled without a table.
#include <cstddef>
#include <cstdint>
#include <string>

#include "classlib/currency.h"
#include "classlib/datetime.h"
#include "fib/base/str_util.h"
#include "fib/sql/filter_compiler.h"
#include "fib/sql/filter_expression_parser.h"
#include "fib/tests/filter_table.h"
#include "testing/fuzz_input.h"

namespace {

using classlib::Variant;

fib_test::FilterTable Table() {
  fib_test::FilterTable t{{"ID", classlib::ftInteger},   {"NAME", classlib::ftString},
                          {"BIRTH", classlib::ftDate},   {"SALARY", classlib::ftCurrency},
                          {"ACTIVE", classlib::ftBoolean}, {"RATE", classlib::ftFloat},
                          {"STAMP", classlib::ftDateTime}};
  t.AddRow({Variant(1), Variant("Anna"), Variant::FromDate(classlib::EncodeDate(1970, 3, 8)),
            Variant(classlib::Currency::FromInt(1500)), Variant(true), Variant(2.5),
            Variant::FromDate(classlib::EncodeDate(2024, 2, 29) + 0.5)});
  t.AddRow({Variant(-7), Variant("Борис  "), Variant::FromDate(-700000.0),
            Variant(classlib::Currency::FromScaled(-5)), Variant(false), Variant(1e300),
            Variant::FromDate(2958465.99)});
  t.AddRow({Variant(0), classlib::Null(), classlib::Null(), classlib::Null(), classlib::Null(),
            classlib::Null(), classlib::Null()});
  return t;
}

bool SqlLike(const std::string& value, const std::string& mask) {
  return fib::MatchesSQLLike(value, mask);
}

classlib::TFilterOptions OptionsOf(uint8_t bits) {
  classlib::TFilterOptions options;
  if (bits & 1) options.Include(classlib::foCaseInsensitive);
  if (bits & 2) options.Include(classlib::foNoPartialCompare);
  return options;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string text(testing_fuzz::TextOf(data + 1, size - 1));
  const classlib::TFilterOptions options = OptionsOf(data[0]);
  // Without a data set, constants keep their own types.
  testing_fuzz::AcceptRaisedErrors([&] { fib::CompileFilter(text, options, nullptr); });
  fib_test::FilterTable table = Table();
  testing_fuzz::AcceptRaisedErrors([&] {
    fib::TExpressionParser parser(table, SqlLike, fib::StrToDateTimeFmt, options, text);
    for (int row = 0; row < 3; ++row) {
      table.SetCurrent(row);
      testing_fuzz::AcceptRaisedErrors([&] { parser.RecordMatches(); });
    }
  });
  return 0;
}
