// What a data provider asks of the data set: keys, table, parameters,
// transactions, running a statement of its own, applying a delta and
// reporting a failed change.
#include <exception>

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "classlib/variant.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/str_util.h"
#include "fib/sql/sql_clauses.h"
#include "fib/sql/sql_text.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/cache_queries.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_dataset.h"
#include "fib/zod/zod_dataset_sql.h"

namespace fib {

std::string TpZODDataSet::PSGetKeyFields() {
  std::string keys = TFIBDataSet::PSGetKeyFields();
  return keys.empty() ? AutoUpdateOptions().KeyFields() : keys;
}

std::string TpZODDataSet::PSGetTableName() {
  std::string select = QSelect()->SQL().Text();
  classlib::TStringList tables;
  TablesOf(select, tables, false, false);
  if (tables.Count() == 0) return "";
  std::string update = AutoUpdateOptions().UpdateTableName();
  int alias_pos = AliasPos(classlib::Trim(update));
  std::string update_table =
      alias_pos > 0 ? TableOfRef(classlib::Trim(update), alias_pos) : classlib::Trim(update);
  for (int i = 0; i < tables.Count() && !update_table.empty(); ++i)
    if (SameIdentifiers(tables.Strings(i), update_table)) return update;
  return tables.Strings(0);
}

void TpZODDataSet::PSSetCommandText(const std::string& text) {
  if (text.empty()) return;
  classlib::TStringList lines;
  lines.SetText(text);
  SetSelectSQL(lines);
}

std::string TpZODDataSet::PSGetQuoteChar() {
  return Database() && Database()->SQLDialect() == 3 ? "\"" : "";
}

bool TpZODDataSet::PSInTransaction() { return Transaction() && Transaction()->Active(); }

void TpZODDataSet::PSStartTransaction() {
  std::string name = FullComponentName(this);
  if (!Database()) RaiseClientError(21, {name});
  if (!Transaction()) RaiseClientError(22, {name});
  if (!Database()->Connected()) Database()->Connect();
  if (!Transaction()->Active()) Transaction()->StartTransaction();
}

void TpZODDataSet::PSEndTransaction(bool commit) {
  if (!PSInTransaction()) return;
  if (commit) Transaction()->Commit();
  else Transaction()->Rollback();
}

namespace {

// The provider's values by position; markers beyond them go out as NULL
// (a pooled statement still holds the values of its last use).
void FillParams(TFIBQuery& query, const classlib::TParams& params) {
  for (int i = 0; i < query.ParamCount(); ++i) {
    if (i < params.Count()) query.Param(i).SetAsVariant(params[i]->Value());
    else query.Param(i).SetIsNull(true);
  }
}

bool ReturnsRows(const TFIBQuery& query) {
  return query.SQLType() == SQLSelect || query.SQLType() == SQLSelectForUpdate;
}

// Runs text on a pooled statement of transaction: the rows a select
// returns, else the rows affected.
int ExecutePooled(TFIBDatabase* database, TFIBTransaction* transaction, const std::string& text,
                  const classlib::TParams& params) {
  TFIBQuery* query = AcquirePooledQuery(transaction, text);
  std::unique_ptr<TFIBQuery> own;
  if (!query) {
    own = std::make_unique<TFIBQuery>(nullptr);
    own->SetDatabase(database);
    own->SetTransaction(transaction);
    own->SQL().SetText(text);
    query = own.get();
  }
  // Closing may raise; it does so only when nothing else is leaving.
  struct Release {
    TFIBQuery* query;
    bool pooled;
    int exceptions = std::uncaught_exceptions();
    ~Release() noexcept(false) {
      try {
        if (query->Open()) query->Close();
      } catch (...) {
        if (pooled) ReleasePooledQuery(query);
        if (std::uncaught_exceptions() == exceptions) throw;
        return;
      }
      if (pooled) ReleasePooledQuery(query);
    }
  } release{query, own == nullptr};
  FillParams(*query, params);
  query->ExecQuery();
  if (!ReturnsRows(*query)) return query->RowsAffected();
  int rows = 0;
  while (!query->Eof()) {
    ++rows;
    query->Next();
  }
  return rows;
}

}  // namespace

int TpZODDataSet::PSExecuteStatement(const std::string& sql, const classlib::TParams& params,
                                     std::unique_ptr<classlib::TDataSet>* result_set) {
  std::string name = FullComponentName(this);
  if (!Database()) RaiseClientError(21, {name});
  std::string text = NumberQuestionMarks(sql);
  if (!result_set) {
    TFIBTransaction* transaction = UpdateTransaction();
    if (!transaction) RaiseClientError(22, {name});
    if (!transaction->Active()) transaction->StartTransaction();
    return ExecutePooled(Database(), transaction, text, params);
  }
  if (!Transaction()) RaiseClientError(22, {name});
  auto rows = std::make_unique<TpZODDataSet>(nullptr);
  rows->SetDatabase(Database());
  rows->SetTransaction(Transaction());
  classlib::TStringList lines;
  lines.SetText(text);
  rows->SetSelectSQL(lines);
  TFIBQuery& statement = *rows->QSelect();
  // Values first: a NULL compared is prepared as a null test.
  FillParams(statement, params);
  rows->Prepare();
  int count;
  if (ReturnsRows(statement)) {
    rows->Open();
    rows->FetchAll();
    count = rows->RecordCount();
  } else {
    statement.ExecQuery();
    count = statement.RowsAffected();
  }
  *result_set = std::move(rows);
  return count;
}

namespace {

// The class library's field type of a parameter the server described.
classlib::TFieldType ParamFieldType(const TFIBXSQLVAR& param) {
  using namespace classlib;
  const bool scaled = param.DescribedScale() < 0;
  switch (param.DescribedType()) {
    case kSQLText:
    case kSQLVarying: return ftString;
    case kSQLShort: return scaled ? ftFloat : ftSmallint;
    case kSQLLong: return scaled ? ftFloat : ftInteger;
    case kSQLInt64: return scaled ? ftBCD : ftLargeint;
    case kSQLFloat:
    case kSQLDouble:
    case kSQLDFloat: return ftFloat;
    case kSQLTimeStamp: return ftDateTime;
    case kSQLDate: return ftDate;
    case kSQLTime: return ftTime;
    case kSQLBlob: return param.DescribedSubtype() == 1 ? ftMemo : ftBlob;
    case kSQLBoolean:
    case kSQLFBBoolean: return ftBoolean;
    default: return ftUnknown;
  }
}

}  // namespace

classlib::TParams* TpZODDataSet::PSGetParams() {
  // The types are the server's: the select is described first.
  if (!QSelect()->Prepared() && Database() && Transaction() &&
      !classlib::Trim(QSelect()->SQL().Text()).empty())
    Prepare();
  provider_params_ = std::make_unique<classlib::TParams>();
  TFIBQuery& select = *QSelect();
  for (int i = 0; i < select.ParamCount(); ++i) {
    TFIBXSQLVAR& param = select.Param(i);
    // A name written twice in the text is one parameter to the provider.
    if (provider_params_->FindParam(param.Name())) continue;
    // A parameter the server never saw (a NULL compared, sent as IS NULL)
    // has no type.
    const TFIBXSQLVAR* described = select.Prepared() ? select.DescribedParam(param.Name()) : nullptr;
    classlib::TFieldType type = described ? ParamFieldType(*described) : classlib::ftUnknown;
    classlib::TParam* item = provider_params_->CreateParam(type, param.Name(), classlib::ptInput);
    if (type == classlib::ftString) item->SetSize(described->DescribedLength());
    if (type == classlib::ftBCD) item->SetNumericScale(-described->DescribedScale());
    if (!param.IsNull()) item->SetValue(param.AsVariant());
  }
  return provider_params_.get();
}

std::unique_ptr<classlib::EUpdateError> TpZODDataSet::PSGetUpdateException(
    const classlib::Exception& error, const classlib::EUpdateError* previous) {
  const auto* fib_error = dynamic_cast<const EFIBError*>(&error);
  if (!fib_error) return TFIBDataSet::PSGetUpdateException(error, previous);
  return std::make_unique<classlib::EUpdateError>(fib_error->Message(), fib_error->SQLCode(),
                                                  previous ? previous->ErrorCode() : 0);
}

namespace {

// "NEW_" or "OLD_" in any case, followed by a name.
bool HasPrefix(const std::string& name, const char* prefix) {
  return name.size() > 4 && classlib::SameText(name.substr(0, 4), prefix);
}

}  // namespace

bool TpZODDataSet::PSUpdateRecord(classlib::TUpdateKind kind, classlib::TDataSet& delta) {
  TFIBQuery* statement = kind == classlib::ukModify   ? QUpdate()
                         : kind == classlib::ukInsert ? QInsert()
                                                      : QDelete();
  std::string text = statement->SQL().Text();
  if (classlib::Trim(text).empty() || fib::IsNoAction(text)) return false;
  TAutoUpdateOptions& options = AutoUpdateOptions();
  bool new_key = kind == classlib::ukInsert && !options.GeneratorName().empty() &&
                 options.WhenGetGenID() != wgNever;
  TFIBTransaction* transaction = statement->Transaction();
  if (transaction && !transaction->Active()) transaction->StartTransaction();
  for (int i = 0; i < statement->ParamCount(); ++i) {
    std::string name = statement->ParamName(i);
    bool old = HasPrefix(name, "OLD_");
    std::string field_name = old || HasPrefix(name, "NEW_") ? name.substr(4) : name;
    classlib::TField* field = delta.FindField(field_name);
    if (!field) continue;
    TFIBXSQLVAR& param = statement->Param(i);
    if (!old && new_key && StrInArray(field->FieldName(), options.KeyFieldNames())) {
      param.SetAsInt64(Database()->GeneratorValue(options.GeneratorName(),
                                                  options.GeneratorStep(), transaction));
      continue;
    }
    // The row is found by what it was: an OLD_ parameter never takes the
    // new value, or a changed key would point at another row.
    classlib::Variant value = old ? field->OldValue() : field->NewValue();
    if (!old && classlib::VarIsEmpty(value)) value = field->OldValue();
    param.SetAsVariant(value);
  }
  statement->ExecQuery();
  modify_ran_ = true;
  if (statement->Open()) statement->Close();
  return true;
}

}  // namespace fib
