// A small in-memory data set for the tests: rows kept in a vector, record
// buffers laid out as [per column: present byte + value][calculated area]
// [row id, bookmark flag]. It overrides the record-buffer protocol the way a
// real data access layer does, so the tests drive the base class for real.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "classlib/dataset.h"
#include "classlib/db_types.h"
#include "classlib/variant.h"

namespace classlib::testing {

class TestTable : public TDataSet {
 public:
  explicit TestTable(TComponent* owner = nullptr);
  ~TestTable() override;

  // Columns are declared before the first open.
  void AddColumn(const std::string& name, TFieldType type, int size = 0, bool required = false);

  // Rows stored (ignoring the filter).
  int StoredRows() const { return static_cast<int>(rows_.size()); }
  // The next n posts (edits, deletes) fail with EDatabaseError.
  int fail_posts = 0;
  int fail_edits = 0;
  int fail_deletes = 0;
  // Whether the table accepts changes at all.
  bool read_only = false;

  bool Locate(const std::string& key_fields, const Variant& key_values,
              TLocateOptions options) override;
  Variant Lookup(const std::string& key_fields, const Variant& key_values,
                 const std::string& result_fields) override;
  bool BookmarkValid(const TBookmark& bookmark) override;
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
  bool GetFieldData(TField* field, void* buffer) override;
  using TDataSet::GetFieldData;
  void SetFieldData(TField* field, const void* buffer) override;
  using TDataSet::SetFieldData;
  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;

  // Exposed for tests that check the ring.
  using TDataSet::ActiveRecord;
  using TDataSet::BufferCount;
  using TDataSet::BufferedRecords;
  using TDataSet::SetBufferCount;

 protected:
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool do_check) override;
  int GetRecordSize() const override { return record_size_; }
  void GetBookmarkData(TRecordBuffer buffer, void* data) override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  void InternalFirst() override { cursor_ = -1; }
  void InternalLast() override { cursor_ = StoredRows(); }
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  bool IsCursorOpen() const override { return open_; }
  void InternalEdit() override;
  void InternalPost() override;
  void InternalDelete() override;
  bool GetCanModify() const override { return !read_only; }
  int GetRecordCount() const override;
  int GetRecNo() const override;
  void SetRecNoValue(int value) override;
  TRecordBuffer GetActiveRecordBuffer() const override;

 private:
  class BlobStream;
  struct Column {
    std::string name;
    TFieldType type;
    int size;
    bool required;
  };
  struct Row {
    int32_t id;
    std::vector<uint8_t> data;
  };
  struct Info {
    int32_t id;
    uint8_t flag;
  };

  int BufferSize() const;
  int InfoOffset() const;
  Info& InfoOf(TRecordBuffer buffer) const;
  int IndexOfId(int32_t id) const;
  int SlotOffset(const TField* field) const;
  int SlotSize(int column) const;
  // Reads row index into buffer and checks it against the filter.
  bool ReadRow(int index, TRecordBuffer buffer);
  bool Matches(TRecordBuffer buffer, const std::vector<TField*>& keys, const Variant& values);

  std::vector<Column> columns_;
  std::vector<int> offsets_;
  int record_size_ = 0;
  std::vector<Row> rows_;
  int32_t next_id_ = 1;
  int cursor_ = -1;
  bool open_ = false;
  std::vector<uint8_t> old_record_;
  TRecordBuffer old_buffer_ = nullptr;
  // Blob values live here; a blob slot of a record holds an index into it.
  std::vector<std::string> blobs_{std::string()};
};

}  // namespace classlib::testing
