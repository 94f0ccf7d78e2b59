// The generic data set under model-checked operation sequences: a
// TCustomDADataSet of the SQLite test driver, driven as an application
// drives it (edits, appends, deletes, refreshes, locates, filters, a local
// sort, cached updates, blobs through fields and streams, refused posts,
// refresh options over a trigger, a second connection writing behind it, a
// detail linked by fields, by parameter names or locally), against the
// model of the rows it must show and of what the server holds that the
// Oracle layer's driver uses too. This driver supplies the table, its value
// kinds and the steps that need its SQL, and keeps the faults known and
// being mended out of the sequences.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "classlib/data_link.h"
#include "dacore/dataset_component.h"
#include "platform/plain_message_loop.h"
#include "testing/dataset_sequence_model.h"
#include "testing/sequence_engine.h"
#include "testing/sqlite_driver/sqlite_driver_session.h"

namespace dacore::sqlite_tests {

using sequences::Cell;
using sequences::ModelRow;

// The value columns, in the table's order after ID (the model's first four
// come first); STAMP is written only by the server's triggers.
enum Column {
  kI = sequences::kColumnI, kS = sequences::kColumnS, kM = sequences::kColumnM, kB = sequences::kColumnB,
  kF, kD, kColumns
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
  // ---- The component
  void OpenDataSet();
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

  sequences::DataSetModel model_;
  std::string component_answer_;  // what the last Locate or Lookup answered
  bool plant_dropped_blob_write_ = false;
  std::vector<int> streamed_ids_;  // the records a stream wrote (for the planted fault)
};

}  // namespace dacore::sqlite_tests
