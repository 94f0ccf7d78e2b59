// A statement's text through the select-list and FROM-clause parsers into
// the dictionary statements: whatever names the text holds, each statement
// ends outside any literal (no name can close a literal early and add text
// of its own), and a column default text never grows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "dacore/driver_table_info.h"
#include "oracle/cursor_tables_info.h"
#include "oracle/query_field_dictionary.h"
#include "testing/fuzz_input.h"

namespace {

// Reads the text as the server would: literals with doubled apostrophes,
// quoted identifiers; a text that ends inside a literal was broken into.
void CheckClosed(const std::string& sql) {
  enum { kCode, kLiteral, kIdentifier } state = kCode;
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (state == kCode) {
      if (c == '\'') state = kLiteral;
      if (c == '"') state = kIdentifier;
    } else if (state == kLiteral && c == '\'') {
      if (i + 1 < sql.size() && sql[i + 1] == '\'') ++i;
      else state = kCode;
    } else if (state == kIdentifier && c == '"') {
      state = kCode;
    }
  }
  if (state == kLiteral) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string sql(testing_fuzz::TextOf(data, size));
  testing_fuzz::AcceptRaisedErrors([&] {
    oracle::ParseSelectList(sql);
    dacore::TCRTablesInfo tables(oracle::OCITableInfoClass());
    oracle::ParseTablesInfo(sql, tables);
    std::vector<oracle::TDictionaryTable> dictionary = oracle::DictionaryTablesOf(tables, "SC'OTT");
    std::vector<int> indexes;
    for (size_t i = 0; i < dictionary.size(); ++i) indexes.push_back(static_cast<int>(i));
    if (!indexes.empty()) {
      CheckClosed(oracle::TableColumnsSQL(dictionary, indexes, true));
      CheckClosed(oracle::SynonymsSQL(dictionary, indexes));
    }
    for (const oracle::TDictionaryTable& table : dictionary)
      if (!table.Link.empty()) CheckClosed(oracle::DatabaseLinkSQL("SC'OTT", table.Link));
    if (oracle::DefaultValueText(sql, "NUMBER").size() > sql.size()) std::abort();
  });
  return 0;
}
