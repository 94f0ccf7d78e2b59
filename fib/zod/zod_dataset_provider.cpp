// What a data provider asks of the data set: keys, table, transactions and
// running a statement of its own.
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

std::string TpZODDataSet::PSGetKeyFields() const {
  return const_cast<TpZODDataSet*>(this)->AutoUpdateOptions().KeyFields();
}

std::string TpZODDataSet::PSGetTableName() const {
  std::string select = QSelect()->SQL().Text();
  classlib::TStringList tables;
  TablesOf(select, tables, false, false);
  if (tables.Count() == 0) return "";
  std::string update = const_cast<TpZODDataSet*>(this)->AutoUpdateOptions().UpdateTableName();
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

std::string TpZODDataSet::PSGetQuoteChar() const {
  return Database() && Database()->SQLDialect() == 3 ? "\"" : "";
}

bool TpZODDataSet::PSInTransaction() const { return Transaction() && Transaction()->Active(); }

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

int TpZODDataSet::PSExecuteStatement(const std::string& sql,
                                     const std::vector<classlib::Variant>& params) {
  TFIBTransaction* transaction = UpdateTransaction();
  if (!Database()) RaiseClientError(21, {FullComponentName(this)});
  if (!transaction) RaiseClientError(22, {FullComponentName(this)});
  if (!transaction->Active()) transaction->StartTransaction();
  std::string text = NumberQuestionMarks(sql);
  TFIBQuery* query = AcquirePooledQuery(transaction, text);
  std::unique_ptr<TFIBQuery> own;
  if (!query) {
    own = std::make_unique<TFIBQuery>(nullptr);
    own->SetDatabase(Database());
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
  // A pooled statement still holds the values of its last use.
  for (int i = 0; i < query->ParamCount(); ++i) {
    if (i < static_cast<int>(params.size())) query->Param(i).SetAsVariant(params[i]);
    else query->Param(i).SetIsNull(true);
  }
  query->ExecQuery();
  if (query->SQLType() != SQLSelect && query->SQLType() != SQLSelectForUpdate)
    return query->RowsAffected();
  int rows = 0;
  while (!query->Eof()) {
    ++rows;
    query->Next();
  }
  return rows;
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
