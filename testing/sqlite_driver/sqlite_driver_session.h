// The connection component of the SQLite test driver: it makes the driver's
// connection (or takes one from the driver's pools when Pooling is on),
// counts a killed session's error as fatal, so the component's fail-over
// runs, and answers the transaction that the session really holds open.
#pragma once

#include <memory>
#include <string>

#include "dacore/comp_connection.h"
#include "dacore/pool_manager.h"
#include "testing/sqlite_driver/sqlite_driver_connection.h"

namespace sqlite_driver {

// The pools of SQLite connections; one for the process.
class TSQLitePoolManager : public dacore::TCRConnectionPoolManager {
  CLASSLIB_CLASS(TSQLitePoolManager, dacore::TCRConnectionPoolManager)
 public:
  using TCRConnectionPoolManager::TCRConnectionPoolManager;
  ~TSQLitePoolManager() override { StopValidation(); }
  static TSQLitePoolManager& Instance();

 protected:
  std::unique_ptr<dacore::TCRConnectionPool> CreateConnectionPool(
      const dacore::TCRConnectionParameters& parameters) override;
};

class TSQLiteSession : public dacore::TCustomDAConnection {
  CLASSLIB_CLASS(TSQLiteSession, dacore::TCustomDAConnection)
 public:
  explicit TSQLiteSession(classlib::TComponent* owner);
  ~TSQLiteSession() override;

  // The session's driver connection (nullptr before the first connect).
  TSQLiteConnection* SQLiteConnection() const { return static_cast<TSQLiteConnection*>(IConnection()); }
  bool IsFatalError(const classlib::Exception& e) const override;
  // The transaction id only while the session holds a transaction open.
  std::string GetTransactionID() const override;
  std::unique_ptr<dacore::TCRCommand> CreateICommand() override;
  // A statement with the SQLite lexer.
  std::unique_ptr<dacore::TCustomDASQL> CreateSQL() override;
  // A data set of the driver (TSQLiteDataSet) and its record set.
  std::unique_ptr<dacore::TCustomDADataSet> CreateDataSet() override;
  std::unique_ptr<dacore::TCRRecordSet> CreateIRecordSet() override;

 protected:
  dacore::TConnectDialogClass ConnectDialogClass() const override { return {}; }
  void CreateIConnection() override;
};

}  // namespace sqlite_driver
