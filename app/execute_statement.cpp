#include "app/execute_statement.h"

#include <exception>

#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/strings.h"

namespace app {

bool ExecuteStatement(IScriptConnection& connection, const std::string& text,
                      std::string& error_text) {
  error_text = classlib::Utf8ToCp1251("неопределенная ошибка");
  if (classlib::UpperCase(text) == "COMMIT") {
    error_text.clear();
    return true;
  }
  try {
    connection.Execute(text);
  } catch (const std::exception& error) {
    error_text = error.what();
    return false;
  }
  error_text.clear();
  return true;
}

std::vector<std::string> NamesOf(const classlib::TStrings& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Strings(i));
  return names;
}

}  // namespace app
