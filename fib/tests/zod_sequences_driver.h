// The Firebird data set under model-checked operation sequences: a
// TpZODDataSet with generated modify statements on the embedded engine, in
// the standard or the limited cache model, driven as an application drives
// it (edits, appends, deletes, refreshes, locates, cached updates, blobs
// through fields and streams, a post the server refuses and its corrected
// retry, a second attachment writing behind it, its transaction committed
// or rolled back, retaining and hard, between steps), against a model of
// the rows it must show and of what the server holds.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "classlib/data_link.h"
#include "embedded_database.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_dataset.h"
#include "testing/sequence_engine.h"

namespace fib_test {

// The value columns after ID, in the table's order.
// A is an array of three integers: no SQL literal writes it, so only the
// data set and the set-up write it.
enum FibColumn { kFI, kFS, kFM, kFB, kFF, kFD, kFL, kFA, kFibColumns };

using FibCell = std::optional<std::string>;  // as the field reads it; nullopt for NULL

struct FibRow {
  int id = 0;
  std::array<FibCell, kFibColumns> cells;
  FibCell stamp;  // T: what the server's trigger made of I
  bool operator==(const FibRow&) const = default;
};

struct FibHeldRow {
  FibRow shown;
  FibRow original;  // as read or applied: what a cancel gives back
  enum Status { kUnmodified, kModified, kInserted, kDeleted } status = kUnmodified;
};

class ZodSequencesDriver : public sequences::Driver {
 public:
  explicit ZodSequencesDriver(bool limited_cache);
  ~ZodSequencesDriver() override;

  std::string Name() const override { return limited_ ? "fib-limited" : "fib"; }
  void Reset() override;
  sequences::Operation Generate(sequences::Random& random) override;
  bool Applicable(const sequences::Operation& op) override;
  bool ApplyToModel(const sequences::Operation& op) override;
  void ApplyToComponent(const sequences::Operation& op) override;
  std::string Compare() override;
  std::string Describe(const sequences::Operation& op) const override;

 private:
  std::vector<int> ShownIds() const;
  bool Passes(const FibHeldRow& row) const;
  void ModelSort();
  void ModelKeepCurrentOrFirst();
  FibHeldRow* Held(int id);
  std::vector<int> HeldOrder() const;
  int IdAt(int pos) const;
  bool PendingUpdates() const;
  const std::map<int, FibRow>& ReadView() const { return separate_ ? committed_ : working_; }
  void ModelReadAll();
  void ModelAfterRemoval(const std::vector<int>& order, int removed);
  void ModelApply();
  FibRow ServerWrite(FibRow written, bool inserting) const;
  void ModelPosted(FibHeldRow& row, bool inserting);
  void OpenDataSet();
  void GoTo(int pos);
  std::vector<FibRow> ReadServer();
  void Elsewhere(const std::string& sql);
  void ArrayElsewhere(int id, int v);
  void SetFilterMode(int mode);
  void LinkDetail(int mode);
  std::vector<int> ExpectedDetailIds() const;
  void ModelMasterReopened();

  bool limited_;
  EmbeddedDatabase file_;
  classlib::TComponent form_{nullptr};
  std::unique_ptr<fib::TFIBDatabase> db_;
  std::unique_ptr<fib::TFIBTransaction> tr_;
  std::unique_ptr<fib::TFIBTransaction> update_tr_;  // the data set's UpdateTransaction when separate
  std::unique_ptr<fib::TFIBDatabase> reader_db_;
  std::unique_ptr<fib::TFIBTransaction> reader_tr_;
  std::unique_ptr<fib::TpZODDataSet> ds_;
  std::unique_ptr<classlib::TDataSource> source_;  // the master's source: ds_
  std::unique_ptr<fib::TpZODDataSet> detail_;

  std::map<int, FibRow> committed_;  // what another attachment reads
  std::map<int, FibRow> working_;    // the same with the transaction's uncommitted writes
  std::vector<FibHeldRow> held_;
  std::optional<int> current_;
  int next_id_ = 0;
  bool cached_ = false;
  int filter_mode_ = 0;  // 0 none, 1 the expression I > 40, 2 OnFilterRecord: odd IDs
  int sort_mode_ = 0;  // the last local sort: 0 none (or by ID), 1 I;ID, 2 S DESC;ID
  bool refresh_after_post_ = true;  // poRefreshAfterPost, on by default
  bool separate_ = false;  // the statements write in update_tr_, the select reads in tr_
  // The detail: 0 unlinked, 1 by the parameter :ID, 2 by :MAS_ID with
  // dcForceOpen (it opens again when its master does).
  int detail_mode_ = 0;
  bool detail_open_ = false;
  int shown_before_ = 0;  // records shown before the step the component takes
  bool tx_dirty_ = false;  // the data set's transaction wrote rows it has not ended
  std::string model_answer_;
  std::string component_answer_;
};

}  // namespace fib_test
