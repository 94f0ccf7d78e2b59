// The limited cache model's side of the key search and of Lookup. That
// model's navigation moves the window these run over; until it provides
// them here, both refuse plainly instead of searching the wrong records.
#include "classlib/exceptions.h"
#include "fib/fib_dataset.h"

namespace fib {

std::unique_ptr<ILocateRecords> TFIBCustomDataSet::WindowLocateRecords(
    const std::vector<classlib::TField*>&) {
  throw classlib::EDatabaseError(
      "Searching by key values is not available in the limited cache model");
}

classlib::Variant TFIBCustomDataSet::LimitedCacheLookup(const std::string&,
                                                        const classlib::Variant&,
                                                        const std::string&) {
  throw classlib::EDatabaseError("Lookup is not available in the limited cache model");
}

}  // namespace fib
