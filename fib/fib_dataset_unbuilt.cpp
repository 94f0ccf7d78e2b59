// Operations of the data set whose work is not in this tree yet. Each one
// raises, so a caller learns plainly that the operation is missing rather
// than getting a wrong answer. The sources that build them replace the
// definitions here one by one.
#include <cstring>

#include "classlib/stream.h"
#include "fib/cache_model_options.h"
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

}  // namespace fib

// ---- opening, fetching and record buffers ----
namespace fib {
using classlib::TRecordBuffer;
void TFIBCustomDataSet::SetOptions(TpZODDsOptions options) { options_ = options; }
classlib::TUpdateStatus TFIBCustomDataSet::UpdateStatus() const { NotBuilt("UpdateStatus"); }
bool TFIBCustomDataSet::IsSequenced() const { NotBuilt("IsSequenced"); }
bool TFIBCustomDataSet::BookmarkValid(const classlib::TBookmark&) { NotBuilt("BookmarkValid"); }
int TFIBCustomDataSet::CompareBookmarks(const classlib::TBookmark&, const classlib::TBookmark&) {
  NotBuilt("CompareBookmarks");
}
void TFIBCustomDataSet::Resync(classlib::TResyncMode) { NotBuilt("Resync"); }
void TFIBCustomDataSet::FetchAll() { NotBuilt("FetchAll"); }
int TFIBCustomDataSet::FetchNext(int) { NotBuilt("FetchNext"); }
void TFIBCustomDataSet::ReopenLocate(const std::string&) { NotBuilt("ReopenLocate"); }
void TFIBCustomDataSet::RefreshAround(bool, bool) { NotBuilt("RefreshAround"); }
bool TFIBCustomDataSet::RefreshRecordThrough(TFIBQuery*) { NotBuilt("RefreshRecordThrough"); }
void TFIBCustomDataSet::RefreshFilters() { NotBuilt("RefreshFilters"); }
void TFIBCustomDataSet::FetchRecordToCache(TFIBQuery&, int) { NotBuilt("FetchRecordToCache"); }
void TFIBCustomDataSet::SetModifyParams(TFIBQuery&, TRecordBuffer) { NotBuilt("SetModifyParams"); }
bool TFIBCustomDataSet::GetFieldData(classlib::TField*, void*) { NotBuilt("GetFieldData"); }
void TFIBCustomDataSet::SetFieldData(classlib::TField*, const void*) { NotBuilt("SetFieldData"); }
std::unique_ptr<classlib::TStream> TFIBCustomDataSet::CreateBlobStream(classlib::TField*,
                                                                       classlib::TBlobStreamMode) {
  NotBuilt("CreateBlobStream");
}
bool TFIBCustomDataSet::GetCurrentRecord(TRecordBuffer) { NotBuilt("GetCurrentRecord"); }
TFIBBlobStream* TFIBCustomDataSet::BlobStreamOf(TRecordBuffer, const classlib::TField*) const {
  NotBuilt("BlobStreamOf");
}
std::unique_ptr<TpZODArray> TFIBCustomDataSet::CreateArray(classlib::TField*) {
  NotBuilt("CreateArray");
}
classlib::Variant TFIBCustomDataSet::ArrayValues(classlib::TField*) { NotBuilt("ArrayValues"); }
void TFIBCustomDataSet::SetArrayValues(classlib::TField*, const classlib::Variant&) {
  NotBuilt("SetArrayValues");
}
int TFIBCustomDataSet::ParamCount() const { NotBuilt("ParamCount"); }
std::string TFIBCustomDataSet::ParamName(int) const { NotBuilt("ParamName"); }
bool TFIBCustomDataSet::ParamExist(const std::string&, int&) const { NotBuilt("ParamExist"); }
classlib::Variant TFIBCustomDataSet::ParamValue(int) const { NotBuilt("ParamValue"); }
void TFIBCustomDataSet::SetParamValue(int, const classlib::Variant&) { NotBuilt("SetParamValue"); }
bool TFIBCustomDataSet::FieldExist(const std::string&, int&) const { NotBuilt("FieldExist"); }
classlib::Variant TFIBCustomDataSet::FieldValue(int, bool) const { NotBuilt("FieldValue"); }
int TFIBCustomDataSet::CompareFieldValues(classlib::TField*, const classlib::Variant&,
                                          const classlib::Variant&) {
  NotBuilt("CompareFieldValues");
}
void TFIBCustomDataSet::ReadRecordFromCache(int, TRecordBuffer, bool) {
  NotBuilt("ReadRecordFromCache");
}
bool TFIBCustomDataSet::IsVisible(TRecordBuffer) { NotBuilt("IsVisible"); }
void TFIBCustomDataSet::WriteRecordToCache(int, TRecordBuffer) { NotBuilt("WriteRecordToCache"); }
TRecordBuffer TFIBCustomDataSet::AllocRecordBuffer() { NotBuilt("AllocRecordBuffer"); }
void TFIBCustomDataSet::FreeRecordBuffer(TRecordBuffer&) { NotBuilt("FreeRecordBuffer"); }
void TFIBCustomDataSet::InternalInitRecord(TRecordBuffer) { NotBuilt("InternalInitRecord"); }
classlib::TGetResult TFIBCustomDataSet::GetRecord(TRecordBuffer, classlib::TGetMode, bool) {
  NotBuilt("GetRecord");
}
void TFIBCustomDataSet::GetBookmarkData(TRecordBuffer, void*) { NotBuilt("GetBookmarkData"); }
void TFIBCustomDataSet::SetBookmarkData(TRecordBuffer, const void*) { NotBuilt("SetBookmarkData"); }
classlib::TBookmarkFlag TFIBCustomDataSet::GetBookmarkFlag(TRecordBuffer) {
  NotBuilt("GetBookmarkFlag");
}
void TFIBCustomDataSet::SetBookmarkFlag(TRecordBuffer, classlib::TBookmarkFlag) {
  NotBuilt("SetBookmarkFlag");
}
void TFIBCustomDataSet::InternalGotoBookmark(const void*) { NotBuilt("InternalGotoBookmark"); }
void TFIBCustomDataSet::InternalSetToRecord(TRecordBuffer) { NotBuilt("InternalSetToRecord"); }
void TFIBCustomDataSet::InternalFirst() { NotBuilt("InternalFirst"); }
void TFIBCustomDataSet::InternalLast() { NotBuilt("InternalLast"); }
void TFIBCustomDataSet::InternalOpen() { NotBuilt("InternalOpen"); }
void TFIBCustomDataSet::InternalClose() {}
void TFIBCustomDataSet::InternalHandleException() {}
int TFIBCustomDataSet::GetRecordCount() const { NotBuilt("GetRecordCount"); }
int TFIBCustomDataSet::GetRecNo() const { NotBuilt("GetRecNo"); }
void TFIBCustomDataSet::SetRecNoValue(int) { NotBuilt("SetRecNoValue"); }
void TFIBCustomDataSet::CloseCursor() { TDataSet::CloseCursor(); }
void TFIBCustomDataSet::DataConvert(classlib::TField* f, const void* s, void* d, bool n) {
  TDataSet::DataConvert(f, s, d, n);
}
classlib::Variant TFIBCustomDataSet::GetStateFieldValue(classlib::TDataSetState s,
                                                        classlib::TField* f) {
  return TDataSet::GetStateFieldValue(s, f);
}
void TFIBCustomDataSet::SetStateFieldValue(classlib::TDataSetState s, classlib::TField* f,
                                           const classlib::Variant& v) {
  TDataSet::SetStateFieldValue(s, f, v);
}
void TFIBCustomDataSet::GetCalcFields(TRecordBuffer b) { TDataSet::GetCalcFields(b); }
classlib::TField* TFIBCustomDataSet::CreateFieldOfType(classlib::TFieldType t,
                                                       classlib::TComponent* o) {
  return TDataSet::CreateFieldOfType(t, o);
}
void TFIBCustomDataSet::CheckFieldCompatibility(classlib::TField* f, classlib::TFieldDef* d) {
  TDataSet::CheckFieldCompatibility(f, d);
}
void TFIBCustomDataSet::SetFilteredValue(bool v) { TDataSet::SetFilteredValue(v); }
void TFIBCustomDataSet::SetFilterText(const std::string& t) { TDataSet::SetFilterText(t); }
void TFIBCustomDataSet::SetFilterOptionsValue(classlib::TFilterOptions o) {
  TDataSet::SetFilterOptionsValue(o);
}
void TFIBCustomDataSet::DataEvent(classlib::TDataEvent e, intptr_t i) { TDataSet::DataEvent(e, i); }
void TFIBCustomDataSet::DoBeforeOpen() { TDataSet::DoBeforeOpen(); }
void TFIBCustomDataSet::DoAfterOpen() { TDataSet::DoAfterOpen(); }
void TFIBCustomDataSet::DoBeforeClose() { TDataSet::DoBeforeClose(); }
void TFIBCustomDataSet::DoAfterClose() { TDataSet::DoAfterClose(); }
void TFIBCustomDataSet::DoBeforeScroll() { TDataSet::DoBeforeScroll(); }
void TFIBCustomDataSet::DoAfterScroll() { TDataSet::DoAfterScroll(); }
void TFIBCustomDataSet::DoBeforeCancel() { TDataSet::DoBeforeCancel(); }
void TFIBCustomDataSet::DoBeforeDelete() { TDataSet::DoBeforeDelete(); }
void TFIBCustomDataSet::DoBeforeEdit() { TDataSet::DoBeforeEdit(); }
void TFIBCustomDataSet::DoBeforeInsert() { TDataSet::DoBeforeInsert(); }
void TFIBCustomDataSet::DoBeforePost() { TDataSet::DoBeforePost(); }
void TFIBCustomDataSet::DoAfterDelete() { TDataSet::DoAfterDelete(); }
void TFIBCustomDataSet::DoAfterInsert() { TDataSet::DoAfterInsert(); }
TRecordBuffer TFIBCustomDataSet::GetActiveRecBuf() const { return nullptr; }
uint8_t TFIBCustomDataSet::StatusOf(TRecordBuffer buffer) { return buffer[kStatusOffset]; }
int32_t TFIBCustomDataSet::RecordIndexOf(TRecordBuffer buffer) {
  int32_t index;
  std::memcpy(&index, buffer + kRecIndexOffset, sizeof index);
  return index;
}
void TFIBCustomDataSet::SetRecordIndexOf(TRecordBuffer buffer, int32_t index) {
  std::memcpy(buffer + kRecIndexOffset, &index, sizeof index);
}
void TFIBCustomDataSet::SetStatusOf(TRecordBuffer buffer, uint8_t status) {
  buffer[kStatusOffset] =
      static_cast<uint8_t>((buffer[kStatusOffset] & ~kStatusMask) | (status & kStatusMask));
}
int TFIBCustomDataSet::CacheNumberOf(int index) const {
  if (LimitedCacheModel() || uni_directional_)
    return index % cache_model_options_->BufferChunks() + 1;
  return index + 1;
}
void TFIBCustomDataSet::FreeAllBlobStreams() { blob_streams_.clear(); }
}  // namespace fib
