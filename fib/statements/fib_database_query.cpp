// The database's single-value services, run on pooled statements so that
// their text is parsed like any statement's: ":name"
// parameters become markers instead of reaching the server as they are.
#include <cctype>
#include <exception>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "classlib/ansistr.h"
#include "fib/base/errors.h"
#include "fib/sql/reserved_words.h"
#include "fib/statements/cache_queries.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"

namespace fib {

namespace {

bool IsMarkerNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '#' || c == '$' ||
         c == '%' || c == '.' || c == '"' || static_cast<unsigned char>(c) >= 0x80;
}

// The statement parser wants a name after every marker; a
// bare "?" of a value query gets one ("?QUERY_VALUE_1", ...), so texts with
// positional markers keep working. Quoted text and comments are left alone.
std::string NameBareMarkers(const std::string& sql) {
  std::string result;
  int number = 0;
  size_t i = 0;
  while (i < sql.size()) {
    char c = sql[i];
    size_t end = i + 1;
    if (c == '\'' || c == '"') {
      end = sql.find(c, i + 1);
      end = end == std::string::npos ? sql.size() : end + 1;
    } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
      end = sql.find("*/", i + 2);
      end = end == std::string::npos ? sql.size() : end + 2;
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      end = sql.find_first_of("\r\n", i + 2);
      if (end == std::string::npos) end = sql.size();
    } else if (c == '?' && (i + 1 >= sql.size() || !IsMarkerNameChar(sql[i + 1]))) {
      result += "?QUERY_VALUE_" + std::to_string(++number);
      ++i;
      continue;
    }
    result.append(sql, i, end - i);
    i = end;
  }
  return result;
}

// A statement for `sql` in `transaction`: a pooled one when the pool serves
// this database through the transaction, else one of its own. The statement
// goes back (closed) however the run ends.
class ValueStatement {
 public:
  ValueStatement(TFIBDatabase& database, TFIBTransaction& transaction, const std::string& sql) {
    const std::string text = NameBareMarkers(sql);
    if (transaction.DefaultDatabase() == &database)
      query_ = AcquirePooledQuery(&transaction, text);
    if (query_ == nullptr) {
      own_ = std::make_unique<TFIBQuery>(nullptr);
      own_->SetDatabase(&database);
      own_->SetTransaction(&transaction);
      own_->SQL().SetText(text);
      query_ = own_.get();
    }
  }
  ~ValueStatement() {
    try {
      if (query_->Open()) query_->Close();
    } catch (const std::exception&) {
      // The transaction ends below or with its owner; the cursor goes with it.
    }
    if (own_ == nullptr) ReleasePooledQuery(query_);
  }
  ValueStatement(const ValueStatement&) = delete;
  ValueStatement& operator=(const ValueStatement&) = delete;

  // Every parameter is set, so one the caller left out (or gave as Null)
  // goes out as NULL rather than as what the pooled statement's previous
  // borrower left in it.
  classlib::Variant Run(std::span<const classlib::Variant> params, int field) {
    TFIBQuery& query = *query_;
    query.SetGoToFirstRecordOnExecute(true);
    for (int i = 0; i < query.ParamCount(); ++i) {
      if (i < static_cast<int>(params.size()) && !classlib::VarIsNull(params[i]) &&
          !classlib::VarIsEmpty(params[i]))
        query.Param(i).SetAsVariant(params[i]);
      else
        query.Param(i).SetIsNull(true);
    }
    query.ExecQuery();
    if (query.FieldCount() == 0) return classlib::Unassigned();
    if (field >= query.FieldCount()) RaiseClientError(31);
    const bool has_row = query.SQLType() == SQLExecProcedure || query.RecordCount() > 0;
    if (!has_row) return classlib::Null();
    // A blob column is read as text (AsVariant of a blob item does so).
    if (field >= 0) return query.Fields(field).AsVariant();
    std::vector<classlib::Variant> columns;
    for (int i = 0; i < query.FieldCount(); ++i) columns.push_back(query.Fields(i).AsVariant());
    return classlib::VarArrayOf(columns);
  }

 private:
  TFIBQuery* query_ = nullptr;
  std::unique_ptr<TFIBQuery> own_;
};

}  // namespace

classlib::Variant TFIBDatabase::QueryValue(const std::string& sql, int field,
                                           std::span<const classlib::Variant> params,
                                           TFIBTransaction* transaction) {
  CheckActive();
  TFIBTransaction& used = transaction != nullptr ? *transaction : *internal_transaction_;
  classlib::Variant result;
  {
    ValueStatement statement(*this, used, sql);
    if (!used.Active()) used.StartTransaction();
    try {
      result = statement.Run(params, field);
    } catch (...) {
      // The internal transaction is ours alone: leave nothing of the failed
      // statement running in it.
      if (transaction == nullptr && used.Active()) used.EndTransaction(TARollback, true);
      throw;
    }
  }
  if (transaction == nullptr && used.Active()) used.Commit();
  return result;
}

classlib::TDateTime TFIBDatabase::GetServerTime() {
  const char* sql = sql_dialect_ >= 2 ? "SELECT CAST('NOW' AS TIMESTAMP) from RDB$DATABASE"
                                      : "SELECT CAST('NOW' AS DATE) from RDB$DATABASE";
  return QueryValue(sql, 0).AsDate();
}

int64_t TFIBDatabase::GeneratorValue(const std::string& name, int64_t step,
                                     TFIBTransaction* transaction) {
  CheckActive();
  std::string written;
  if (sql_dialect_ == 1) {
    written = classlib::AnsiUpperCase(classlib::Trim(name));
  } else if (!name.empty() && name[0] == '"') {
    written = name;
  } else if (sql_dialect_ < 3 || upper_old_names_ ? NeedQuoteIdentifierCI(name)
                                                   : NeedQuoteIdentifier(name)) {
    written = "\"" + name + "\"";
  } else {
    written = classlib::AnsiUpperCase(name);
  }
  TFIBTransaction* used = FirstActiveTransaction();
  if (used == nullptr) used = transaction;
  if (used == nullptr) used = internal_transaction_.get();
  bool started_here = !used->Active();
  std::string sql =
      "select gen_id(" + written + ", " + std::to_string(step) + ") from RDB$DATABASE";
  classlib::Variant value;
  {
    ValueStatement statement(*this, *used, sql);
    if (started_here) used->StartTransaction();
    try {
      value = statement.Run({}, 0);
    } catch (...) {
      if (started_here && used->Active()) used->EndTransaction(TARollback, true);
      throw;
    }
  }
  if (started_here) used->Commit();
  return value.AsInt64();
}

}  // namespace fib
