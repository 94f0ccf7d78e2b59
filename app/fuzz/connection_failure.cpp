// A failed connection's error comes from a driver or a server: any database
// and driver text must split into messages that are not empty and hold no
// line break, and the text shown has each message once, one a line.
#include <QSqlError>
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "app/ado_connection_errors.h"
#include "app/val_list.h"
#include "testing/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> parts = testing_fuzz::PartsOf(testing_fuzz::TextOf(data, size), 2);
  const QSqlError error(QString::fromStdString(parts[1]), QString::fromStdString(parts[0]),
                        QSqlError::ConnectionError);
  const std::vector<std::string> messages = app::ConnectionErrorMessages(error);
  for (const std::string& message : messages)
    if (message.empty() || message.find_first_of("\r\n") != std::string::npos) std::abort();

  // Each provider's reading of the messages, the first page's server or not.
  app::TValList pairs;
  static const char* const kProviders[] = {"SQLOLEDB.1", "LCPI.IBProvider.2", "OraOLEDB.Oracle.1"};
  pairs.SetValue("Provider", kProviders[size % 3]);
  pairs.SetValue("Data Source", size % 2 == 0 ? "srv" : "");
  const std::string advice = app::ConnectionFailureAdvice(
      pairs, "FreeTDS", messages,
      (size / 6) % 2 == 0 ? app::TAccountOrigin::kTyped : app::TAccountOrigin::kStored);
  const std::string text = app::ConnectionFailureText(advice, messages);
  std::set<std::string> expected(messages.begin(), messages.end());
  if (!advice.empty()) expected.insert(advice);
  std::set<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find("\r\n", start), text.size());
    if (!lines.insert(text.substr(start, end - start)).second) std::abort();
    start = end + 2;
  }
  if (lines != expected) std::abort();
  return 0;
}
