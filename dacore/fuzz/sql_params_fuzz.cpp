// Statement text from users: finding and rewriting parameter markers must
// end every text with the lexer's own error at worst, in each of its three
// forms (positional markers with a list, renamed markers, names kept).
#include <cstddef>
#include <cstdint>
#include <string>

#include "dacore/sql_component.h"
#include "testing/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(testing_fuzz::TextOf(data, size));
  dacore::TCustomDASQL sql(nullptr);
  testing_fuzz::AcceptRaisedErrors([&] { sql.SetSQL(text); });
  testing_fuzz::AcceptRaisedErrors([&] {
    dacore::TDAParams params;
    sql.ParseSQLParams(text, &params, "");
    sql.ParseSQLParams(text, nullptr, "P_1_");
    sql.ParseSQLParams(text, nullptr, "");
  });
  return 0;
}
