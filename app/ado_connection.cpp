#include "app/ado_connection.h"

#include <atomic>

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QStringList>

#include "app/ado_connection_errors.h"
#include "app/ado_provider.h"
#include "classlib/codepage.h"

namespace app {

namespace {

QString NewConnectionName() {
  static std::atomic<unsigned> counter{0};
  return QStringLiteral("ado-connection-%1").arg(++counter);
}

std::string FromQt(const QString& text) { return classlib::Utf8ToCp1251(text.toStdString()); }

void AddNames(const QStringList& names, classlib::TStrings& list) {
  for (const QString& name : names) list.Add(FromQt(name));
}

}  // namespace

TADOConnection::TADOConnection(classlib::TComponent* owner) : TCustomConnection(owner) {}

TADOConnection::~TADOConnection() {
  Destroying();
  // Closing here, while the connection is still whole, lets its data sets
  // drop their Qt queries before the Qt connection goes away.
  try {
    Close();
  } catch (...) {
  }
}

void TADOConnection::SetConnectionString(const std::string& value) {
  if (Connected())
    throw EADOError("Operation is not allowed when the object is open");
  connection_string_ = value;
}

std::string TADOConnection::Provider() const {
  TValList pairs;
  pairs.SetText(connection_string_);
  return ConnectionValue(pairs, "Provider");
}

void TADOConnection::DoConnect() {
  TValList pairs;
  pairs.SetText(connection_string_);
  const QString name = NewConnectionName();
  std::string failure;
  {
    QSqlDatabase db = AddProviderDatabase(pairs, name);
    if (db.open()) {
      qt_connection_name_ = name;
      in_transaction_ = false;
      return;
    }
    const std::vector<std::string> messages = ConnectionErrorMessages(db.lastError());
    failure = ConnectionFailureText(
        ConnectionFailureAdvice(pairs, MssqlOdbcDriver(), messages, account_origin_), messages);
  }
  // The handle above is gone, so Qt can forget the failed connection.
  QSqlDatabase::removeDatabase(name);
  throw EADOError(failure.empty() ? "Cannot connect to " + Provider() : failure);
}

void TADOConnection::DoDisconnect() {
  if (qt_connection_name_.isEmpty()) return;
  {
    QSqlDatabase db = QSqlDatabase::database(qt_connection_name_, false);
    // ADO rolls back what an open transaction holds when its connection closes.
    if (in_transaction_) db.rollback();
    db.close();
  }
  QSqlDatabase::removeDatabase(qt_connection_name_);
  qt_connection_name_.clear();
  in_transaction_ = false;
}

bool TADOConnection::GetConnected() const { return !qt_connection_name_.isEmpty(); }

QSqlDatabase TADOConnection::Database() const {
  CheckConnected();
  return QSqlDatabase::database(qt_connection_name_, false);
}

void TADOConnection::MoveToThread(QThread* thread) { Database().driver()->moveToThread(thread); }

void TADOConnection::CheckConnected() const {
  if (qt_connection_name_.isEmpty())
    throw EADOError("Operation is not allowed when the object is closed");
}

void TADOConnection::RaiseSqlError(const std::string& what) const {
  const std::string detail = FromQt(Database().lastError().text());
  throw EADOError(detail.empty() ? what : what + ": " + detail);
}

QSqlQuery TADOConnection::ExecQuery(const std::string& command_text) {
  if (!Connected()) Open();
  QSqlQuery query(Database());
  query.setForwardOnly(true);  // rows are read once, front to back
  if (!query.exec(QString::fromStdString(classlib::Cp1251ToUtf8(command_text)))) {
    CheckQueryError(query);
    throw EADOError("Statement failed");
  }
  return query;
}

void TADOConnection::CheckQueryError(const QSqlQuery& query) {
  const QSqlError error = query.lastError();
  if (error.type() == QSqlError::NoError) return;
  const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
  throw EADOError(text.isEmpty() ? "Statement failed" : FromQt(text));
}

int TADOConnection::Execute(const std::string& command_text) {
  return ExecQuery(command_text).numRowsAffected();
}

int TADOConnection::BeginTrans() {
  CheckConnected();
  if (in_transaction_) throw EADOError("Only one transaction can be active on a connection");
  if (!Database().transaction()) RaiseSqlError("Cannot start a transaction");
  in_transaction_ = true;
  return 1;
}

void TADOConnection::CommitTrans() {
  CheckConnected();
  if (!in_transaction_) throw EADOError("No transaction is active");
  if (!Database().commit()) RaiseSqlError("Cannot commit the transaction");
  in_transaction_ = false;
}

void TADOConnection::RollbackTrans() {
  CheckConnected();
  if (!in_transaction_) throw EADOError("No transaction is active");
  if (!Database().rollback()) RaiseSqlError("Cannot roll back the transaction");
  in_transaction_ = false;
}

void TADOConnection::GetTableNames(classlib::TStrings& list, bool system_tables) {
  QSqlDatabase db = Database();
  classlib::TStrings::Updating updating(list);
  list.Clear();
  AddNames(db.tables(QSql::Tables), list);
  AddNames(db.tables(QSql::Views), list);
  if (system_tables) AddNames(db.tables(QSql::SystemTables), list);
}

void TADOConnection::GetFieldNames(const std::string& table, classlib::TStrings& list) {
  QSqlDatabase db = Database();
  classlib::TStrings::Updating updating(list);
  list.Clear();
  const QSqlRecord columns = db.record(QString::fromStdString(classlib::Cp1251ToUtf8(table)));
  for (int i = 0; i < columns.count(); ++i) list.Add(FromQt(columns.fieldName(i)));
}

}  // namespace app
