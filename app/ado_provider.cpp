#include "app/ado_provider.h"

#include <cstdlib>

#include "app/ado_oracle_driver.h"
#include "classlib/codepage.h"

namespace app {

namespace {

constexpr std::string_view kFirebirdProvider = "LCPI.IBProvider.2";
constexpr std::string_view kMssqlProvider = "SQLOLEDB.1";
constexpr std::string_view kOracleProvider = "OraOLEDB.Oracle.1";
// ADO's own default when a connection string names no provider.
constexpr std::string_view kDefaultProvider = "MSDASQL.1";

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

QString ToQt(std::string_view ansi) { return QString::fromStdString(classlib::Cp1251ToUtf8(ansi)); }

[[noreturn]] void RaiseUnavailable(std::string_view provider) {
  throw EADOError("Provider cannot be found. It may not be properly installed: \"" +
                  std::string(provider) + "\"");
}

QSqlDatabase AddDriver(const char* qt_driver, std::string_view provider, const QString& name) {
  if (!QSqlDatabase::isDriverAvailable(QString::fromLatin1(qt_driver))) RaiseUnavailable(provider);
  QSqlDatabase db = QSqlDatabase::addDatabase(QString::fromLatin1(qt_driver), name);
  if (!db.isValid()) {
    QSqlDatabase::removeDatabase(name);
    RaiseUnavailable(provider);
  }
  return db;
}

// "host:path" names a server when what precedes the first ":" is more than a
// drive letter; otherwise the whole location is a local file for the
// embedded engine.
void SetFirebirdLocation(QSqlDatabase& db, const std::string& location) {
  const std::size_t colon = location.find(':');
  if (colon != std::string::npos && colon > 1) {
    db.setHostName(ToQt(location.substr(0, colon)));
    db.setDatabaseName(ToQt(location.substr(colon + 1)));
    return;
  }
  std::string path = location;
  for (char& c : path) {
    if (c == '\\') c = '/';  // release files and dialogs write Windows paths
  }
  db.setDatabaseName(ToQt(path));
}

QSqlDatabase AddFirebird(const TValList& pairs, const QString& name) {
  QSqlDatabase db = AddDriver("QIBASE", kFirebirdProvider, name);
  SetFirebirdLocation(db, ConnectionValue(pairs, "Location"));
  db.setUserName(ToQt(ConnectionValue(pairs, "User Id")));
  db.setPassword(ToQt(pairs.GetValue("Password")));
  std::string ctype = ConnectionValue(pairs, "ctype");
  if (ctype.empty()) ctype = "WIN1251";
  db.setConnectOptions(ToQt("ISC_DPB_LC_CTYPE=" + ctype));
  return db;
}

QSqlDatabase AddMssql(const TValList& pairs, const QString& name) {
  QSqlDatabase db = AddDriver("QODBC", kMssqlProvider, name);
  db.setDatabaseName(ToQt(MssqlOdbcConnectionString(pairs, MssqlOdbcDriver())));
  return db;
}

// "Data Source" is the network service name; the session reaches the
// server through the Oracle client library.
QSqlDatabase AddOracle(const TValList& pairs, const QString& name) {
  RegisterOracleQtDriver();
  QSqlDatabase db = AddDriver(kOracleQtDriver, kOracleProvider, name);
  db.setDatabaseName(ToQt(ConnectionValue(pairs, "Data Source")));
  db.setUserName(ToQt(ConnectionValue(pairs, "User Id")));
  db.setPassword(ToQt(pairs.GetValue("Password")));
  return db;
}

}  // namespace

std::string MssqlOdbcDriver() {
  const char* configured = std::getenv(kMssqlOdbcDriverVariable);
  if (configured != nullptr && *configured != '\0') return configured;
  return "FreeTDS";
}

std::string ConnectionValue(const TValList& pairs, std::string_view name) {
  return std::string(TrimBlanks(pairs.GetValue(name)));
}

std::string OdbcValue(std::string_view value) {
  const bool needs_braces =
      value.find_first_of(";{}=") != std::string_view::npos ||
      (!value.empty() && (value.front() == ' ' || value.back() == ' '));
  if (!needs_braces) return std::string(value);
  std::string braced = "{";
  for (char c : value) {
    braced += c;
    if (c == '}') braced += '}';  // ODBC doubles a closing brace inside braces
  }
  return braced + "}";
}

std::string MssqlOdbcConnectionString(const TValList& pairs, const std::string& driver) {
  std::string text = "Driver=" + OdbcValue(driver);
  auto add = [&text](std::string_view keyword, const std::string& value) {
    if (!value.empty()) text += ";" + std::string(keyword) + "=" + OdbcValue(value);
  };
  add("Server", ConnectionValue(pairs, "Data Source"));
  add("Database", ConnectionValue(pairs, "Initial Catalog"));
  if (SameTextAscii(ConnectionValue(pairs, "Integrated Security"), "SSPI")) {
    add("Trusted_Connection", "Yes");
  } else {
    add("UID", ConnectionValue(pairs, "User Id"));
    add("PWD", pairs.GetValue("Password"));  // a password keeps its blanks
  }
  // The administrator's own setting, not the user's input: taken as written.
  const char* options = std::getenv(kMssqlOdbcOptionsVariable);
  if (options != nullptr && *options != '\0') text += ";" + std::string(options);
  return text;
}

QSqlDatabase AddProviderDatabase(const TValList& pairs, const QString& connection_name) {
  std::string provider = ConnectionValue(pairs, "Provider");
  if (provider.empty()) provider = kDefaultProvider;
  if (SameTextAscii(provider, kFirebirdProvider)) return AddFirebird(pairs, connection_name);
  if (SameTextAscii(provider, kMssqlProvider)) return AddMssql(pairs, connection_name);
  if (SameTextAscii(provider, kOracleProvider)) return AddOracle(pairs, connection_name);
  RaiseUnavailable(provider);
}

}  // namespace app
