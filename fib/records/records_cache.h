// The rows a buffered data set has fetched, kept in memory.
//
// Records live in fixed-size pages that are never moved, so a pointer to a
// stored record stays valid until the cache is destroyed. A stored record
// has a physical number (1, 2, 3 ... in order of allocation) that fixes its
// place in the pages; the data set addresses records by logical number, and
// an order list maps one onto the other so that records can be inserted,
// deleted, moved and sorted without copying them. Long text values live
// beside the pages in a string store, one column per long text field and one
// row per physical record. A second store, the log, keeps a copy of a
// record's earlier contents for cached updates.
//
// Expanded and stored records. The data set hands the cache its record
// buffers without the 5 bytes it keeps for itself; what remains is the
// expanded record (BufferSize bytes): the fixed part, then one slot per long
// text field (an Int32 length followed by the field's width in bytes), then
// the tail. The stored record (RecordSize bytes) is the fixed part followed
// directly by the tail: the slots are cut out and their texts go to the
// string store. Without long text fields the stored record is the first
// RecordSize bytes of the expanded record.
//
// The cache is plain memory used from the thread that owns the data set.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "classlib/exceptions.h"
#include "classlib/object.h"
#include "fib/base/string_collection.h"

namespace fib {

// Bytes of the length word that starts a long text field's slot.
inline constexpr int kTextLengthSize = 4;

// An entry of the log index: a physical record number and the log slot
// (1, 2, 3 ... in order of first save) that holds its earlier contents.
struct TLogEntry {
  int32_t physical;
  int32_t slot;
};

// Where a field's value is: its bytes inside the stored record, or for a
// long text field the string store's cell that holds its text.
struct TFieldDataRef {
  uint8_t* value = nullptr;
  const std::string* text = nullptr;
};

class TRecordsCache : public classlib::TObject {
  CLASSLIB_CLASS(TRecordsCache, classlib::TObject)
 public:
  // block_records: records wanted per page (the data set's BufferChunks);
  // buffer_size: bytes of the expanded record, that is the data set's record
  // buffer less its first 5 bytes; record_size: bytes of a stored record;
  // string_count: number of long text fields (0 for none). Sizes that do not
  // fit together raise EMemManagerError "Incompatible Sizes".
  TRecordsCache(int block_records, int buffer_size, int record_size, int string_count);
  ~TRecordsCache() override;
  TRecordsCache(const TRecordsCache&) = delete;
  TRecordsCache& operator=(const TRecordsCache&) = delete;

  // ---- geometry and pages ----
  int BlockSize() const { return block_size_; }
  int BufferSize() const { return buffer_size_; }
  int RecordSize() const { return record_size_; }
  int RecordsPerBlock() const { return records_per_block_; }
  int StringCount() const { return string_count_; }
  // The highest physical number in use.
  int RecordCount() const { return record_count_; }
  int PageCount() const { return static_cast<int>(pages_.size()); }
  // Appends one page; its records read as zero bytes until written.
  void AddPage();

  // ---- record numbers and addresses ----
  // The physical number of a logical one: the order list's entry, the
  // number itself while there is no list, -1 when the list is shorter.
  int RecordIndex(int logical) const {
    if (!has_order_) return logical;
    if (logical < 1 || logical > static_cast<int>(order_.size())) return -1;
    return order_[static_cast<size_t>(logical - 1)];
  }
  // The stored record of a logical number, allocating numbers and pages up
  // to it on the way.
  // Whether Grow(logical) hands out a record never reached before, and so
  // zero-filled (only known for records kept in fetch order).
  bool Unreached(int logical) const { return !has_order_ && logical > reached_records_; }
  uint8_t* Grow(int logical) {
    // Rows are fetched in order into pages already there, mostly.
    if (!has_order_) [[likely]] {
      if (uint8_t* record = StoredRecord(logical)) [[likely]] {
        record_count_ = std::max(record_count_, logical);
        return record;
      }
    }
    return GrowPages(logical);
  }
  int OffsetInBlock(int number, bool is_physical) const;
  // The page of a record (-1 for a number that names no record); with
  // allocate the record is grown first.
  int BlockOfIndex(int number, bool allocate, bool is_physical);
  // The stored record; raises when its page does not exist.
  uint8_t* GetRecordBuffer(int logical);
  // The stored record, or nullptr when its page does not exist.
  uint8_t* RecordPointer(int logical);

