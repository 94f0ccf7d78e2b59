// The SQLite test driver's connection component and its pools.
#include "testing/sqlite_driver/sqlite_driver_session.h"

#include "dacore/pool_connection_pool.h"
#include "testing/sqlite_driver/sqlite_driver_command.h"
#include "testing/sqlite_driver/sqlite_driver_dataset.h"
#include "testing/sqlite_driver/sqlite_driver_record_set.h"
#include "testing/sqlite_driver/sqlite_driver_sql.h"

namespace sqlite_driver {

using namespace dacore;

namespace {

class TSQLiteLocalPool : public TCRLocalConnectionPool {
 public:
  using TCRLocalConnectionPool::TCRLocalConnectionPool;

 protected:
  TCRConnection* CreateNewConnector() override { return new TSQLiteConnection(); }
};

}  // namespace

TSQLitePoolManager& TSQLitePoolManager::Instance() {
  static TSQLitePoolManager manager;
  return manager;
}

std::unique_ptr<TCRConnectionPool> TSQLitePoolManager::CreateConnectionPool(
    const TCRConnectionParameters& parameters) {
  return std::make_unique<TSQLiteLocalPool>(this, parameters);
}

TSQLiteSession::TSQLiteSession(classlib::TComponent* owner) : TCustomDAConnection(owner) {}

TSQLiteSession::~TSQLiteSession() { DestroyConnection(); }

bool TSQLiteSession::IsFatalError(const classlib::Exception& e) const {
  const auto* error = dynamic_cast<const ESQLiteError*>(&e);
  return error && error->ConnectionLost();
}

std::string TSQLiteSession::GetTransactionID() const {
  const TSQLiteConnection* connection = SQLiteConnection();
  if (!connection || !connection->InTransaction()) return "";
  return TCustomDAConnection::GetTransactionID();
}

std::unique_ptr<TCRCommand> TSQLiteSession::CreateICommand() { return std::make_unique<TSQLiteCommand>(); }

std::unique_ptr<TCustomDASQL> TSQLiteSession::CreateSQL() {
  auto sql = std::make_unique<TSQLiteSQL>(nullptr);
  sql->SetConnection(this);
  return sql;
}

std::unique_ptr<TCustomDADataSet> TSQLiteSession::CreateDataSet() {
  auto data_set = std::make_unique<TSQLiteDataSet>(nullptr);
  data_set->SetConnection(this);
  return data_set;
}

std::unique_ptr<TCRRecordSet> TSQLiteSession::CreateIRecordSet() { return std::make_unique<TSQLiteRecordSet>(); }

void TSQLiteSession::CreateIConnection() {
  if (IConnection()) return;
  TCRConnection* connection = nullptr;
  if (Pooling()) {
    TCRConnectionParameters parameters;
    parameters.Username = Username();
    parameters.Password = Password();
    parameters.Server = Server();
    parameters.MinPoolSize = PoolingOptions().MinPoolSize;
    parameters.MaxPoolSize = PoolingOptions().MaxPoolSize;
    parameters.ConnectionLifetime = PoolingOptions().ConnectionLifetime;
    parameters.Validate = PoolingOptions().Validate;
    connection = TSQLitePoolManager::Instance().GetConnection(parameters);
  } else {
    connection = new TSQLiteConnection();
  }
  connection->SetProp(prAutoCommit, AutoCommit());
  connection->SetProp(prConvertEOL, ConvertEOL());
  connection->SetProp(prDisconnectedMode, Options().DisconnectedMode());
  SetIConnection(connection);
}

}  // namespace sqlite_driver
