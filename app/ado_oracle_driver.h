// The Qt SQL driver behind the ADO provider "OraOLEDB.Oracle.1": a session
// of the Oracle client layer (TOraSession over the client library, never
// direct mode) carries the connection, and each statement runs on a
// TOraQuery of that session. The driver registers with Qt SQL under
// kOracleQtDriver like the installed drivers, so the ADO stand-in opens it
// the same way as the others.
//
// The Qt connection's database name is the network service name ("Data
// Source"), its user and password the account. Texts cross this edge as
// UTF-8 on the Qt side and code page 1251 on the Oracle side. A failure
// carries the server's text ("ORA-01017: ...") as the error's database text
// and the Oracle error code as its native code.
#pragma once

#include <QSqlDriver>
#include <QSqlRecord>
#include <QSqlResult>
#include <QVariant>
#include <memory>
#include <vector>

namespace oracle {
class TOraSession;
}

namespace app {

inline constexpr const char* kOracleQtDriver = "UPDATER_ORA";

// Makes kOracleQtDriver known to Qt SQL; later calls do nothing.
void RegisterOracleQtDriver();

class TOraSqlDriver : public QSqlDriver {
  Q_OBJECT

 public:
  explicit TOraSqlDriver(QObject* parent = nullptr);
  ~TOraSqlDriver() override;

  bool hasFeature(DriverFeature feature) const override;
  bool open(const QString& db, const QString& user, const QString& password,
            const QString& host, int port, const QString& options) override;
  void close() override;
  QSqlResult* createResult() const override;
  bool beginTransaction() override;
  bool commitTransaction() override;
  bool rollbackTransaction() override;

  // The session while open, else nullptr.
  oracle::TOraSession* Session() const { return session_.get(); }

 private:
  std::unique_ptr<oracle::TOraSession> session_;
};

// One statement on the driver's session. A query's rows are read whole when
// it runs (the ADO data sets read every row at once anyway), so the result
// can be walked in both directions.
class TOraSqlResult : public QSqlResult {
 public:
  explicit TOraSqlResult(const TOraSqlDriver* driver);

 protected:
  bool reset(const QString& query) override;
  bool fetch(int index) override;
  bool fetchFirst() override;
  bool fetchLast() override;
  QVariant data(int index) override;
  bool isNull(int index) override;
  int size() override;
  int numRowsAffected() override;
  QSqlRecord record() const override;

 private:
  void Clear();
  const TOraSqlDriver& driver_;
  QSqlRecord columns_;
  std::vector<std::vector<QVariant>> rows_;
  int rows_affected_ = -1;
};

}  // namespace app
