// Filter texts typed by users: parsing must end in a tree or in one of the
// filter errors, and a tree must evaluate on a row with and without NULLs.
#include <cstddef>
#include <cstdint>
#include <string>

#include "classlib/exceptions.h"
#include "classlib/variant.h"
#include "dacore/tests/store_fixture.h"

namespace {

dacore::TTestStore& Store() {
  static dacore::TTestStore* store = [] {
    auto* s = new dacore::TTestStore({{"NAME", dacore::dtString, 21, 20},
                                      {"N", dacore::dtInt32, 4},
                                      {"D", dacore::dtDateTime, 8},
                                      {"Last Name", dacore::dtHeapString, sizeof(void*), 20}});
    s->Open();
    for (int row = 0; row < 2; ++row) {
      dacore::TRecBuf rec = s->AllocRecBuf();
      s->InitRecord(rec);
      s->CreateComplexFields(rec, true);
      if (row == 0) {
        s->PutFieldAsVariant(1, rec, classlib::Variant("Smith"));
        s->PutFieldAsVariant(2, rec, classlib::Variant(5));
        s->PutFieldAsVariant(4, rec, classlib::Variant("x"));
      }
      s->InternalAppend(rec);
      dacore::TData::FreeRecBuf(rec);
    }
    return s;
  }();
  return *store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  dacore::TTestStore& store = Store();
  try {
    store.SetFilterText(std::string(reinterpret_cast<const char*>(data), size));
    store.GetRecordCount();
  } catch (const classlib::Exception&) {
    // Filter errors, and conversions a comparison of unlike values refuses.
  }
  return 0;
}