  // ---- expanded records ----
  // Places long text field k (1-based, in column order) at offset of the
  // expanded record with width bytes of text. Ignored without a string store
  // or for k outside 1..StringCount.
  void SetStringLayout(int k, int offset, int width);
  // Bytes of an expanded record that ReadRecord writes and WriteRecord reads.
  int ExpandedSize();
  // Fills destination with the expanded record; from_log reads the record's
  // saved earlier contents when it has any.
  void ReadRecord(int logical, std::span<uint8_t> destination, bool from_log) {
    // A record without long texts and without an order list, cleared
    // before (as every record a walk reads was, when it was fetched), is
    // read as it is stored, in one copy; inline and without a call besides
    // the copy, as a walk reads every record so.
    if (string_count_ == 0 && !has_order_ && !from_log &&
        destination.size() >= static_cast<size_t>(record_size_)) [[likely]] {
      if (const uint8_t* stored = ClearedRecord(logical)) [[likely]] {
        std::memcpy(destination.data(), stored, static_cast<size_t>(record_size_));
        return;
      }
    }
    ReadRecordFully(logical, destination, from_log);
  }
  // Stores an expanded record; an empty source fills the stored record with
  // zero bytes instead (its texts stay).
  void WriteRecord(int logical, std::span<const uint8_t> source, bool allocate);
  // Where a field of a stored record is: for string_index -1 the bytes at
  // field_offset of the stored record, else the string store's cell of that
  // column. record_pointer receives the stored record. A cell is read at
  // once: writing the record again replaces its text.
  TFieldDataRef ReadFieldData(int logical, int field_offset, uint8_t*& record_pointer,
                              int string_index);

  // ---- long text values while rows are fetched ----
  // Both address the row of 0-based record index (logical number - 1) and
  // store at most the column's width, without trailing blanks.
  void SetStringValue(int column, int index, const std::string& text);
  // length < 0 means: with trim the column's width, without trim up to the
  // first zero byte. With trim, trailing characters below code 33 are dropped
  // and a zero byte marks the new end in characters (never past length).
  void SetStringBuffer(int column, int index, bool trim, int length, char* characters);
  // A fetched row's text, already trimmed as the caller wants: `length`
  // bytes of `text` (the column's width at most). Inline: it runs for every
  // long text of every fetched row.
  void SetFetchedText(int column, int index, const char* text, int length) {
    length = std::min(length, StringWidth(column));
    const int row = StringRowOf(index);
    // The row exists once the record's first text was stored: only the
    // first text of a new row grows the store.
    if (row >= strings_->RowCount()) [[unlikely]]
      EnsureRow(*strings_, row);
    strings_->SetCell(column, row, text, length);
  }
  // Length of text[0, length) without its trailing blanks and control
  // characters; texts are single-byte code page 1251, whose letters from
  // 0x80 up are no blanks.
  static size_t TrimmedLength(const char* text, size_t length) {
    while (length > 0 && static_cast<unsigned char>(text[length - 1]) <= ' ') --length;
    return length;
  }

  // ---- the current buffer: one expanded record held for the data set ----
  int CurrentRecNo() const { return current_rec_no_; }
  // The current buffer loaded for the record (BufferSize bytes).
  uint8_t* GetCurrentBuffer(int logical);
  void LoadCurrentBuffer(int logical);
  // The record took another row: the current buffer no longer holds it
  // and is loaded again when next asked for.
  void ForgetCurrent() { current_rec_no_ = -1; }
  // Stores the current buffer as the record.
  void WriteCurrent(int logical);

  // ---- the log of earlier contents ----
  bool LogMode() const { return log_mode_; }
  void SetLogMode(bool log_mode) { log_mode_ = log_mode; }
  int LogCount() const { return static_cast<int>(log_index_.size()); }
  int LogPageCount() const { return static_cast<int>(log_pages_.size()); }
  // Copies the record's present contents into its log slot.
  void SaveToLog(int logical);
  // Replaces the record's saved earlier contents by an expanded record;
  // false when it has none.
  bool WriteSavedRecord(int logical, std::span<const uint8_t> source);
  // The log entry of a physical number; with insert a missing one is added
  // with the next slot.
  std::optional<TLogEntry> FindLogEntry(int physical, bool insert);
  // Forgets every saved record.
  void ClearLog();

  // ---- record order (0-based positions unless said) ----
  bool HasOrderList() const { return has_order_; }
  void SwapRecords(int i, int j);
  void MoveRecord(int from, int to);
  // A new physical record at the position.
  void InsertRecord(int position);
  // Removes the record of a logical (1-based) number from the order.
  void DeleteRecord(int logical);
  int PhysicalNoAt(int position) const { return RecordIndex(position + 1); }
  // The 0-based position of a physical number, -1 when no position holds it.
  int LogicalIndexOf(int physical) const;
  bool RecordExists(int number) const;

 private:
  struct StringSlot {
    int offset = 0;
    int width = 0;
  };
  using Page = std::unique_ptr<uint8_t[]>;

