// TOraQuery under model-checked operation sequences on the stand-in's
// SQLite tier: a query of one session driven as an application drives it
// (edits, appends, deletes, refreshes, locates, filters, a local sort,
// cached updates, CLOBs and BLOBs through fields and streams, refused posts,
// refresh options over a trigger, a second session writing behind it, a
// detail linked by fields, by parameter names or locally), against the
// model of the rows it must show and of what the server holds (the one the
// generic data set's driver uses too), read after every step through a
// third session. One table holds every value kind: NUMBER(9),
// short and long VARCHAR2, CLOB, BLOB, NUMBER, DATE, TIMESTAMP, NULLs of each.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "classlib/data_link.h"
#include "classlib/field.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "platform/plain_message_loop.h"
#include "testing/dataset_sequence_model.h"
#include "testing/oci_standin/oci_standin_tier.h"
#include "testing/sequence_engine.h"

namespace oracle::testing {

using sequences::Cell;
using sequences::ModelRow;

// The value columns, in the table's order after ID (the model's first four
// come first); STAMP is written only by the server's triggers.
enum OraColumn {
  kOI = sequences::kColumnI, kOS = sequences::kColumnS, kOM = sequences::kColumnM, kOB = sequences::kColumnB,
  kOF, kOD, kOT, kOraColumns
};

class OraQueryDriver : public sequences::Driver {
 public:
  // `tier`: the stand-in's SQLite tier, on which the driver maps `service`
  // to a file in `folder` (made afresh by each Reset); the account
  // scott/tiger must exist on it.
  OraQueryDriver(standin_testing::StandinTier& tier, std::string service, std::string folder);
  ~OraQueryDriver() override;

  std::string Name() const override { return "oracle"; }
  void Reset() override;
  sequences::Operation Generate(sequences::Random& random) override;
  bool Applicable(const sequences::Operation& op) override;
  bool ApplyToModel(const sequences::Operation& op) override;
  void ApplyToComponent(const sequences::Operation& op) override;
  std::string Compare() override;
  std::string Describe(const sequences::Operation& op) const override;

 private:
  // ---- The component
  std::unique_ptr<TOraSession> Connect();
  std::vector<ModelRow> ReadServer();
  void OtherSessionExec(const std::string& sql);
  void ReleaseComponents();

  standin_testing::StandinTier& tier_;
  std::string service_;
  std::string folder_;
  int generation_ = 0;  // each Reset maps the service to a new file
  platform::PlainMessageLoop loop_;
  std::unique_ptr<TOraSession> session_;
  std::unique_ptr<TOraSession> other_;
  std::unique_ptr<TOraSession> reader_;
  std::unique_ptr<TOraQuery> query_;
  // The detail over DT (PID linked to the query's ID) and its source.
  std::unique_ptr<classlib::TDataSource> source_;
  std::unique_ptr<TOraQuery> detail_;

  sequences::DataSetModel model_;
  std::string component_answer_;  // what the last Locate or Lookup answered
};

}  // namespace oracle::testing
