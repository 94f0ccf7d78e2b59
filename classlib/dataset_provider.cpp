// The data set's own answers to a data provider: those of a data set that
// knows no SQL. Data sets over a server override them.
#include "classlib/dataset_provider.h"

#include "classlib/dataset.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "classlib/params.h"

namespace classlib {

std::string TDataSet::PSGetKeyFields() {
  std::string keys;
  for (TField* field : Fields().List()) {
    if (!field->ProviderFlags().Contains(pfInKey)) continue;
    if (!keys.empty()) keys += ';';
    keys += field->FieldName();
  }
  return keys;
}

std::unique_ptr<TIndexDef> TDataSet::PSGetDefaultOrder() { return nullptr; }

std::string TDataSet::PSGetTableName() { return ""; }

std::string TDataSet::PSGetQuoteChar() { return ""; }

void TDataSet::PSSetCommandText(const std::string& /*text*/) {}

TParams* TDataSet::PSGetParams() { return nullptr; }

void TDataSet::PSSetParams(const TParams& params) {
  // Values the data set cannot take would be lost without a word.
  if (params.Count() > 0) DatabaseError("Parameters are not supported", this);
}

bool TDataSet::PSIsSQLBased() { return false; }

bool TDataSet::PSIsSQLSupported() { return false; }

bool TDataSet::PSInTransaction() { return false; }

void TDataSet::PSStartTransaction() {}

void TDataSet::PSEndTransaction(bool /*commit*/) {}

void TDataSet::PSReset() {}

int TDataSet::PSExecuteStatement(const std::string& /*sql*/, const TParams& /*params*/,
                                 std::unique_ptr<TDataSet>* /*result_set*/) {
  DatabaseError("SQL statements are not supported", this);
}

bool TDataSet::PSUpdateRecord(TUpdateKind /*kind*/, TDataSet& /*delta*/) { return false; }

std::unique_ptr<EUpdateError> TDataSet::PSGetUpdateException(const Exception& error,
                                                              const EUpdateError* previous) {
  // An update error already is one: wrapping it again would hide its code.
  if (const auto* update = dynamic_cast<const EUpdateError*>(&error))
    return std::make_unique<EUpdateError>(*update);
  return std::make_unique<EUpdateError>(error.Message(), 0, previous ? previous->ErrorCode() : 0);
}

}  // namespace classlib