  // Pages and records.
  // A zero-filled page (the log's), and a record page left as allocated.
  Page NewPage() const;
  Page NewRecordPage() const;
  // Grow when the record's page is not there yet or an order list decides.
  uint8_t* GrowPages(int logical);
  // Where a physical number's record lies, or nullptr when its page does not
  // exist; nothing is cleared.
  uint8_t* RecordPlace(int physical) const {
    // Numbers start at 1: anything below would land before the first page.
    if (physical < 1) return nullptr;
    const int page = (physical - 1) / records_per_block_;
    if (page >= PageCount()) return nullptr;
    return pages_[static_cast<size_t>(page)].get() +
           (physical - 1 - page * records_per_block_) * record_size_;
  }
  uint8_t* StoredRecord(int physical) {
    uint8_t* record = RecordPlace(physical);
    if (record != nullptr && physical > reached_records_) {
      if (physical > cleared_records_) [[unlikely]] ClearRecordsUpTo(physical);
      reached_records_ = physical;
    }
    return record;
  }
  // Record pages are not cleared when they are made: a record reads as zero
  // bytes until it is written, so it is cleared when first reached, with
  // every record before it that never was, and a few after it on its page.
  // Clearing a short run at a time writes only about the records a data set
  // really fills, in the cache lines it is about to fill anyway, and a
  // walk pays for one clearing call every run instead of every record.
  void ClearRecordsUpTo(int physical);
  uint8_t* LogRecord(int slot);

  // Expanding and compacting.
  void CheckLayout();
  // Refuses a buffer shorter than the expanded record; once the layout is
  // checked this is one comparison, made for every record read.
  void CheckBuffer(size_t size) {
    const bool known = string_count_ == 0 || layout_checked_;
    const int needed = string_count_ == 0 ? record_size_ : expanded_size_;
    if (!known || size < static_cast<size_t>(needed)) [[unlikely]]
      CheckBufferFully(size);
  }
  void CheckBufferFully(size_t size);
  // ReadRecord for every other record, and for the failures.
  void ReadRecordFully(int logical, std::span<uint8_t> destination, bool from_log);
  // The stored record of a physical number already cleared (so it holds
  // what was written or zeros), else nullptr: StoredRecord's place, found
  // without anything to clear and without counting the record as reached.
  const uint8_t* ClearedRecord(int physical) const {
    return physical > cleared_records_ ? nullptr : RecordPlace(physical);
  }
  // Inlined into the record reads: it runs for every record shown.
  [[gnu::always_inline]] inline void Expand(const uint8_t* stored, TStringCollection* strings,
                                            int row,
              std::span<uint8_t> destination);
  // Expands the record's saved earlier contents; false when it has none.
  bool ReadSavedRecord(int physical, std::span<uint8_t> destination);
  // Compacts into a stored record whose long texts are row `row` of
  // `strings` (the records' store or the log's).
  void Compact(std::span<const uint8_t> source, uint8_t* stored, TStringCollection* strings,
               int row);
  int StringWidth(int column) const {
    // Checked without building the assertion's arguments: this runs for
    // every long text of every fetched row.
    if (strings_ == nullptr || column < 0 || column >= string_count_) [[unlikely]]
      AssertionFailed(__FILE__, __LINE__);
    return string_slots_[static_cast<size_t>(column)].width;
  }
  // Raises the class library's assertion failure for that place.
  [[noreturn, gnu::cold]] static void AssertionFailed(const char* file, int line);
  // The string store's row of a 0-based record index: rows follow physical
  // numbers, so the order list decides once there is one.
  int StringRowOf(int index) const { return has_order_ ? RecordIndex(index + 1) - 1 : index; }
  // Adds rows to a string store until row exists; answers whether any was.
  static bool EnsureRow(TStringCollection& strings, int row) {
    bool added = false;
    while (strings.RowCount() <= row) {
      strings.Grow();
      added = true;
    }
    return added;
  }
  // A record whose texts were never set reads them as empty.
  static const std::string& CellOrEmpty(const TStringCollection& strings, int column, int row) {
    const std::string* cell = strings.FindCell(column, row);
    return cell != nullptr ? *cell : kNoText;
  }
  static const std::string kNoText;

  // The current buffer.
  void BlankCurrent();

  // Log and order.
  TLogEntry FindOrInsertLogEntry(int physical, bool& inserted);
  void DropLogEntry(int physical);
  void EnsureOrderList();
  void CheckPosition(int position, int limit) const;
  void OrderChanged() { current_rec_no_ = -1; }

  std::vector<int32_t> order_;
  bool has_order_ = false;
  std::unique_ptr<TStringCollection> strings_;
  std::unique_ptr<TStringCollection> log_strings_;
  std::vector<Page> pages_;
  std::vector<Page> log_pages_;
  std::vector<TLogEntry> log_index_;  // ascending physical numbers
  int log_slots_ = 0;                 // slots handed out since the log was cleared
  int current_rec_no_ = -1;
  std::vector<uint8_t> current_;
  int block_size_ = 0;
  int record_size_ = 0;
  int buffer_size_ = 0;
  int record_count_ = 0;
  // Records up to reached_records_ may hold what was written; those after
  // it up to cleared_records_ are cleared and never written since.
  int reached_records_ = 0;
  int cleared_records_ = 0;
  std::vector<StringSlot> string_slots_;
  bool layout_checked_ = false;
  int expanded_size_ = 0;  // set with layout_checked_
  int records_per_block_ = 0;
  int string_count_ = 0;
  bool log_mode_ = false;
};

}  // namespace fib
