// TOraQuery under model-checked operation sequences on the stand-in's
// SQLite tier: a query of one session driven as an application drives it
// (edits, appends, deletes, refreshes, locates, filters, a local sort,
// cached updates, CLOBs and BLOBs through fields and streams, refused posts,
// refresh options over a trigger, a second session writing behind it, a
// detail linked by fields, by parameter names or locally), against a model
// of the rows it must show and of what the server holds, read after every
// step through a third session. One table holds every value kind: NUMBER(9),
// short and long VARCHAR2, CLOB, BLOB, NUMBER, DATE, TIMESTAMP, NULLs of each.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "classlib/data_link.h"
#include "classlib/field.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "platform/plain_message_loop.h"
#include "testing/oci_standin/oci_standin_tier.h"
#include "testing/sequence_engine.h"

namespace oracle::testing {

// Each cell as its field reads it (BLOBs in hexadecimal); nullopt for NULL.
using OraCell = std::optional<std::string>;

// The value columns, in the table's order after ID; STAMP is written only
// by the server's triggers.
enum OraColumn { kOI, kOS, kOM, kOB, kOF, kOD, kOT, kOraColumns };

struct OraRow {
  int id = 0;
  std::array<OraCell, kOraColumns> cells;
  OraCell stamp;
  bool operator==(const OraRow&) const = default;
};

// A record the query holds, with its cached-updates state.
struct OraHeldRow {
  OraRow shown;
  OraRow original;  // as last read or applied: what a revert gives back
  enum Status { kUnmodified, kModified, kInserted, kDeleted } status = kUnmodified;
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
  // ---- The model
  std::vector<int> VisibleIds() const;  // in the query's order
  std::vector<int> HeldIds() const;     // the same with the rows the filter hides
  bool Passes(const OraHeldRow& row) const;
  OraHeldRow* Held(int id);
  int IdAt(int pos) const;  // the visible row at a position (mod count)
  bool PendingUpdates() const;
  void SortHeld();
  bool ModelStep(const sequences::Operation& op);
  OraRow ServerAfterWrite(OraRow row, bool insert) const;
  void ModelReadAll();
  void ModelCurrentAfterRemoval(const std::vector<int>& order, int removed);
  void ModelKeepCurrentOrFirst();
  void ModelKeepCurrentOrNeighbour();
  void ModelApply();
  std::vector<int> ExpectedDetailIds() const;

  // ---- The component
  std::unique_ptr<TOraSession> Connect();
  void GoTo(int pos);
  void WriteCell(classlib::TField& field, OraColumn column, int value);
  void LinkDetail(int mode);
  std::vector<OraRow> ReadShown();
  std::vector<OraRow> ReadServer();
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
  int detail_mode_ = 0;  // 0 none, 1 fields, 2 parameter names, 3 local

  std::map<int, OraRow> server_;
  std::vector<OraHeldRow> held_;  // in the store's own order (before the local sort)
  std::optional<int> current_;
  bool current_open_ = false;    // the step leaves the cursor's place open (see cancel_updates)
  int next_id_ = 0;
  int filter_mode_ = 0;  // 0 none, 1 the expression, 2 the handler
  int index_mode_ = 0;   // 0 none, 1 "I;ID", 2 "S DESC;ID"
  bool cached_ = false;
  bool refresh_after_post_ = false;
  bool applied_pending_ = false;  // ApplyUpdates ran, CommitUpdates not yet
  // What the last Locate or Lookup answered, on each side.
  std::string model_answer_;
  std::string component_answer_;
};

}  // namespace oracle::testing
