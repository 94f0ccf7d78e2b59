#include "app/ado_oracle_driver.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <mutex>

#include "classlib/codepage.h"
#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "dacore/comp_da_error.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"

namespace app {

namespace {

std::string ToAnsi(const QString& text) { return classlib::Utf8ToCp1251(text.toStdString()); }
QString FromAnsi(const std::string& ansi) {
  return QString::fromStdString(classlib::Cp1251ToUtf8(ansi));
}

// The server's own words and code for a failure, so the ADO layer shows
// "ORA-nnnnn: ..." as the message.
QSqlError ErrorOf(const std::exception& error, QSqlError::ErrorType type) {
  QString code;
  std::string text = error.what();
  if (const auto* e = dynamic_cast<const classlib::Exception*>(&error)) text = e->Message();
  if (const auto* e = dynamic_cast<const dacore::EDAError*>(&error))
    code = QString::number(e->ErrorCode());
  return QSqlError(QString(), FromAnsi(text), type, code);
}

QMetaType QtTypeOf(classlib::TFieldType type) {
  switch (type) {
    case classlib::ftSmallint:
    case classlib::ftInteger:
    case classlib::ftWord:
    case classlib::ftAutoInc:
      return QMetaType(QMetaType::Int);
    case classlib::ftLargeint:
      return QMetaType(QMetaType::LongLong);
    case classlib::ftBoolean:
      return QMetaType(QMetaType::Bool);
    case classlib::ftFloat:
    case classlib::ftCurrency:
    case classlib::ftBCD:
    case classlib::ftFMTBcd:
      return QMetaType(QMetaType::Double);
    case classlib::ftDate:
    case classlib::ftTime:
    case classlib::ftDateTime:
    case classlib::ftTimeStamp:
    case classlib::ftOraTimeStamp:
      return QMetaType(QMetaType::QDateTime);
    case classlib::ftBytes:
    case classlib::ftVarBytes:
    case classlib::ftBlob:
    case classlib::ftOraBlob:
    case classlib::ftTypedBinary:
    case classlib::ftGraphic:
      return QMetaType(QMetaType::QByteArray);
    default:
      return QMetaType(QMetaType::QString);
  }
}

QDateTime QtDateTime(classlib::TDateTime value) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
  classlib::DecodeDate(value, year, month, day);
  classlib::DecodeTime(value, hour, minute, second, msec);
  return QDateTime(QDate(year, month, day), QTime(hour, minute, second, msec));
}

QVariant ValueOf(const classlib::TField& field, const QMetaType& type) {
  if (field.IsNull()) return QVariant(type);
  switch (type.id()) {
    case QMetaType::Int: return field.AsInteger();
    case QMetaType::LongLong: return static_cast<qlonglong>(field.AsLargeInt());
    case QMetaType::Bool: return field.AsBoolean();
    case QMetaType::Double: return field.AsFloat();
    case QMetaType::QDateTime: return QtDateTime(field.AsDateTime());
    case QMetaType::QByteArray: {
      const std::string bytes = field.AsString();
      return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    default: return FromAnsi(field.AsString());
  }
}

}  // namespace

void RegisterOracleQtDriver() {
  static std::once_flag registered;
  std::call_once(registered, [] {
    QSqlDatabase::registerSqlDriver(QString::fromLatin1(kOracleQtDriver),
                                    new QSqlDriverCreator<TOraSqlDriver>);
  });
}

// ---- TOraSqlDriver

TOraSqlDriver::TOraSqlDriver(QObject* parent) : QSqlDriver(parent) {}

TOraSqlDriver::~TOraSqlDriver() { close(); }

bool TOraSqlDriver::hasFeature(DriverFeature feature) const {
  switch (feature) {
    case Transactions:
    case QuerySize:
    case BLOB:
    case Unicode:
      return true;
    default:
      // Placeholders are put in as literals by Qt: the session binds by
      // name, and the ADO stand-in binds by position.
      return false;
  }
}

bool TOraSqlDriver::open(const QString& db, const QString& user, const QString& password,
                         const QString& /*host*/, int /*port*/, const QString& /*options*/) {
  if (isOpen()) close();
  auto session = std::make_unique<oracle::TOraSession>();
  try {
    session->SetUsername(ToAnsi(user));
    session->SetPassword(ToAnsi(password));
    session->SetServer(ToAnsi(db));
    session->SetConnected(true);
  } catch (const std::exception& error) {
    setLastError(ErrorOf(error, QSqlError::ConnectionError));
    setOpenError(true);
    return false;
  }
  session_ = std::move(session);
  setOpen(true);
  setOpenError(false);
  return true;
}

void TOraSqlDriver::close() {
  if (session_) {
    try {
      session_->SetConnected(false);
    } catch (const std::exception&) {
      // A session that cannot say goodbye to its server is gone all the same.
    }
    session_.reset();
  }
  if (isOpen()) {
    setOpen(false);
    setOpenError(false);
  }
}

QSqlResult* TOraSqlDriver::createResult() const { return new TOraSqlResult(this); }

bool TOraSqlDriver::beginTransaction() {
  if (!session_) return false;
  try {
    session_->StartTransaction();
    return true;
  } catch (const std::exception& error) {
    setLastError(ErrorOf(error, QSqlError::TransactionError));
    return false;
  }
}

bool TOraSqlDriver::commitTransaction() {
  if (!session_) return false;
  try {
    session_->Commit();
    return true;
  } catch (const std::exception& error) {
    setLastError(ErrorOf(error, QSqlError::TransactionError));
    return false;
  }
}

bool TOraSqlDriver::rollbackTransaction() {
  if (!session_) return false;
  try {
    session_->Rollback();
    return true;
  } catch (const std::exception& error) {
    setLastError(ErrorOf(error, QSqlError::TransactionError));
    return false;
  }
}

// ---- TOraSqlResult

TOraSqlResult::TOraSqlResult(const TOraSqlDriver* driver) : QSqlResult(driver), driver_(*driver) {}

void TOraSqlResult::Clear() {
  columns_.clear();
  rows_.clear();
  rows_affected_ = -1;
  setSelect(false);
  setActive(false);
  setAt(QSql::BeforeFirstRow);
}

bool TOraSqlResult::reset(const QString& query) {
  Clear();
  if (driver_.Session() == nullptr) {
    setLastError(QSqlError(QStringLiteral("Driver not open"), QString(),
                           QSqlError::ConnectionError));
    return false;
  }
  oracle::TOraQuery statement;
  statement.SetSession(driver_.Session());
  try {
    statement.SetSQL(ToAnsi(query));
    statement.Execute();
    if (!statement.Active()) {
      rows_affected_ = statement.RowsAffected();
      setActive(true);
      return true;
    }
    const classlib::TFields& fields = statement.Fields();
    std::vector<QMetaType> types;
    for (int i = 0; i < fields.Count(); ++i) {
      const classlib::TField& field = *fields[i];
      types.push_back(QtTypeOf(field.DataType()));
      QSqlField column(FromAnsi(field.FieldName()), types.back());
      column.setLength(field.Size());
      columns_.append(column);
    }
    for (; !statement.Eof(); statement.Next()) {
      std::vector<QVariant> row;
      for (int i = 0; i < fields.Count(); ++i) row.push_back(ValueOf(*fields[i], types[i]));
      rows_.push_back(std::move(row));
    }
    statement.Close();
  } catch (const std::exception& error) {
    setLastError(ErrorOf(error, QSqlError::StatementError));
    return false;
  }
  setSelect(true);
  setActive(true);
  return true;
}

bool TOraSqlResult::fetch(int index) {
  if (index < 0 || index >= static_cast<int>(rows_.size())) return false;
  setAt(index);
  return true;
}

bool TOraSqlResult::fetchFirst() { return fetch(0); }

bool TOraSqlResult::fetchLast() { return fetch(static_cast<int>(rows_.size()) - 1); }

QVariant TOraSqlResult::data(int index) {
  const int row = at();
  if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
  const auto& values = rows_[static_cast<std::size_t>(row)];
  if (index < 0 || index >= static_cast<int>(values.size())) return {};
  return values[static_cast<std::size_t>(index)];
}

bool TOraSqlResult::isNull(int index) { return data(index).isNull(); }

int TOraSqlResult::size() { return isSelect() ? static_cast<int>(rows_.size()) : -1; }

int TOraSqlResult::numRowsAffected() { return rows_affected_; }

QSqlRecord TOraSqlResult::record() const { return columns_; }

}  // namespace app
