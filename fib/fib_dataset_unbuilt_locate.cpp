// The extended locate and the limited cache model of the data set are not
// in this tree yet. Each operation raises, so a caller learns plainly that
// it is missing rather than getting a wrong answer. The sources that build
// them take this file's place.
#include "fib/errors.h"
#include "fib/fib_dataset.h"

namespace fib {

namespace {

[[noreturn]] void NotBuilt(const char* operation) {
  RaiseClientErrorMsg("%s is not available yet", {operation});
}

}  // namespace

// ---- locating and the limited cache model ----
bool TFIBCustomDataSet::Locate(const std::string&, const classlib::Variant&,
                               classlib::TLocateOptions) {
  NotBuilt("Locate");
}
void TFIBCustomDataSet::PrepareLimitedCacheSQL() { NotBuilt("PrepareLimitedCacheSQL"); }
void TFIBCustomDataSet::PrepareOrderKeys() { NotBuilt("PrepareOrderKeys"); }
void TFIBCustomDataSet::FillLimitedCacheAround(int, bool, bool) {
  NotBuilt("FillLimitedCacheAround");
}
classlib::TGetResult TFIBCustomDataSet::GetLimitedRecord(classlib::TRecordBuffer,
                                                         classlib::TGetMode) {
  NotBuilt("GetLimitedRecord");
}
void TFIBCustomDataSet::LimitedFirst() { NotBuilt("LimitedFirst"); }
void TFIBCustomDataSet::LimitedLast() { NotBuilt("LimitedLast"); }
void TFIBCustomDataSet::LimitedGotoBookmark(const void*) { NotBuilt("LimitedGotoBookmark"); }

}  // namespace fib
