// The editing operations of the data set (posting, deleting, cancelling,
// cached updates, lookup, local sorting) are not in this tree yet. Each one
// raises, so a caller learns plainly that it is missing rather than getting
// a wrong answer. The sources that build them take this file's place.
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

}  // namespace fib
