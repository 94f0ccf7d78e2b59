#include "app/blob_transfer_firebird.h"

#include "classlib/field_blob.h"
#include "classlib/fields.h"
#include "classlib/format.h"
#include "fib/base/errors.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"

namespace app {

TFirebirdBlobTable::TFirebirdBlobTable(fib::TFIBDatabase& database,
                                       fib::TFIBTransaction& transaction, fib::TFIBQuery& query,
                                       TFirebirdBlobDataSet& data_set)
    : transaction_(transaction), query_(query), data_set_(data_set) {
  data_set_.SetDatabase(&database);
  data_set_.SetTransaction(&transaction_);
}

const TBlobTransferRules& TFirebirdBlobTable::Rules() const {
  static const TBlobTransferRules rules{"ALTER TABLE %s DROP %s", true, true};
  return rules;
}

void TFirebirdBlobTable::Open(const TBlobMove& move, const std::string& selection) {
  if (!transaction_.Active()) transaction_.StartTransaction();
  data_set_.Close();
  data_set_.SelectSQL().SetText(selection);
  data_set_.UpdateSQL().SetText(classlib::Format("UPDATE %s SET %s=?NEW_%1:s WHERE %2:s=?OLD_%2:s",
                                                 {move.table, move.blob_column, move.key_column}));
  data_set_.Open();
  if (dynamic_cast<classlib::TBlobField*>(data_set_.Fields()[1]) == nullptr)
    fib::RaiseClientErrorMsg("Field %s is not a blob", {data_set_.Fields()[1]->FieldName()});
}

bool TFirebirdBlobTable::Eof() const { return data_set_.Eof(); }

std::string TFirebirdBlobTable::Key() const { return data_set_.Fields()[0]->AsString(); }

void TFirebirdBlobTable::Fill(const std::string& file_name) {
  auto* blob = static_cast<classlib::TBlobField*>(data_set_.Fields()[1]);  // checked by Open
  data_set_.Edit();
  try {
    blob->LoadFromFile(file_name);
    data_set_.Post();
  } catch (...) {
    // A refused post would otherwise be tried again on the move to the next row.
    data_set_.Cancel();
    throw;
  }
}

void TFirebirdBlobTable::Next() { data_set_.Next(); }

void TFirebirdBlobTable::Close() { data_set_.Close(); }

// A transaction the server refuses to commit stays active: a later commit
// (the next move's, or the next script file's reconnect) may still keep
// what was filled.
void TFirebirdBlobTable::Commit() {
  if (transaction_.Active()) transaction_.Commit();
}

void TFirebirdBlobTable::Execute(const std::string& statement) {
  query_.Close();
  query_.SQL().SetText(statement);
  query_.ExecQuery();
  if (transaction_.Active()) transaction_.Commit();
}

}  // namespace app
