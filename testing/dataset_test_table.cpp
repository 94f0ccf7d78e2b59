#include "testing/dataset_test_table.h"

#include <cstring>

#include "classlib/field.h"
#include "classlib/field_defs.h"
#include "classlib/fields.h"
#include "classlib/stream.h"

namespace classlib::testing {

// A blob's bytes while a field reads or writes them; a written stream
// stores its bytes as a new blob of the record when it is freed.
class TestTable::BlobStream : public TMemoryStream {
 public:
  BlobStream(TestTable* table, TField* field, TRecordBuffer record, bool write)
      : table_(table), field_(field), record_(record), write_(write) {
    uint8_t* slot = record + table->SlotOffset(field);
    int32_t handle = 0;
    std::memcpy(&handle, slot + 1, sizeof handle);
    if (!write && slot[0] != 0) {
      const std::string& bytes = table->blobs_[static_cast<std::size_t>(handle)];
      if (!bytes.empty()) WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
      SetPosition(0);
    }
  }
  ~BlobStream() override {
    if (!write_) return;
    table_->blobs_.emplace_back(Memory(), static_cast<std::size_t>(Size()));
    int32_t handle = static_cast<int32_t>(table_->blobs_.size() - 1);
    uint8_t* slot = record_ + table_->SlotOffset(field_);
    slot[0] = Size() > 0 ? 1 : 0;
    std::memcpy(slot + 1, &handle, sizeof handle);
    table_->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field_));
  }

 private:
  TestTable* table_;
  TField* field_;
  TRecordBuffer record_;
  bool write_;
};

TestTable::TestTable(TComponent* owner) : TDataSet(owner) {}

TestTable::~TestTable() {
  Destroying();
  SetActive(false);
}

void TestTable::AddColumn(const std::string& name, TFieldType type, int size, bool required) {
  columns_.push_back({name, type, size, required});
  FieldDefs().SetUpdated(false);
}

void TestTable::InternalInitFieldDefs() {
  FieldDefs().Clear();
  for (const Column& column : columns_) FieldDefs().Add(column.name, column.type, column.size, column.required);
}

void TestTable::InternalOpen() {
  InitFieldDefs();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  offsets_.assign(columns_.size(), -1);
  record_size_ = 0;
  for (TField* field : Fields().List()) {
    if (field->FieldNo() <= 0) continue;
    offsets_[static_cast<std::size_t>(field->FieldNo() - 1)] = record_size_;
    record_size_ += 1 + (field->IsBlob() ? 4 : field->DataSize());
  }
  SetBookmarkSize(sizeof(int32_t));
  SetCalcFieldsOffset(record_size_);
  for (Row& row : rows_) row.data.resize(static_cast<std::size_t>(record_size_));
  old_record_.assign(static_cast<std::size_t>(BufferSize()), 0);
  cursor_ = -1;
  open_ = true;
}

void TestTable::InternalClose() {
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  open_ = false;
}

// ---- Buffers -------------------------------------------------------------------

TRecordBuffer TestTable::AllocRecordBuffer() {
  auto* buffer = new uint8_t[static_cast<std::size_t>(BufferSize())];
  std::memset(buffer, 0, static_cast<std::size_t>(BufferSize()));
  return buffer;
}

void TestTable::FreeRecordBuffer(TRecordBuffer& buffer) {
  delete[] buffer;
  buffer = nullptr;
}

int TestTable::BufferSize() const { return InfoOffset() + static_cast<int>(sizeof(Info)); }

// The row id and flag sit after the calculated area, aligned for Info.
int TestTable::InfoOffset() const { return (record_size_ + CalcFieldsSize() + 7) / 8 * 8; }

TestTable::Info& TestTable::InfoOf(TRecordBuffer buffer) const {
  return *reinterpret_cast<Info*>(buffer + InfoOffset());
}

void TestTable::InternalInitRecord(TRecordBuffer buffer) {
  std::memset(buffer, 0, static_cast<std::size_t>(record_size_));
}

int TestTable::IndexOfId(int32_t id) const {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].id == id) return static_cast<int>(i);
  return -1;
}

int TestTable::SlotOffset(const TField* field) const {
  return offsets_[static_cast<std::size_t>(field->FieldNo() - 1)];
}

bool TestTable::ReadRow(int index, TRecordBuffer buffer) {
  const Row& row = rows_[static_cast<std::size_t>(index)];
  std::memcpy(buffer, row.data.data(), static_cast<std::size_t>(record_size_));
  InfoOf(buffer) = Info{row.id, static_cast<uint8_t>(bfCurrent)};
  GetCalcFields(buffer);
  return !Filtered() || RecordFilter(buffer);
}

