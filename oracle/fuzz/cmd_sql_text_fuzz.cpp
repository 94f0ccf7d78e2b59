// Statement text from users and scripts through what a command makes of it:
// the text the server gets keeps every character but CRs outside literals,
// every server offset maps back into the caller's text, and the parameter
// scan ends with names only (or the lexer's unknown-symbol error); so does
// the scan of a query's FROM clause.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dacore/driver_table_info.h"
#include "oracle/cmd_sql_text.h"
#include "oracle/cursor_tables_info.h"
#include "testing/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(testing_fuzz::TextOf(data, size));
  const std::string prepared = oracle::PrepareSQLText(text);
  if (prepared.size() > text.size()) std::abort();
  std::string without_cr;
  for (char c : text)
    if (c != '\r') without_cr += c;
  std::string prepared_without_cr;
  for (char c : prepared)
    if (c != '\r') prepared_without_cr += c;
  // Only CRs are dropped or turned into LF.
  if (prepared_without_cr.size() < without_cr.size()) std::abort();
  for (int offset : {0, static_cast<int>(prepared.size() / 2), static_cast<int>(prepared.size()) + 5}) {
    int mapped = offset;
    oracle::PrepareSQLText(text, &mapped);
    if (mapped < 0 || mapped > static_cast<int>(text.size())) std::abort();
  }
  testing_fuzz::AcceptRaisedErrors([&] {
    for (const oracle::TParsedParam& param : oracle::ParseParamNames(text))
      if (param.Name.empty() && !param.Quoted) std::abort();
  });
  testing_fuzz::AcceptRaisedErrors([&] {
    dacore::TCRTablesInfo tables(oracle::OCITableInfoClass());
    if (oracle::ParseTablesInfo(text, tables) != tables.Count()) std::abort();
  });
  return 0;
}
