// The database's single-value services on its own prepared statements.
#include <string>

#include "classlib/ansistr.h"
#include "fib/fib_database.h"
#include "fib/fib_database_statement.h"
#include "fib/fib_transaction.h"
#include "fib/reserved_words.h"

namespace fib {

namespace {

// Prepared statements kept per database; beyond this the cache starts over,
// so texts built from changing values cannot grow it without bound.
constexpr size_t kMaxCachedStatements = 64;

}  // namespace

SingleValueStatement& TFIBDatabase::Statement(const std::string& sql) {
  auto found = statements_.find(sql);
  if (found != statements_.end()) return *found->second;
  if (statements_.size() >= kMaxCachedStatements) statements_.clear();
  auto& slot = statements_[sql];
  slot = std::make_unique<SingleValueStatement>(*this, sql);
  return *slot;
}

classlib::Variant TFIBDatabase::QueryValue(const std::string& sql, int field,
                                           std::span<const classlib::Variant> params,
                                           TFIBTransaction* transaction) {
  CheckActive();
  TFIBTransaction& used = transaction != nullptr ? *transaction : *internal_transaction_;
  SingleValueStatement& statement = Statement(sql);
  if (!used.Active()) used.StartTransaction();
  classlib::Variant result;
  try {
    result = statement.Run(used, params, field);
  } catch (...) {
    // The internal transaction is ours alone: leave nothing of the failed
    // statement running in it.
    if (transaction == nullptr && used.Active()) used.EndTransaction(TARollback, true);
    throw;
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
  if (started_here) used->StartTransaction();
  std::string sql =
      "select gen_id(" + written + ", " + std::to_string(step) + ") from RDB$DATABASE";
  classlib::Variant value;
  try {
    value = Statement(sql).Run(*used, {}, 0);
  } catch (...) {
    if (started_here && used->Active()) used->EndTransaction(TARollback, true);
    throw;
  }
  if (started_here) used->Commit();
  return value.AsInt64();
}

}  // namespace fib
