// What the database tells about itself: its dialect and the server version.
#include <cctype>

#include "fib/base/errors.h"
#include "fib/statements/fib_database.h"

namespace fib {

namespace {

constexpr int kInfoBufferSize = 512;

// The first text of a list answer: item, 2-byte length, count, then
// length-prefixed texts.
std::string FirstInfoText(const std::string& answer, char item) {
  if (answer.size() < 5 || answer[0] != item) return std::string();
  size_t length = static_cast<unsigned char>(answer[4]);
  if (5 + length > answer.size()) return std::string();
  return answer.substr(5, length);
}

}  // namespace

ServerVersion ParseServerVersion(const std::string& text) {
  int numbers[4] = {-1, -1, -1, -1};
  int stored = 0;
  int value = 0;
  // Characters 5 .. length-1 of the text counted from 1.
  for (size_t i = 4; i + 1 < text.size() && stored < 4; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (std::isdigit(c)) {
      value = value * 10 + (c - '0');
    } else {
      numbers[stored++] = value;
      value = 0;
    }
  }
  return ServerVersion{numbers[0], numbers[1], numbers[2], numbers[3]};
}

std::string TFIBDatabase::DatabaseInfo(char item) {
  CheckActive();
  const char items[] = {item, isc_info_end};
  std::string answer(kInfoBufferSize, '\0');
  CheckClientCall(ClientLibrary().isc_database_info(StatusVector(), &handle_, sizeof items, items,
                                                    kInfoBufferSize, answer.data()),
                  true);
  return answer;
}

int TFIBDatabase::DatabaseSQLDialect() {
  std::string answer = DatabaseInfo(isc_info_db_sql_dialect);
  if (answer[0] != isc_info_db_sql_dialect) return 1;
  IIBClientLibrary& library = ClientLibrary();
  short length = static_cast<short>(library.isc_vax_integer(answer.data() + 1, 2));
  if (length <= 0 || length > 4) return 1;
  return library.isc_vax_integer(answer.data() + 3, length);
}

bool TFIBDatabase::IsFirebirdConnect() {
  if (firebird_connect_ < 0)
    firebird_connect_ =
        FirstInfoText(DatabaseInfo(isc_info_firebird_version), isc_info_firebird_version).empty()
            ? 0
            : 1;
  return firebird_connect_ == 1;
}

std::string TFIBDatabase::ServerVersionText() {
  char item = IsFirebirdConnect() ? isc_info_firebird_version : isc_info_version;
  return FirstInfoText(DatabaseInfo(item), item);
}

bool TFIBDatabase::DatabaseIdIs4() {
  if (database_id_byte_ < 0) {
    std::string answer = DatabaseInfo(isc_info_db_id);
    database_id_byte_ = answer[0] == isc_info_db_id ? static_cast<unsigned char>(answer[3]) : 0;
  }
  return database_id_byte_ == 4;
}

void TFIBDatabase::ReadServerVersion() {
  if (server_version_.major < 0) server_version_ = ParseServerVersion(ServerVersionText());
}

int TFIBDatabase::ServerMajorVersion() {
  ReadServerVersion();
  return server_version_.major;
}

int TFIBDatabase::ServerMinorVersion() {
  ReadServerVersion();
  return server_version_.minor;
}

int TFIBDatabase::ServerRelease() {
  ReadServerVersion();
  return server_version_.release;
}

int TFIBDatabase::ServerBuild() {
  ReadServerVersion();
  return server_version_.build;
}

}  // namespace fib
