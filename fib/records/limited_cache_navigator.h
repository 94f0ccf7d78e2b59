// The window of a data set that keeps only BufferChunks records of its result.
//
// The window is a run of consecutive records of the result in ORDER BY order,
// numbered by relative Int32 indexes, fed by one statement at a time: the
// select statement or the rows-after statement read forwards from after the
// window's last record, the whole-result-backwards or rows-before statement
// read backwards from before its first record. Moving past an end fetches
// from the feeding statement, or re-opens a keyset statement from the record
// at that end; a record that enters at one end pushes the record at the other
// end out. The cache holds the records as a ring: record index i lives at
// cache position (i mod BufferChunks) + 1, so records never move.
//
// Indexes never become negative: a backward step that would reach -1 first
// shifts every index up by BufferChunks, which keeps every ring position.
#pragma once

#include <cstdint>

#include "fib/records/fib_dataset_types.h"

namespace fib {

class ISQLObject;
class TFIBQuery;

// What the navigator moves; all of it belongs to the data set.
struct LimitedCacheCursor {
  TLimitedCacheWindow& window;
  int& current;       // the record at the internal cursor
  int& record_count;  // the window's size as the data set reports it
};

// What the window needs of the data set that owns it.
class ILimitedCacheHost {
 public:
  virtual ~ILimitedCacheHost() = default;
  // Copies the statement's current row into the cache as record index.
  virtual void StoreRow(TFIBQuery& statement, int index) = 0;
  // Adds delta to the record index that each of the data set's record
  // buffers holds.
  virtual void ShiftBufferIndexes(int delta) = 0;
  // The values of the cached record index, by field name: the keyset
  // statements continue from that record's sort values.
  virtual ISQLObject& RecordValues(int index) = 0;
  // The data set's current field values, for a refill around a row that is
  // no longer in the result.
  virtual ISQLObject& CurrentValues() = 0;
};

// The statements that move the window; all belong to the data set.
struct LimitedCacheStatements {
  TFIBQuery* select = nullptr;     // the data set's select statement
  TFIBQuery* desc = nullptr;       // the whole result, backwards
  TFIBQuery* part = nullptr;       // the rows after NEW_ values
  TFIBQuery* part_desc = nullptr;  // the rows before NEW_ values, backwards
};

// The outcome of one step, as the data set's GetRecord answers it.
enum class WindowStep { kOK, kBOF, kEOF, kError };

class TLimitedCacheNavigator {
 public:
  // The index the window starts from after going to the last record.
  static constexpr int kLastStart = 1073741823;

  TLimitedCacheNavigator(ILimitedCacheHost& host, LimitedCacheCursor cursor,
                         LimitedCacheStatements statements, int buffer_chunks);

  // ---- state ----
  int FirstIndex() const { return first_; }
  int LastIndex() const { return last_; }
  bool AtStart() const { return at_start_; }
  bool AtEnd() const { return at_end_; }
  // The record at the cursor; -1 and LastIndex() + 1 stand before the first
  // and after the last record.
  int Current() const { return current_; }
  int RecordCount() const { return record_count_; }
  int BufferChunks() const { return chunks_; }
  const TFIBQuery* Feeder() const { return feeder_; }
  bool Contains(int index) const { return first_ >= 0 && first_ <= index && index <= last_; }
  // The cache position (logical number) of a record index.
  int CachePosition(int index) const { return index % chunks_ + 1; }

  // ---- moves ----
  // The window as the freshly executed select statement leaves it: empty,
  // at the start, fed by the select statement.
  void Reset();
  // One step; on kOK the record at Current() is the one to read.
  WindowStep Next();
  WindowStep Prior();
  WindowStep AtCursor() const;
  // To before the first record of the result; executes the select statement
  // again unless the window already begins at its first row.
  void GoFirst();
  // To after the last record: reads the last BufferChunks rows backwards.
  // While inserting, or when the window already holds the last row, only
  // the cursor moves.
  void GoLast(bool inserting);
  // Refills the whole window around the row the statement finds, placed at
  // target (at least BufferChunks div 2; written back, shifted when the
  // indexes shifted). execute: run the statement first (otherwise the caller
  // has run it and it stands on its row). give_up: when no row comes,
  // answer false and change nothing; otherwise the window is filled around
  // the data set's current values.
  bool FillAround(TFIBQuery& statement, int& target, bool give_up, bool execute);

 private:
  static bool IsForward(const TFIBQuery* statement, const LimitedCacheStatements& s) {
    return statement == s.select || statement == s.part;
  }
  // Closes the statement, copies the select statement's parameter values to
  // its parameters of the same name and executes it without fetching.
  void Execute(TFIBQuery& statement);
  // Executes a keyset statement from the sort values of source.
  void Reopen(TFIBQuery& statement, ISQLObject& source);
  void Store(int index) { host_.StoreRow(*feeder_, index); }
  // The feeder's current row joins the window at one end.
  void EnterAfter();
  void EnterBefore();
  void Shift();
  // Fetches up to limit rows of statement into index from-1, from-2 ...
  // (backward) or from+1, from+2 ... (forward), moving that end of the window.
  void Fill(TFIBQuery& statement, int from, int limit, bool backward);

  ILimitedCacheHost& host_;
  LimitedCacheStatements statements_;
  int chunks_;
  // The window and cursor, held by the data set under its own names.
  int32_t& first_;
  int32_t& last_;
  bool& at_start_;
  bool& at_end_;
  TFIBQuery*& feeder_;
  int& current_;
  int& record_count_;
  int shifts_ = 0;  // shifts since a refill began
};

}  // namespace fib