TGetResult TestTable::GetRecord(TRecordBuffer buffer, TGetMode mode, bool) {
  const int count = StoredRows();
  for (;;) {
    switch (mode) {
      case gmNext:
        if (cursor_ >= count - 1) {
          cursor_ = count;
          return grEOF;
        }
        ++cursor_;
        break;
      case gmPrior:
        if (cursor_ <= 0) {
          cursor_ = -1;
          return grBOF;
        }
        --cursor_;
        break;
      case gmCurrent:
        if (cursor_ < 0 || cursor_ >= count) return grError;
        break;
    }
    if (ReadRow(cursor_, buffer)) return grOK;
    // A filtered-out record: the current one gives way to the next.
    if (mode == gmCurrent) mode = gmNext;
  }
}

void TestTable::GetBookmarkData(TRecordBuffer buffer, void* data) {
  std::memcpy(data, &InfoOf(buffer).id, sizeof(int32_t));
}

void TestTable::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  std::memcpy(&InfoOf(buffer).id, data, sizeof(int32_t));
}

TBookmarkFlag TestTable::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(InfoOf(buffer).flag);
}

void TestTable::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
  InfoOf(buffer).flag = static_cast<uint8_t>(flag);
}

void TestTable::InternalGotoBookmark(const void* bookmark) {
  int32_t id = 0;
  std::memcpy(&id, bookmark, sizeof id);
  int index = IndexOfId(id);
  if (index < 0) DatabaseError("Record not found", this);
  cursor_ = index;
}

void TestTable::InternalSetToRecord(TRecordBuffer buffer) {
  int index = IndexOfId(InfoOf(buffer).id);
  if (index >= 0) cursor_ = index;
}

bool TestTable::BookmarkValid(const TBookmark& bookmark) {
  if (bookmark.size() != sizeof(int32_t)) return false;
  int32_t id = 0;
  std::memcpy(&id, bookmark.data(), sizeof id);
  return IndexOfId(id) >= 0;
}

int TestTable::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a.empty() || b.empty()) return TDataSet::CompareBookmarks(a, b);
  int32_t ia = 0, ib = 0;
  std::memcpy(&ia, a.data(), sizeof ia);
  std::memcpy(&ib, b.data(), sizeof ib);
  int pa = IndexOfId(ia), pb = IndexOfId(ib);
  return pa < pb ? -1 : pa > pb ? 1 : 0;
}

int TestTable::GetRecordCount() const {
  if (!Filtered()) return StoredRows();
  auto* self = const_cast<TestTable*>(this);
  std::vector<uint8_t> scratch(old_record_.size());
  int count = 0;
  for (int i = 0; i < StoredRows(); ++i)
    if (self->ReadRow(i, scratch.data())) ++count;
  return count;
}

int TestTable::GetRecNo() const {
  TRecordBuffer buffer = ActiveBuffer();
  if (buffer == nullptr) return 0;
  return IndexOfId(InfoOf(buffer).id) + 1;
}

void TestTable::SetRecNoValue(int value) {
  CheckBrowseMode();
  if (value < 1 || value > StoredRows()) return;
  DoBeforeScroll();
  cursor_ = value - 1;
  Resync({rmCenter});
  DoAfterScroll();
}

TRecordBuffer TestTable::GetActiveRecordBuffer() const {
  if (State() == dsOldValue) return old_buffer_;
  return TDataSet::GetActiveRecordBuffer();
}

// ---- Field data ----------------------------------------------------------------

bool TestTable::GetFieldData(TField* field, void* buffer) {
  if (field->FieldNo() <= 0) return TDataSet::GetFieldData(field, buffer);
  TRecordBuffer record = ActiveBuffer();
  if (record == nullptr) return false;
  const uint8_t* slot = record + SlotOffset(field);
  if (slot[0] == 0) return false;
  if (buffer != nullptr) std::memcpy(buffer, slot + 1, static_cast<std::size_t>(field->DataSize()));
  return true;
}

