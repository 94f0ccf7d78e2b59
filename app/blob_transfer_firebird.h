// Binary columns of a Firebird or InterBase database filled through the
// window's buffered data set: each row is written back by its old key with
// the new binary value, all in the window's transaction, which is committed
// before the key column is dropped.
#pragma once

#include "app/blob_table.h"
#include "fib/zod/zod_dataset.h"

namespace fib {
class TFIBDatabase;
class TFIBQuery;
class TFIBTransaction;
}  // namespace fib

namespace app {

// The data set class the transfer needs: select and update texts, open,
// edit, a blob field loaded from a file, post.
using TFirebirdBlobDataSet = fib::TpZODDataSet;

class TFirebirdBlobTable : public IBlobTable {
 public:
  // Binds the data set to the database and the transaction; the statement
  // (for the drop) is expected bound as the script connection keeps it.
  TFirebirdBlobTable(fib::TFIBDatabase& database, fib::TFIBTransaction& transaction,
                     fib::TFIBQuery& query, TFirebirdBlobDataSet& data_set);

  const TBlobTransferRules& Rules() const override;
  void Open(const TBlobMove& move, const std::string& selection) override;
  bool Eof() const override;
  std::string Key() const override;
  void Fill(const std::string& file_name) override;
  void Next() override;
  void Close() override;
  void Commit() override;
  void Execute(const std::string& statement) override;

 private:
  fib::TFIBTransaction& transaction_;
  fib::TFIBQuery& query_;
  TFirebirdBlobDataSet& data_set_;
};

}  // namespace app
