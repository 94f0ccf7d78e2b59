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

#include "embedded_database.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_dataset.h"
#include "testing/sequence_engine.h"

namespace fib_test {

// The value columns after ID, in the table's order.
enum FibColumn { kFI, kFS, kFM, kFB, kFF, kFD, kFL, kFibColumns };

using FibCell = std::optional<std::string>;  // as the field reads it; nullopt for NULL

struct FibRow {
  int id = 0;
  std::array<FibCell, kFibColumns> cells;
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
  FibHeldRow* Held(int id);
  int IdAt(int pos) const;
  bool PendingUpdates() const;
  void ModelReadAll();
  void ModelAfterRemoval(const std::vector<int>& order, int removed);
  void ModelApply();
  void OpenDataSet();
  void GoTo(int pos);
  std::vector<FibRow> ReadServer();
  void Elsewhere(const std::string& sql);
  bool BooleanPostAllowed(const sequences::Operation& op);

  bool limited_;
  EmbeddedDatabase file_;
  classlib::TComponent form_{nullptr};
  std::unique_ptr<fib::TFIBDatabase> db_;
  std::unique_ptr<fib::TFIBTransaction> tr_;
  std::unique_ptr<fib::TFIBDatabase> reader_db_;
  std::unique_ptr<fib::TFIBTransaction> reader_tr_;
  std::unique_ptr<fib::TpZODDataSet> ds_;

  std::map<int, FibRow> committed_;  // what another attachment reads
  std::map<int, FibRow> working_;    // the same with the transaction's uncommitted writes
  std::vector<FibHeldRow> held_;
  std::optional<int> current_;
  int next_id_ = 0;
  bool cached_ = false;
  int shown_before_ = 0;  // records shown before the step the component takes
  bool tx_dirty_ = false;  // the data set's transaction wrote rows it has not ended
  bool update_ran_ = false;  // the generated update statement ran once
  bool insert_ran_ = false;  // the same for the insert statement
  std::string model_answer_;
  std::string component_answer_;
};

}  // namespace fib_test
