#include "app/blob_transfer_mssql.h"

#include "app/ado_field.h"
#include "app/ado_query.h"
#include "classlib/stream.h"

namespace app {

const TBlobTransferRules& TSqlServerBlobTable::Rules() const {
  static const TBlobTransferRules rules{"ALTER TABLE %s DROP COLUMN %s", false, false};
  return rules;
}

void TSqlServerBlobTable::Open(const TBlobMove& /*move*/, const std::string& selection) {
  query_.Close();
  query_.SQL().SetText(selection);
  query_.Open();
}

bool TSqlServerBlobTable::Eof() const { return query_.Eof(); }

std::string TSqlServerBlobTable::Key() const { return query_.Fields(0).AsString(); }

void TSqlServerBlobTable::Fill(const std::string& file_name) {
  // The file is opened first: one that cannot be read leaves the row alone.
  classlib::TFileStream file(file_name, classlib::fmOpenRead | classlib::fmShareDenyWrite);
  query_.Edit();
  try {
    {
      auto blob = query_.CreateBlobStream(query_.Fields(1), classlib::bmWrite);
      blob->CopyFrom(file, 0);
    }
    query_.Post();
  } catch (...) {
    // A refused post would otherwise be retried by the move to the next row.
    query_.Cancel();
    throw;
  }
}

void TSqlServerBlobTable::Next() { query_.Next(); }

void TSqlServerBlobTable::Close() { query_.Close(); }

void TSqlServerBlobTable::Execute(const std::string& statement) {
  query_.Close();
  query_.SQL().SetText(statement);
  query_.ExecSQL();
}

}  // namespace app
