// TData: life cycle, field layout, record buffers, complex values and the
// base behaviour of bookmarks and filters.
#include "dacore/store_data.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "classlib/exceptions.h"
#include "dacore/field_unique_names.h"
#include "dacore/messages.h"
#include "dacore/util_bytes.h"

namespace dacore {

TRecBufHolder::TRecBufHolder(size_t size) : buf(std::calloc(size ? size : 1, 1)) {
  if (!buf) throw std::bad_alloc();
}
TRecBufHolder::~TRecBufHolder() { std::free(buf); }

TData::TData() = default;

TData::~TData() {
  Close();
  UnPrepare();
}

// ---- Life cycle -------------------------------------------------------------

void TData::Prepare() {
  InternalPrepare();
  prepared_ = true;
}

void TData::UnPrepare() {
  if (!prepared_) return;
  prepared_ = false;
  if (describe_fields_) ClearFields();
  InternalUnPrepare();
}

void TData::Open() {
  if (active_) return;
  InitData();
  InternalOpen();
  ParseFilter();
  active_ = true;
}

void TData::Close() {
  if (active_) InternalClose();
  active_ = false;
  FreeData();
  if (describe_fields_ && !prepared_) ClearFields();
  FreeFilter();
}

void TData::Reopen() {
  Close();
  Open();
}

void TData::InitData() {
  bof_ = eof_ = true;
  record_count_ = 0;
  order_base_ = 0;
}

void TData::ClearFields() {
  read_plan_.clear();
  planned_fields_ = 0;
  complex_fields_.clear();
  complex_fields_of_count_ = -1;
  fields_.Clear();
}

void TData::InitFields() {
  if (describe_fields_) {
    ClearFields();
    InternalInitFields();
    if (OnAfterInitFields) OnAfterInitFields();
    MakeUniqueFieldNames(fields_);
  }
  LayoutFields();
}

void TData::LayoutFields() {
  data_size_ = 0;
  calc_data_size_ = 0;
  has_complex_fields_ = false;
  complex_fields_.clear();
  complex_fields_of_count_ = fields_.Count();
  for (int i = 0; i < fields_.Count(); ++i) {
    TFieldDesc& field = *fields_.GetItems(i);
    if (field.FieldKind() == fkCalculated) continue;
    if (field.DataType() == dtWideString && data_size_ % 2 != 0) ++data_size_;
    field.SetOffset(data_size_);
    data_size_ += field.Size();
    if (!field.HasParent() && IsComplexFieldType(field.DataType())) {
      has_complex_fields_ = true;
      complex_fields_.push_back(i);
    }
  }
  record_size_ = data_size_ + GetIndicatorSize();
  if (record_size_ % 2 != 0) ++record_size_;
  for (int i = 0; i < fields_.Count(); ++i) {
    TFieldDesc& field = *fields_.GetItems(i);
    if (field.FieldKind() != fkCalculated) continue;
    if (field.DataType() == dtWideString && (record_size_ + calc_data_size_) % 2 != 0) ++calc_data_size_;
    field.SetOffset(record_size_ + calc_data_size_);
    calc_data_size_ += field.Size();
  }
  calc_record_size_ = calc_data_size_ + calc_data_size_ % 2;
  PlanReads();
}

// ---- Record buffers ---------------------------------------------------------

TRecBuf TData::AllocRecBuf() const {
  void* rec = std::malloc(record_size_ ? record_size_ : 1);
  if (!rec) throw std::bad_alloc();
  return rec;
}

void TData::FreeRecBuf(TRecBuf rec) { std::free(rec); }

void TData::InitRecord(TRecBuf rec) {
  if (has_complex_fields_) std::memset(rec, 0, record_size_);
  std::memset(NullPtr(rec, 1), 1, GetFieldCount());
}

// ---- Complex values ---------------------------------------------------------

namespace {

bool IsHeapType(TDataType t) { return t == dtHeapString || t == dtHeapWideString || t == dtHeapVarBytes; }

}  // namespace

void TData::CreateComplexField(TRecBuf rec, const TFieldDesc& field, bool with_blob) {
  const TDataType t = field.DataType();
  if (IsBlobFieldType(t)) {
    if (!with_blob) return;
    auto* blob = new TBlob(t == dtWideMemo);
    blob->EnableRollback();
    SetSlot(rec, field, blob);
  } else if (t == dtVariant) {
    SetSlot(rec, field, new TVariantObject());
  } else if (IsHeapType(t)) {
    SetSlot(rec, field, nullptr);
  }
}

void TData::CreateComplexFields(TRecBuf rec, bool with_blob) {
  // The layout's list holds while no field was added since.
  if (complex_fields_of_count_ == fields_.Count()) {
    for (const int i : complex_fields_) CreateComplexField(rec, *fields_.GetItems(i), with_blob);
    return;
  }
  for (int i = 0; i < fields_.Count(); ++i) {
    const TFieldDesc& field = *fields_.GetItems(i);
    if (field.FieldKind() != fkCalculated && !field.HasParent() && IsComplexFieldType(field.DataType()))
      CreateComplexField(rec, field, with_blob);
  }
}

void TData::FreeComplexField(TRecBuf rec, const TFieldDesc& field, bool with_blob) {
  const TDataType t = field.DataType();
  if (IsHeapType(t)) {
    string_heap_.DisposeBuf(GetSlot(rec, field));
  } else if (IsBlobFieldType(t)) {
    if (!with_blob) return;
    ReleaseShared(static_cast<TSharedObject*>(GetSlot(rec, field)));
  } else {
    ReleaseShared(static_cast<TSharedObject*>(GetSlot(rec, field)));
  }
  SetSlot(rec, field, nullptr);
}

void TData::FreeComplexFields(TRecBuf rec, bool with_blob) {
  if (complex_fields_of_count_ == fields_.Count()) {
    for (const int i : complex_fields_) FreeComplexField(rec, *fields_.GetItems(i), with_blob);
    return;
  }
  for (int i = 0; i < fields_.Count(); ++i) {
    const TFieldDesc& field = *fields_.GetItems(i);
    if (field.FieldKind() != fkCalculated && !field.HasParent() && IsComplexFieldType(field.DataType()))
      FreeComplexField(rec, field, with_blob);
  }
}

void TData::CopyComplexFields(TRecBuf source, TRecBuf dest, bool with_blob) {
  for (int i = 0; i < fields_.Count(); ++i) {
    const TFieldDesc& field = *fields_.GetItems(i);
    const TDataType t = field.DataType();
    if (field.FieldKind() == fkCalculated || field.HasParent() || !IsComplexFieldType(t)) continue;
    void* value = GetSlot(source, field);
    if (IsHeapType(t)) {
      void* copy = nullptr;
      if (value) {
        const int size = TStringHeap::BufSize(value);
        copy = string_heap_.NewBuf(size);
        std::memcpy(copy, value, size);
      }
      SetSlot(dest, field, copy);
    } else if (!IsBlobFieldType(t) || with_blob) {
      if (value) static_cast<TSharedObject*>(value)->AddRef();
      SetSlot(dest, field, value);
    }
  }
}

void* TData::OwnEditedValue(const TFieldDesc&, void* value) {
  if (value != nullptr) static_cast<TSharedObject*>(value)->AddRef();
  return value;
}

void TData::AddRefComplexFields(TRecBuf rec) {
  for (int i = 0; i < fields_.Count(); ++i) {
    const TFieldDesc& field = *fields_.GetItems(i);
    const TDataType t = field.DataType();
    if (field.FieldKind() == fkCalculated || field.HasParent() || !IsComplexFieldType(t)) continue;
    void* value = GetSlot(rec, field);
    if (IsHeapType(t)) {
      string_heap_.AddRefStr(value);
      continue;
    }
    classlib::Assert(value != nullptr, __FILE__, __LINE__, "Shared object for " + field.Name() + "=nil");
    static_cast<TSharedObject*>(value)->AddRef();
  }
}

TBlob* TData::GetBlob(int field_no, TRecBuf rec) {
  const TFieldDesc& field = FieldOfNo(field_no);
  if (!IsBlobFieldType(field.DataType())) throw classlib::EDatabaseError(SNeedBlobType);
  TBlob* blob = nullptr;
  if (field.HasParent()) {
    // An attribute has no room in the record: its object hands over the
    // blob value it keeps for it.
    bool is_blank = true;
    GetChildField(field, rec, &blob, is_blank);
  } else {
    blob = static_cast<TBlob*>(GetSlot(rec, field));
  }
  classlib::Assert(blob != nullptr, __FILE__, __LINE__,
                   "Object for field " + field.Name() + "(" + std::to_string(field_no) + ") = nil");
  return blob;
}

// ---- Base bookmarks and filters ---------------------------------------------

void TData::SetToBegin() {
  bof_ = true;
  eof_ = false;
}

void TData::SetToEnd() {
  eof_ = true;
  bof_ = false;
}

void TData::GetBookmark(TRecBookmark& bookmark) {
  bookmark = TRecBookmark{};
  bookmark.record_no = GetRecordNo();
}

bool TData::StepNext(TRecBuf rec, TRecBookmark& bookmark) {
  GetNextRecord(rec);
  if (GetEOF()) return false;
  GetBookmark(bookmark);
  return true;
}

void TData::SetToBookmark(const TRecBookmark& bookmark) {
  if (bookmark.record_no != -1) SetRecordNo(bookmark.record_no);
}

bool TData::BookmarkValid(const TRecBookmark* bookmark) {
  return bookmark && (bookmark->record_no != -1 || bookmark->item);
}

int TData::CompareBookmarks(const TRecBookmark* b1, const TRecBookmark* b2) {
  if (!b1 || !b2) return b1 ? -1 : (b2 ? 1 : 0);
  if (b1->refresh_stamp == b2->refresh_stamp && b1->item == b2->item && b1->serial == b2->serial) return 0;
  if (b1->record_no < b2->record_no) return -1;
  return b1->record_no > b2->record_no ? 1 : 0;
}

void TData::SetCacheRecBuf(TRecBuf new_buf, TRecBuf old_buf) {
  new_cache_rec_buf_ = new_buf;
  old_cache_rec_buf_ = old_buf;
}

void TData::SetFilterText(const std::string& text) {
  filter_text_ = text;
  if (active_) ParseFilter();
}

void TData::DoOnInsertRecord(TRecBuf rec) {
  if (OnInsertRecord) OnInsertRecord(rec);
}
void TData::DoOnDeleteRecord(TRecBuf rec) {
  if (OnDeleteRecord) OnDeleteRecord(rec);
}
void TData::DoOnUpdateRecord(TRecBuf rec) {
  if (OnUpdateRecord) OnUpdateRecord(rec);
}
void TData::DoOnApplyRecord(int kind, int& action, bool last_item) {
  if (OnApplyRecord) OnApplyRecord(kind, action, last_item);
}

}  // namespace dacore
