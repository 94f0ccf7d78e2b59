// A statement's text is read on the client for its parameter and macro
// markers before the server sees it. The first byte picks the options
// (parameter check, EXECUTE BLOCK, the macro character); the rest is the
// statement. Every marker found is then rewritten as a macro value or, in a
// condition, as a NULL test, as the statement's execution does. Markers must
// lie in the text, in order, without overlapping.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fib/sql/query_preprocessor.h"
#include "testing/fuzz_input.h"

namespace {

fib::PreprocessOptions OptionsOf(uint8_t bits) {
  fib::PreprocessOptions options;
  options.check_params = (bits & 1) != 0;
  options.executable_block = (bits & 2) != 0;
  options.macro_char = (bits & 4) != 0 ? '&' : '@';
  options.owner_name = "Query";
  return options;
}

void RewriteMarkers(std::string sql, const std::vector<fib::SQLMarker>& markers) {
  std::vector<fib::MarkerEdit> edits;
  int previous_end = 0;
  for (const fib::SQLMarker& marker : markers) {
    // Markers lie in the text, in order, without overlapping.
    if (marker.start < previous_end || marker.end <= marker.start ||
        marker.end > static_cast<int>(sql.size()))
      std::abort();
    previous_end = marker.end;
    fib::MarkerEdit edit;
    edit.start = marker.start;
    edit.end = marker.end;
    if (marker.macro) {
      edit.value = fib::SplitMacroName(marker.name).default_value;
    } else if (marker.in_condition) {
      edit.kind = fib::MarkerEdit::kNullTest;
    } else {
      continue;
    }
    edits.push_back(edit);
  }
  fib::RewriteSQL(sql, edits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string sql(testing_fuzz::TextOf(data + 1, size - 1));
  testing_fuzz::AcceptRaisedErrors([&] {
    fib::ClassifySQLText(sql);
    const fib::PreprocessedSQL result = fib::PreprocessSQL(sql, OptionsOf(data[0]));
    RewriteMarkers(sql, result.markers);
  });
  return 0;
}
