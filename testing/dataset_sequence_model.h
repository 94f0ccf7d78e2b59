// The reference model of a data set under operation sequences, for the
// drivers that check a data-set component against it: the rows the server
// holds, the records the data set holds (with their cached-updates status
// and the values a revert gives back), the order they show in under the
// filter and the local sort, the current record, and what each operation
// does to all of that. It also makes up the operations, for the state it is
// in, and says which of them can run.
//
// What it leaves to the driver: how the component is driven and read, the
// SQL of the table, and how a value number reads in each column (the
// table's value kinds differ by layer). The driver hands over what it read
// of the component after a step (Observed) and gets the differences back.
#pragma once

#include <array>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "testing/sequence_engine.h"

namespace sequences {

// Each cell as its field reads it (blobs in hexadecimal); nullopt for NULL.
using Cell = std::optional<std::string>;

// Room for the widest table a driver uses; a narrower table leaves the
// cells past its own columns NULL, on the component's side too.
constexpr int kMaxColumns = 8;

// The value columns every driver's table begins with (after ID), in this
// order: the filter, the local sort and the blob operations read them.
enum ModelColumn { kColumnI, kColumnS, kColumnM, kColumnB };

constexpr int kValues = 9;          // value numbers 1..9; 0 is NULL
constexpr int kRefusedI = 666;      // the table's CHECK constraint refuses it
constexpr int kFirstRows = 6;       // IDs 1..6 hold rows when a sequence starts
constexpr int kDetailParents = 40;  // DT holds PID % 3 rows for each PID up to it

// The value number of a column of one of the first rows (some are NULL).
int FirstRowValue(int id, int column);

struct ModelRow {
  int id = 0;
  std::array<Cell, kMaxColumns> cells;
  Cell stamp;  // written only by the server's triggers
  bool operator==(const ModelRow&) const = default;
};

// A record the data set holds, with its cached-updates state.
struct HeldRow {
  ModelRow shown;
  ModelRow original;  // as last read or applied: what a revert gives back
  enum Status { kUnmodified, kModified, kInserted, kDeleted } status = kUnmodified;
};

// What differs between the drivers' tables.
struct ModelTable {
  std::vector<std::string> column_names;  // the value columns after ID
  // How a field reads the value number that SQL text wrote.
  Cell (*value_cell)(int column, int v) = nullptr;
  // How a field reads the value number it was given itself (a field may
  // keep less of it than SQL text does).
  Cell (*written_cell)(int column, int v) = nullptr;
  // Who writes behind the data set, in the steps' descriptions.
  std::string other_writer;
};

// What the driver read of its component after a step.
struct Observed {
  bool browsing = true;
  int state = 0;        // the data set's state, printed when not browsing
  std::string answer;   // what the last Locate or Lookup answered
  std::vector<ModelRow> shown;
  int current = -1;     // the current record's ID; -1 when none is shown
  int record_count = 0;
  bool updates_pending = false;  // read only under cached updates
  std::vector<int> detail_ids;   // read only while the detail is linked
  std::vector<ModelRow> server;  // in ID order
};

class DataSetModel {
 public:
  explicit DataSetModel(ModelTable table);

  // A fresh model: the server holds `first_rows` (as inserted, stamped by
  // the triggers) and the data set has just read them, with no filter,
  // local sort, cached updates or refresh options.
  void Reset(const std::vector<ModelRow>& first_rows);

  // An operation made up for the current state; the driver keeps drawing
  // until one is applicable.
  Operation Candidate(Random& random) const;
  bool Applicable(const Operation& op) const;
  // The operation's effect; true when the component must refuse it.
  bool Step(const Operation& op);
  // Empty when the component showed what the model holds; otherwise what
  // differs, in readable lines.
  std::string Verdict(const Observed& seen);
  std::string Describe(const Operation& op) const;

  // ---- Read by the drivers
  int Columns() const { return static_cast<int>(table_.column_names.size()); }
  const std::string& ColumnName(int column) const { return table_.column_names[static_cast<size_t>(column)]; }
  std::vector<int> VisibleIds() const;  // in the data set's order
  int IdAt(int pos) const;              // the visible row at a position (mod count); -1 when none
  const HeldRow* Held(int id) const;
  const std::vector<HeldRow>& HeldRows() const { return held_; }  // in the store's order
  bool Passes(const HeldRow& row) const;  // shown under the current filter
  std::optional<int> Current() const { return current_; }
  // The ID the next new record takes; a step that added one used NextId() - 1.
  int NextId() const { return next_id_; }
  bool Cached() const { return cached_; }
  bool RefreshAfterPost() const { return refresh_after_post_; }
  int FilterMode() const { return filter_mode_; }
  int DetailMode() const { return detail_mode_; }

 private:
  std::vector<int> HeldIds() const;  // VisibleIds with the rows the filter hides
  HeldRow* Held(int id);
  bool PendingUpdates() const;
  void SortHeld();
  bool ModelStep(const Operation& op);
  bool StepWrite(const Operation& op);
  bool StepNewRecord(const Operation& op);
  bool StepDelete(const Operation& op);
  void StepFind(const Operation& op);
  void StepCancelUpdates();
  void StepRevert(const Operation& op);
  void StepOtherWriter(const Operation& op);
  ModelRow ServerAfterWrite(ModelRow row, bool insert) const;
  void ReadAll();
  void CurrentAfterRemoval(const std::vector<int>& order, int removed);
  void KeepCurrentOrFirst();
  void KeepCurrentOrNeighbour();
  void ApplyPending();
  std::vector<int> ExpectedDetailIds() const;
  std::string RowText(const ModelRow& row) const;
  void CompareRows(std::ostream& out, const char* side, const std::vector<ModelRow>& got,
                   const std::vector<ModelRow>& want) const;

  ModelTable table_;
  std::map<int, ModelRow> server_;
  std::vector<HeldRow> held_;  // in the store's own order (before the local sort)
  std::optional<int> current_;
  bool current_open_ = false;  // the step leaves the cursor's place open (see StepCancelUpdates)
  int next_id_ = 0;
  int filter_mode_ = 0;  // 0 none, 1 the expression, 2 the handler
  int index_mode_ = 0;   // 0 none, 1 "I;ID", 2 "S DESC;ID"
  int detail_mode_ = 0;  // 0 none, 1 fields, 2 parameter names, 3 local
  bool cached_ = false;
  bool refresh_after_post_ = false;
  bool applied_pending_ = false;  // ApplyUpdates ran, CommitUpdates not yet
  std::string answer_;            // what the last Locate or Lookup must answer
};

}  // namespace sequences
