#include "app/blob_transfer_oracle.h"

#include "classlib/field.h"
#include "classlib/fields.h"
#include "dacore/blob.h"
#include "oracle/query_ora_dataset.h"

namespace app {

const TBlobTransferRules& TOracleBlobTable::Rules() const {
  static const TBlobTransferRules rules{"ALTER TABLE %s DROP COLUMN %s", true, false};
  return rules;
}

void TOracleBlobTable::Open(const TBlobMove& move, const std::string& selection) {
  blob_column_ = move.blob_column;
  query_.Close();
  query_.SQL().SetText(selection);
  query_.Execute();
}

bool TOracleBlobTable::Eof() const { return !query_.Active() || query_.Eof(); }

std::string TOracleBlobTable::Key() const { return query_.Fields()[0]->AsString(); }

void TOracleBlobTable::Fill(const std::string& file_name) {
  query_.Edit();
  try {
    dacore::TBlob* blob = query_.GetBlob(blob_column_);
    blob->Clear();
    blob->LoadFromFile(file_name);
    query_.Post();
  } catch (...) {
    // A refused post would otherwise be retried by the move to the next row.
    query_.Cancel();
    throw;
  }
}

void TOracleBlobTable::Next() { query_.Next(); }

void TOracleBlobTable::Close() { query_.Close(); }

void TOracleBlobTable::Execute(const std::string& statement) {
  query_.Close();
  query_.SQL().SetText(statement);
  query_.Execute();
}

}  // namespace app