void TestTable::SetFieldData(TField* field, const void* buffer) {
  if (field->FieldNo() <= 0) {
    TDataSet::SetFieldData(field, buffer);
    return;
  }
  if (State() != dsEdit && State() != dsInsert && State() != dsNewValue)
    DatabaseError("Dataset not in edit or insert mode", this);
  if (field->ReadOnly())
    DatabaseError(FormatMessage("Field '%s' cannot be modified", {field->DisplayName()}), this);
  field->Validate(buffer);
  uint8_t* slot = ActiveBuffer() + SlotOffset(field);
  slot[0] = buffer != nullptr ? 1 : 0;
  if (buffer != nullptr)
    std::memcpy(slot + 1, buffer, static_cast<std::size_t>(field->DataSize()));
  DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

std::unique_ptr<TStream> TestTable::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  const bool write = mode != bmRead;
  if (write && State() != dsEdit && State() != dsInsert)
    DatabaseError("Dataset not in edit or insert mode", this);
  TRecordBuffer record = ActiveBuffer();
  if (record == nullptr) return std::make_unique<TMemoryStream>();
  return std::make_unique<BlobStream>(this, field, record, write);
}

// ---- Editing ----------------------------------------------------------------------

void TestTable::InternalEdit() {
  if (fail_edits > 0) {
    --fail_edits;
    DatabaseError("Record locked by another user", this);
  }
  // The old values stay readable while the record is edited.
  std::memcpy(old_record_.data(), ActiveBuffer(), old_record_.size());
  old_buffer_ = old_record_.data();
}

void TestTable::InternalPost() {
  TDataSet::InternalPost();
  if (fail_posts > 0) {
    --fail_posts;
    DatabaseError("Key violation", this);
  }
  TRecordBuffer buffer = ActiveBuffer();
  std::vector<uint8_t> data(buffer, buffer + record_size_);
  if (State() == dsEdit) {
    rows_[static_cast<std::size_t>(IndexOfId(InfoOf(buffer).id))].data = std::move(data);
  } else {
    // A new record goes before the record it was inserted at, or at the end.
    int at = StoredRows();
    if (GetBookmarkFlag(buffer) == bfInserted) {
      int index = IndexOfId(InfoOf(buffer).id);
      if (index >= 0) at = index;
    }
    rows_.insert(rows_.begin() + at, Row{next_id_++, std::move(data)});
    cursor_ = at;
  }
  old_buffer_ = nullptr;
}

void TestTable::InternalDelete() {
  if (fail_deletes > 0) {
    --fail_deletes;
    DatabaseError("Record locked by another user", this);
  }
  rows_.erase(rows_.begin() + cursor_);
  if (cursor_ >= StoredRows()) cursor_ = StoredRows() - 1;
}

// ---- Searching ---------------------------------------------------------------------

bool TestTable::Matches(TRecordBuffer buffer, const std::vector<TField*>& keys,
                        const Variant& values) {
  TDataSetState old = SetTempState(dsFilter);
  TRecordBuffer old_filter = FilterBuffer();
  SetFilterBuffer(buffer);
  bool match = true;
  for (std::size_t i = 0; i < keys.size() && match; ++i) {
    Variant wanted = keys.size() == 1 ? values : VarArrayGet(values, {static_cast<int>(i)});
    match = VarSameValue(keys[i]->Value(), wanted);
  }
  SetFilterBuffer(old_filter);
  RestoreState(old);
  return match;
}

bool TestTable::Locate(const std::string& key_fields, const Variant& key_values, TLocateOptions) {
  CheckBrowseMode();
  std::vector<TField*> keys;
  GetFieldList(keys, key_fields);
  std::vector<uint8_t> scratch(old_record_.size());
  for (int i = 0; i < StoredRows(); ++i) {
    if (!ReadRow(i, scratch.data()) || !Matches(scratch.data(), keys, key_values)) continue;
    DoBeforeScroll();
    cursor_ = i;
    Resync({rmExact, rmCenter});
    DoAfterScroll();
    SetFound(true);
    return true;
  }
  SetFound(false);
  return false;
}

Variant TestTable::Lookup(const std::string& key_fields, const Variant& key_values,
                          const std::string& result_fields) {
  std::vector<TField*> keys;
  GetFieldList(keys, key_fields);
  std::vector<uint8_t> scratch(old_record_.size());
  for (int i = 0; i < StoredRows(); ++i) {
    if (!ReadRow(i, scratch.data()) || !Matches(scratch.data(), keys, key_values)) continue;
    TDataSetState old = SetTempState(dsFilter);
    SetFilterBuffer(scratch.data());
    Variant result = FieldByName(result_fields)->Value();
    RestoreState(old);
    return result;
  }
  return Null();
}

}  // namespace classlib::testing
