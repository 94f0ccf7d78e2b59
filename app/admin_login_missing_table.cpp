#include "app/admin_login_missing_table.h"

#include "classlib/ansistr.h"
#include "classlib/codepage.h"

namespace app {

namespace {

std::string UpperText(const std::vector<std::string>& messages) {
  std::string all;
  for (const std::string& message : messages) all += classlib::UpperCase(message) + "\n";
  return all;
}

bool SaysAnyTableMissing(const std::string& upper) {
  for (const char* mark : {"TABLE UNKNOWN", "NO SUCH TABLE", "INVALID OBJECT NAME"})
    if (upper.find(mark) != std::string::npos) return true;
  return false;
}

// ORA-00942 "table or view does not exist" does not say which one.
bool SaysUnnamedTableMissing(const std::string& upper) {
  return upper.find("ORA-00942") != std::string::npos;
}

}  // namespace

bool SaysTableMissing(const std::vector<std::string>& messages, const std::string& table) {
  const std::string upper = UpperText(messages);
  if (SaysUnnamedTableMissing(upper)) return true;
  return upper.find(classlib::UpperCase(table)) != std::string::npos && SaysAnyTableMissing(upper);
}

std::string NotAProductDatabaseText(const std::vector<std::string>& messages,
                                    const std::vector<std::string>& tables) {
  const std::string upper = UpperText(messages);
  std::string missing;
  for (const std::string& table : tables) {
    const bool named = upper.find(classlib::UpperCase(table)) != std::string::npos;
    if (SaysUnnamedTableMissing(upper) || (named && SaysAnyTableMissing(upper)))
      missing += (missing.empty() ? "" : classlib::Utf8ToCp1251(" или ")) + table;
  }
  if (missing.empty()) return {};
  return classlib::Utf8ToCp1251("Выбранная база данных не является базой данных продукта: в ней "
                                "нет таблицы ") +
         missing + ".";
}

}  // namespace app
