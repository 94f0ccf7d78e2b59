// An attribute path through the parser: every text gives a non-empty list
// of steps, each a name free of separators or a non-negative element index,
// or is refused with the class library's exception.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "oracle/object_path.h"
#include "testing/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path(testing_fuzz::TextOf(data, size));
  testing_fuzz::AcceptRaisedErrors([&] {
    const std::vector<oracle::TPathStep> steps = oracle::ParseAttributePath(path);
    if (steps.empty()) std::abort();
    for (const oracle::TPathStep& step : steps) {
      if (step.is_index ? (step.index < 0 || !step.name.empty())
                        : (step.name.empty() || step.name.find_first_of(".[]") != std::string::npos))
        std::abort();
    }
  });
  return 0;
}
