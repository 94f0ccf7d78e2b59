#include "app/ado_connection_errors.h"

#include <QRegularExpression>
#include <QSqlError>
#include <algorithm>

#include "classlib/ansistr.h"
#include "classlib/codepage.h"

namespace app {

namespace {

std::string Ansi(const QString& text) { return classlib::Utf8ToCp1251(text.toStdString()); }
std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

// A blank before "[vendor][component]" starts the next ODBC diagnostic
// record; a line break starts the next message in any case.
const QRegularExpression kMessageBreak(QStringLiteral("\\s+(?=\\[[^\\[\\]]*\\]\\[)|[\\r\\n]+"));

void AddMessages(const QString& text, std::vector<std::string>& messages) {
  for (const QString& part : text.split(kMessageBreak, Qt::SkipEmptyParts)) {
    const QString message = part.trimmed();
    if (!message.isEmpty()) messages.push_back(Ansi(message));
  }
}

bool AnyContains(const std::vector<std::string>& messages, std::initializer_list<const char*> marks) {
  return std::any_of(messages.begin(), messages.end(), [&](const std::string& message) {
    return std::any_of(marks.begin(), marks.end(), [&](const char* mark) {
      return message.find(mark) != std::string::npos;
    });
  });
}

}  // namespace

std::vector<std::string> ConnectionErrorMessages(const QSqlError& error) {
  std::vector<std::string> messages;
  AddMessages(error.databaseText(), messages);
  AddMessages(error.driverText(), messages);
  return messages;
}

std::string MissingClientAdvice(const std::string& provider, const std::string& odbc_driver,
                                const std::vector<std::string>& messages) {
  // unixODBC's words for a driver it cannot load or does not know.
  if (classlib::SameText(provider, "SQLOLEDB.1") &&
      AnyContains(messages, {"Can't open lib", "Data source name not found"}))
    return Ansi("Не найден драйвер ODBC \"") + odbc_driver +
           Ansi("\" для соединения с Microsoft SQL Server. Установите этот драйвер (FreeTDS - "
                "пакет tdsodbc) или назовите установленный драйвер в переменной окружения "
                "UPDATER_MSSQL_ODBC_DRIVER (по умолчанию FreeTDS).");
  // The Oracle layer's words for a client library it cannot find, load or
  // accept.
  if (classlib::SameText(provider, "OraOLEDB.Oracle.1") &&
      AnyContains(messages, {"Cannot find OCI DLL", "Cannot load ", "OCI version "}))
    return Ansi("Не найдена клиентская библиотека Oracle подходящей версии (libclntsh.so версий "
                "от 8.0 до 10.2). Установите клиент Oracle одной из этих версий и укажите его "
                "каталог в переменной окружения ORACLE_HOME.");
  return {};
}

std::string ConnectionFailureText(const std::string& advice,
                                  const std::vector<std::string>& messages) {
  std::vector<std::string> lines;
  if (!advice.empty()) lines.push_back(advice);
  for (const std::string& message : messages)
    if (std::find(lines.begin(), lines.end(), message) == lines.end()) lines.push_back(message);
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
  return text;
}

}  // namespace app
