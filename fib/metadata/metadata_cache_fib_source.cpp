#include "fib/metadata/metadata_cache_fib_source.h"

#include <exception>

#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"

namespace fib {

namespace {

class QueryRows : public IMetadataRows {
 public:
  explicit QueryRows(std::unique_ptr<TFIBQuery> query) : query_(std::move(query)) {}

  bool Next() override {
    // The first row is fetched by the execution itself.
    if (first_) {
      first_ = false;
      return !query_->Eof();
    }
    return query_->Next();
  }
  int ColumnCount() const override { return query_->FieldCount(); }
  std::string ColumnName(int index) const override { return query_->Fields(index).Name(); }
  bool IsNull(int index) const override { return query_->Fields(index).IsNull(); }
  std::string AsString(int index) const override {
    return IsNull(index) ? std::string() : query_->Fields(index).AsString();
  }
  int AsInteger(int index) const override {
    return IsNull(index) ? 0 : query_->Fields(index).AsInteger();
  }

 private:
  std::unique_ptr<TFIBQuery> query_;
  bool first_ = true;
};

}  // namespace

FIBMetadataSource::FIBMetadataSource(TFIBDatabase& database,
                                     std::set<RepositoryKind> repositories)
    : database_(database),
      repositories_(std::move(repositories)),
      transaction_(std::make_unique<TFIBTransaction>(nullptr)) {
  transaction_->SetDefaultDatabase(&database_);
  transaction_->TRParams().SetText("write\r\nread_committed\r\nrec_version\r\nnowait");
}

FIBMetadataSource::~FIBMetadataSource() {
  // Only reads ran in it; a rollback the server refuses (a lost connection)
  // must not end the process from a destructor.
  try {
    if (transaction_->Active()) transaction_->Rollback();
  } catch (const std::exception&) {
  }
}

std::string FIBMetadataSource::DBName() const { return database_.DBName(); }

bool FIBMetadataSource::UsesRepository(RepositoryKind kind) const {
  return repositories_.count(kind) != 0;
}

namespace {

std::unique_ptr<TFIBQuery> RunQuery(TFIBDatabase& database, TFIBTransaction& transaction,
                                    const std::string& sql, const MetadataParams& params) {
  if (!transaction.Active()) transaction.StartTransaction();
  auto query = std::make_unique<TFIBQuery>(nullptr);
  query->SetDatabase(&database);
  query->SetTransaction(&transaction);
  query->SQL().SetText(sql);
  for (const auto& [name, value] : params) query->ParamByName(name).SetAsVariant(value);
  query->ExecQuery();
  return query;
}

}  // namespace

std::unique_ptr<IMetadataRows> FIBMetadataSource::Select(const std::string& sql,
                                                         const MetadataParams& params) {
  return std::make_unique<QueryRows>(RunQuery(database_, *transaction_, sql, params));
}

void FIBMetadataSource::Execute(const std::string& sql, const MetadataParams& params) {
  RunQuery(database_, *transaction_, sql, params);
}

void FIBMetadataSource::Commit() {
  if (transaction_->Active()) transaction_->Commit();
}

}  // namespace fib
