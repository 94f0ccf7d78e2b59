// The generic data set under model-checked operation sequences: a
// TCustomDADataSet of the SQLite test driver, driven as an application
// drives it (edits, appends, deletes, refreshes, locates, filters, a local
// sort, cached updates, blobs through fields and streams, refused posts,
// refresh options over a trigger, a second connection writing behind it, a
// detail linked by fields, by parameter names or locally),
// against a model of the rows it must show and of what the server holds.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "classlib/data_link.h"
#include "dacore/dataset_component.h"
#include "platform/plain_message_loop.h"
#include "testing/sequence_engine.h"
#include "testing/sqlite_driver/sqlite_driver_session.h"

namespace dacore::sqlite_tests {

// Each cell as its field reads it (blobs in hexadecimal); nullopt for NULL.
using Cell = std::optional<std::string>;

// The value columns, in the table's order after ID; STAMP is written only by
// the server's triggers.
enum Column { kI, kS, kM, kB, kF, kD, kColumns };

struct ModelRow {
  int id = 0;
  std::array<Cell, kColumns> cells;
  Cell stamp;
  bool operator==(const ModelRow&) const = default;
};

// A record the data set holds, with its cached-updates state.
struct HeldRow {
  ModelRow shown;
  ModelRow original;  // as last read or applied: what a revert gives back
  enum Status { kUnmodified, kModified, kInserted, kDeleted } status = kUnmodified;
};

class DataSetDriver : public sequences::Driver {
 public:
  // `folder`: where the database file goes (made afresh by each Reset).
  explicit DataSetDriver(std::string folder);
  ~DataSetDriver() override;

  std::string Name() const override { return "dacore"; }
  void Reset() override;
  sequences::Operation Generate(sequences::Random& random) override;
  bool Applicable(const sequences::Operation& op) override;
  bool ApplyToModel(const sequences::Operation& op) override;
  void ApplyToComponent(const sequences::Operation& op) override;
  std::string Compare() override;
  std::string Describe(const sequences::Operation& op) const override;

  // A fault planted on purpose, for the engine's own test: a memo or blob
  // written through a stream into a record whose memo or blob a stream
  // wrote before is dropped (the post goes on without it).
  void PlantDroppedBlobWrite(bool value) { plant_dropped_blob_write_ = value; }

 private:
  // ---- The model
  std::vector<int> VisibleIds() const;  // in the data set's order
  std::vector<int> HeldIds() const;     // the same with the rows the filter hides
  void SortHeld();
  bool ModelStep(const sequences::Operation& op);
  void ModelKeepCurrentOrNeighbour();
  // Records whose memo or blob the data set wrote or read back on its own.
  std::vector<int> blob_written_ids_;
  // Records whose memo or blob a RevertRecord or CancelUpdates gave back.
  std::vector<int> blob_restored_ids_;  bool Passes(const HeldRow& row) const;
  HeldRow* Held(int id);
  int IdAt(int pos) const;  // the visible row at a position (mod count)
  bool PendingUpdates() const;
  ModelRow ServerAfterWrite(ModelRow row, bool insert) const;
  void ModelReadAll();
  void ModelCurrentAfterRemoval(const std::vector<int>& order, int removed);
  void ModelKeepCurrentOrFirst();
  void ModelApply();

  // ---- The component
  void GoTo(int pos);
  void WriteCell(classlib::TField& field, Column column, int value);
  void OpenDataSet();
  std::vector<ModelRow> ReadShown();
  std::vector<ModelRow> ReadServer();
  void OtherSessionExec(const std::string& sql);

  std::string folder_;
  std::string path_;
  std::unique_ptr<sqlite_driver::TSQLiteSession> session_;
  std::unique_ptr<sqlite_driver::TSQLiteSession> other_;
  std::unique_ptr<sqlite_driver::TSQLiteSession> reader_;
  std::unique_ptr<TCustomDADataSet> data_set_;
  // The detail over DT (PID linked to the data set's ID) and its source.
  platform::PlainMessageLoop loop_;
  std::unique_ptr<classlib::TDataSource> source_;
  std::unique_ptr<TCustomDADataSet> detail_;
  int detail_mode_ = 0;  // 0 none, 1 fields, 2 parameter names, 3 local
  void LinkDetail(int mode);
  std::vector<int> ExpectedDetailIds() const;

  std::map<int, ModelRow> server_;
  std::vector<HeldRow> held_;  // in the store's own order (before the local sort)
  std::optional<int> current_;
  bool current_open_ = false;  // the step leaves the cursor's place open (see cancel_updates)
  int next_id_ = 0;
  int filter_mode_ = 0;  // 0 none, 1 the expression, 2 the handler
  int index_mode_ = 0;   // 0 none, 1 "I;ID", 2 "S DESC;ID"
  bool cached_ = false;
  bool refresh_after_post_ = false;
  bool applied_pending_ = false;  // ApplyUpdates ran, CommitUpdates not yet
  // What the last Locate or Lookup answered, on each side.
  std::string model_answer_;
  std::string component_answer_;
  bool plant_dropped_blob_write_ = false;
  std::vector<int> streamed_ids_;  // the records a stream wrote (for the planted fault)
};

}  // namespace dacore::sqlite_tests
