// Connection strings come from the registry and the connection dialog: any
// text must read as pairs, and the pairs must be written as a text that
// reads back to the same pairs. The text is also the template a login is
// put into; after zero bytes come that login's user name and password.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/connection_login.h"
#include "app/val_list.h"
#include "testing/fuzz_input.h"

namespace {

bool SamePairs(const app::TValList& a, const app::TValList& b) {
  if (a.Count() != b.Count()) return false;
  for (size_t i = 0; i < a.Count(); ++i) {
    if (a.Items(i).Name() != b.Items(i).Name() || a.Items(i).Value() != b.Items(i).Value())
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto parts = testing_fuzz::PartsOf(testing_fuzz::TextOf(data, size), 3);
  app::ApplyLoginToConnectionString(parts[0], parts[1], parts[2]);
  app::TValList read;
  read.SetText(parts[0]);
  app::TValList again;
  again.SetText(read.GetText());
  if (!SamePairs(read, again)) std::abort();
  read.GetValue("Password");
  return 0;
}
