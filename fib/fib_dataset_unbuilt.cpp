// Operations of the data set whose work is not in this tree yet. Each one
// raises, so a caller learns plainly that the operation is missing rather
// than getting a wrong answer. The sources that build them replace the
// definitions here one by one.
#include "classlib/stream.h"
#include "fib/fib_blob_stream.h"
#include "fib/zod_array.h"
#include "fib/errors.h"
#include "fib/fib_dataset.h"

namespace fib {

namespace {

[[noreturn]] void NotBuilt(const char* operation) {
  RaiseClientErrorMsg("%s is not available yet", {operation});
}

}  // namespace

// ---- editing ----
void TFIBCustomDataSet::Post() { NotBuilt("Post"); }
void TFIBCustomDataSet::InternalPost() { NotBuilt("InternalPost"); }
void TFIBCustomDataSet::InternalAddRecord(classlib::TRecordBuffer, bool) {
  NotBuilt("InternalAddRecord");
}
void TFIBCustomDataSet::InternalDelete() { NotBuilt("InternalDelete"); }
void TFIBCustomDataSet::InternalCancel() { NotBuilt("InternalCancel"); }
void TFIBCustomDataSet::InternalRefresh() { NotBuilt("InternalRefresh"); }
void TFIBCustomDataSet::InternalDeleteRecord(TFIBQuery*, classlib::TRecordBuffer) {
  NotBuilt("InternalDeleteRecord");
}
void TFIBCustomDataSet::InternalPostRecord(TFIBQuery*, classlib::TRecordBuffer) {
  NotBuilt("InternalPostRecord");
}
void TFIBCustomDataSet::DoSort(const std::vector<classlib::Variant>&, const std::vector<bool>&) {
  NotBuilt("DoSort");
}
void TFIBCustomDataSet::CancelUpdates() { NotBuilt("CancelUpdates"); }
void TFIBCustomDataSet::SetCachedUpdates(bool) { NotBuilt("SetCachedUpdates"); }
void TFIBCustomDataSet::CacheDelete() { NotBuilt("CacheDelete"); }
classlib::Variant TFIBCustomDataSet::Lookup(const std::string&, const classlib::Variant&,
                                            const std::string&) {
  NotBuilt("Lookup");
}
void TFIBCustomDataSet::AutoCommitUpdateTransaction() { NotBuilt("AutoCommitUpdateTransaction"); }
void TFIBCustomDataSet::RepositionAfterPost() { NotBuilt("RepositionAfterPost"); }

// ---- locating and the limited cache model ----
bool TFIBCustomDataSet::Locate(const std::string&, const classlib::Variant&,
                               classlib::TLocateOptions) {
  NotBuilt("Locate");
}
bool TFIBCustomDataSet::LocateByKeys(const std::string&, const classlib::Variant&,
                                     TLocateKeyOptions, bool, TLocateDirection, bool) {
  NotBuilt("LocateByKeys");
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

