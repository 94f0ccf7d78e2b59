// TADOConnection: the updater's database connection, configured by an ADO
// connection string ("Provider=...;User Id=...;..." as the first page builds
// it) and carried out by Qt SQL (see ado_provider.h for the providers).
//
// Open/Close/Connected come from TCustomConnection. Queries, data sets and
// commands bound to the connection register as its clients and are closed
// when it disconnects. Text crosses this edge in code page 1251: connection
// strings, statements, names and field values are CP1251 bytes.
#pragma once

#include <string>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

class QThread;

#include "app/ado_connection_errors.h"
#include "app/ado_provider.h"
#include "classlib/custom_connection.h"
#include "classlib/strings.h"

namespace app {

class TADOConnection : public classlib::TCustomConnection {
  CLASSLIB_CLASS(TADOConnection, classlib::TCustomConnection)

 public:
  explicit TADOConnection(classlib::TComponent* owner);
  ~TADOConnection() override;

  const std::string& ConnectionString() const { return connection_string_; }
  // Raises EADOError while connected, as ADO refuses to change an open
  // connection.
  void SetConnectionString(const std::string& value);

  // The provider named by the connection string (for messages).
  std::string Provider() const;

  // Whose account the connection string holds: a refused login tells the
  // user what to do about it (the first page's account by default).
  void SetAccountOrigin(TAccountOrigin origin) { account_origin_ = origin; }

  // Explicit transactions. Outside them every statement commits by itself.
  bool InTransaction() const { return in_transaction_; }
  int BeginTrans();  // returns the nesting level, always 1
  void CommitTrans();
  void RollbackTrans();

  // The user tables and views, and with `system_tables` the server's own
  // tables as well, into `list` (cleared first) in the order the server gives
  // them. Views are listed because ADO's table schema lists them beside the
  // tables.
  void GetTableNames(classlib::TStrings& list, bool system_tables = false);
  // The columns of `table` in their order into `list` (cleared first).
  // An unknown table gives an empty list.
  void GetFieldNames(const std::string& table, classlib::TStrings& list);

  // Runs a statement, opening the connection first when it is closed, and
  // returns the number of rows it affected (-1 when the server does not say).
  int Execute(const std::string& command_text);
  // Runs a statement the same way and hands back its Qt query, positioned
  // before the first row of a result set. Raises EADOError with the server's
  // message when the statement fails.
  QSqlQuery ExecQuery(const std::string& command_text);
  // Raises EADOError with the server's message when the query's last step
  // failed: a row the server could not deliver ends QSqlQuery::next() as the
  // end of the rows does, and only the query's error tells them apart.
  static void CheckQueryError(const QSqlQuery& query);

  // The open Qt connection; raises EADOError when not connected.
  QSqlDatabase Database() const;

  // Hands the open Qt connection to `thread`, which alone may use it from
  // then on; called on the thread that holds it now.
  void MoveToThread(QThread* thread);

 protected:
  void DoConnect() override;
  void DoDisconnect() override;
  bool GetConnected() const override;

 private:
  void CheckConnected() const;
  [[noreturn]] void RaiseSqlError(const std::string& what) const;

  std::string connection_string_;
  QString qt_connection_name_;  // empty while not connected
  bool in_transaction_ = false;
  TAccountOrigin account_origin_ = TAccountOrigin::kTyped;
};

}  // namespace app
