#include "app/ado_connection_errors.h"

#include <QRegularExpression>
#include <QSqlError>
#include <algorithm>

#include "app/ado_provider.h"
#include "app/val_list.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"

namespace app {

namespace {

std::string Ansi(const QString& text) { return classlib::Utf8ToCp1251(text.toStdString()); }
std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

// A blank before "[vendor][component]" starts the next ODBC diagnostic
// record; a line break starts the next message in any case.
const QRegularExpression kMessageBreak(QStringLiteral("\\s+(?=\\[[^\\[\\]]*\\]\\[)|[\\r\\n]+"));
// The name of the Qt driver a message comes from means nothing to the user.
const QRegularExpression kQtDriverName(
    QStringLiteral("^(QODBC3?|QIBASE|QSQLITE|QPSQL|QMYSQL|QOCI|QDB2): *"));

// The Oracle layer's words about its client library, and what the window
// says instead (no "OCI DLL" on this system: its client is a shared
// library). The part after the English beginning is kept.
struct TOracleWords {
  const char* english;
  const char* russian_before;
  const char* russian_after;
};
const TOracleWords kOracleWords[] = {
    {"Cannot find OCI DLL: in ", "Не найдена клиентская библиотека Oracle установки ", ""},
    {"Cannot find OCI DLL: ", "Не найдена клиентская библиотека Oracle ", ""},
    {"Cannot load OCI DLL: ", "Не удалось загрузить клиентскую библиотеку Oracle ", ""},
    {"Not an Oracle client library: ", "Файл ", " не является клиентской библиотекой Oracle"},
};
const char* const kOracleVersionBefore = "OCI version ";
const char* const kOracleVersionAfter = " is not supported";

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string InRussian(const std::string& message) {
  for (const TOracleWords& words : kOracleWords) {
    if (message.rfind(words.english, 0) == 0)
      return Ansi(words.russian_before) + message.substr(std::string(words.english).size()) +
             Ansi(words.russian_after);
  }
  const std::string before = kOracleVersionBefore, after = kOracleVersionAfter;
  if (message.rfind(before, 0) == 0 && message.size() > before.size() + after.size() &&
      EndsWith(message, after))
    return Ansi("Версия ") + message.substr(before.size(), message.size() - before.size() - after.size()) +
           Ansi(" клиентской библиотеки Oracle не поддерживается");
  return message;
}

void AddMessages(const QString& text, std::vector<std::string>& messages) {
  for (const QString& part : text.split(kMessageBreak, Qt::SkipEmptyParts)) {
    QString message = part.trimmed();
    message.remove(kQtDriverName);
    message = message.trimmed();
    if (!message.isEmpty()) messages.push_back(InRussian(Ansi(message)));
  }
}

bool AnyContains(const std::vector<std::string>& messages, std::initializer_list<const char*> marks) {
  return std::any_of(messages.begin(), messages.end(), [&](const std::string& message) {
    return std::any_of(marks.begin(), marks.end(), [&](const char* mark) {
      return message.find(mark) != std::string::npos;
    });
  });
}

// The file a Firebird "open" failure names, when a message names one.
bool OpenFailureFile(const std::vector<std::string>& messages, std::string& file) {
  static const std::string kOpen = "I/O error during \"open\" operation for file \"";
  for (const std::string& message : messages) {
    const std::size_t at = message.find(kOpen);
    if (at == std::string::npos) continue;
    const std::size_t start = at + kOpen.size();
    const std::size_t end = message.find('"', start);
    if (end == std::string::npos) continue;
    file = message.substr(start, end - start);
    return true;
  }
  return false;
}

// The first words of each server's refusal of a user name or password
// (SQL Server's is its error 18456).
const char* const kLoginRefusals[] = {
    "Your user name and password are not defined",
    "ORA-01017",
    "Login failed for user",
};

std::string LoginAdvice(TAccountOrigin account) {
  if (account == TAccountOrigin::kStored)
    return Ansi("Сервер не принял имя пользователя или пароль базы данных, сохраненные для "
                "пользователя продукта. Обратитесь к администратору.");
  return Ansi("Сервер не принял имя пользователя или пароль. Проверьте их, а также раскладку "
              "клавиатуры и не включен ли Caps Lock.");
}

std::string FirebirdAdvice(const std::vector<std::string>& messages) {
  std::string file;
  if (OpenFailureFile(messages, file)) {
    // The first page writes "server:file", or the file alone for this
    // computer's server; a part left empty is a choice not made.
    if (file.empty()) return Ansi("Не указан файл базы данных.");
    if (file == ":") return Ansi("Не указаны сервер и файл базы данных.");
    if (file.front() == ':') return Ansi("Не указан сервер базы данных.");
    if (file.back() == ':') return Ansi("Не указан файл базы данных.");
    if (AnyContains(messages, {"No such file or directory"}))
      return Ansi("Файл базы данных не найден: проверьте путь к файлу и имя сервера.");
    return {};
  }
  if (AnyContains(messages, {"Unable to complete network request to host"}))
    return Ansi("Сервер базы данных не отвечает: проверьте имя сервера и что на нем запущен "
                "сервер Firebird.");
  // Something answers at that port, but not in a Firebird protocol this
  // client speaks.
  if (AnyContains(messages, {"connection rejected by remote interface"}))
    return Ansi("По этому адресу отвечает не сервер Firebird или сервер Firebird версии, с "
                "которой клиент не работает: проверьте имя сервера и порт.");
  return {};
}

std::string SqlServerAdvice(const TValList& pairs, const std::string& odbc_driver,
                            const std::vector<std::string>& messages) {
  // unixODBC's words for a driver it cannot load or does not know.
  if (AnyContains(messages, {"Can't open lib", "Data source name not found"}))
    return Ansi("Не найден драйвер ODBC \"") + odbc_driver +
           Ansi("\" для соединения с Microsoft SQL Server. Установите этот драйвер (FreeTDS - "
                "пакет tdsodbc) или назовите установленный драйвер в переменной окружения "
                "UPDATER_MSSQL_ODBC_DRIVER (по умолчанию FreeTDS).");
  // Something accepted the connection but did not answer in SQL Server's
  // protocol (FreeTDS's words); it may also add that the server is
  // unavailable, so this is told first.
  if (AnyContains(messages, {"Unexpected EOF from the server", "Read from the server failed",
                             "Bad token from the server", "Adaptive Server connection failed"}))
    return Ansi("По этому адресу отвечает не Microsoft SQL Server: порт принимает соединения, "
                "но не отвечает как SQL Server. Проверьте имя сервера и порт (по умолчанию "
                "1433).");
  if (AnyContains(messages, {"Server is unavailable or does not exist", "Unknown host machine name"})) {
    if (ConnectionValue(pairs, "Data Source").empty()) return Ansi("Не указан сервер базы данных.");
    return Ansi("Сервер базы данных не отвечает: проверьте имя сервера и что на нем запущен "
                "Microsoft SQL Server, принимающий соединения по сети.");
  }
  return {};
}

// A message InRussian made of the Oracle layer's words about its client.
bool SaysOracleClient(const std::string& message) {
  for (const TOracleWords& words : kOracleWords)
    if (message.rfind(Ansi(words.russian_before), 0) == 0 &&
        EndsWith(message, Ansi(words.russian_after)))
      return true;
  return message.rfind(Ansi("Версия "), 0) == 0 &&
         EndsWith(message, Ansi(" клиентской библиотеки Oracle не поддерживается"));
}

// The two commonest mistakes in reaching an Oracle server: nothing listens
// at the address the service names, or the service name is unknown to the
// client's name resolution.
bool AnyStartsWith(const std::vector<std::string>& messages, const char* start) {
  return std::any_of(messages.begin(), messages.end(),
                     [&](const std::string& message) { return message.rfind(start, 0) == 0; });
}

std::string OracleAdvice(const TValList& pairs, const std::vector<std::string>& messages) {
  if (AnyStartsWith(messages, "ORA-12541"))
    return Ansi("Сервер Oracle не отвечает: по адресу сетевого сервиса не запущен прослушиватель "
                "Oracle (listener). Проверьте, что прослушиватель запущен на сервере (lsnrctl "
                "status), и что сетевой сервис указывает верные имя сервера и порт.");
  if (AnyStartsWith(messages, "ORA-12154"))
    return Ansi("Сетевой сервис Oracle \"") + ConnectionValue(pairs, "Data Source") +
           Ansi("\" не найден: проверьте имя сетевого сервиса, как оно введено, и разрешение "
                "имен клиента Oracle (файл tnsnames.ora в каталоге network/admin клиента или в "
                "каталоге из переменной окружения TNS_ADMIN).");
  if (std::none_of(messages.begin(), messages.end(), SaysOracleClient)) return {};
  return Ansi("Не найдена клиентская библиотека Oracle подходящей версии (libclntsh.so версий "
              "от 8.0 до 10.2). Установите клиент Oracle одной из этих версий и укажите его "
              "каталог в переменной окружения ORACLE_HOME.");
}

}  // namespace

std::vector<std::string> ConnectionErrorMessages(const QSqlError& error) {
  std::vector<std::string> messages;
  AddMessages(error.databaseText(), messages);
  AddMessages(error.driverText(), messages);
  return messages;
}

std::vector<std::string> ConnectionErrorMessages(const std::string& text) {
  std::vector<std::string> messages;
  AddMessages(QString::fromStdString(classlib::Cp1251ToUtf8(text)), messages);
  return messages;
}

bool SaysLoginRefused(const std::vector<std::string>& messages) {
  for (const char* refusal : kLoginRefusals)
    if (AnyContains(messages, {refusal})) return true;
  return false;
}

std::string ConnectionFailureAdvice(const TValList& pairs, const std::string& odbc_driver,
                                    const std::vector<std::string>& messages,
                                    TAccountOrigin account) {
  const std::string provider = ConnectionValue(pairs, "Provider");
  const bool known = classlib::SameText(provider, "LCPI.IBProvider.2") ||
                     classlib::SameText(provider, "SQLOLEDB.1") ||
                     classlib::SameText(provider, "OraOLEDB.Oracle.1");
  if (known && SaysLoginRefused(messages)) return LoginAdvice(account);
  if (classlib::SameText(provider, "LCPI.IBProvider.2")) return FirebirdAdvice(messages);
  if (classlib::SameText(provider, "SQLOLEDB.1"))
    return SqlServerAdvice(pairs, odbc_driver, messages);
  if (classlib::SameText(provider, "OraOLEDB.Oracle.1")) return OracleAdvice(pairs, messages);
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
