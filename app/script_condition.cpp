#include "app/script_condition.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

#include "app/details_log.h"
#include "app/qt_text.h"
#include "app/script_condition_catalogue.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"

namespace app {

namespace {

struct TTerm {
  std::string name;  // without "NOT_"
  bool inverted = false;
  std::string first;
  std::string second;
};

// NAME(ARGUMENTS): the arguments run from the first "(" to the first ")"
// after it. EXIST_FIELD takes two, split at the first ",".
TTerm ParseTerm(const std::string& text) {
  TTerm term;
  std::string arguments;
  const auto open = text.find('(');
  if (open == std::string::npos) {
    term.name = classlib::Trim(text);
  } else {
    term.name = classlib::Trim(text.substr(0, open));
    const auto close = text.find(')', open + 1);
    arguments = classlib::Trim(text.substr(
        open + 1, close == std::string::npos ? std::string::npos : close - open - 1));
  }
  if (term.name.rfind("NOT_", 0) == 0) {
    term.inverted = true;
    term.name.erase(0, 4);
  }
  if (term.name == "EXIST_FIELD") {
    const auto comma = arguments.find(',');
    if (comma != std::string::npos) {
      term.first = classlib::Trim(arguments.substr(0, comma));
      term.second = classlib::Trim(arguments.substr(comma + 1));
    } else {
      term.second = arguments;
    }
  } else {
    term.first = arguments;
  }
  return term;
}

// Lists compare without regard to letter case, as the catalogue's names do.
bool ListHolds(const std::vector<std::string>& list, const std::string& name) {
  const std::string wanted = classlib::AnsiUpperCase(name);
  return std::any_of(list.begin(), list.end(), [&](const std::string& entry) {
    return classlib::AnsiUpperCase(entry) == wanted;
  });
}

// The outcome of a known test, or nothing for a name the table lacks.
std::optional<bool> Evaluate(IScriptConnection& connection, const TTerm& term) {
  const TConditionQuery query =
      ConditionQuery(connection.Server(), term.name, term.first, term.second);
  switch (query.test) {
    case TConditionTest::Unknown:
      return std::nullopt;
    case TConditionTest::Never:
      return false;
    case TConditionTest::Tables:
      return ListHolds(connection.TableNames(), term.first);
    case TConditionTest::Fields:
      return ListHolds(connection.FieldNames(term.first), term.second);
    case TConditionTest::Count:
      return connection.QueryCount(query.sql) > 0;
    case TConditionTest::HasRow:
      return connection.QueryHasRow(query.sql);
  }
  return std::nullopt;
}

void LogUnmetTerm(const TScriptContext& context, const TTerm& term, const std::string& rest) {
  const std::string q = "'";
  const std::string message =
      classlib::Utf8ToCp1251("Условия не выполнены:\r\n  Текст условия: ") + q + rest + q +
      classlib::Utf8ToCp1251("\r\n  Проверяем: ") + q + (term.inverted ? "NOT_" : "") +
      term.name + q + classlib::Utf8ToCp1251("\r\n  Параметры: ") + q + term.first + "', '" +
      term.second + q + classlib::Utf8ToCp1251("\r\n  Запрос на проверку: ") + q +
      context.connection.QueryText() + q;
  AddDetailsLog(context.view, context.script_path, message, "");
}

bool EvaluateTerms(const TScriptContext& context, std::string rest) {
  bool met = false;
  for (auto end = rest.find(';'); end != std::string::npos; end = rest.find(';')) {
    const TTerm term = ParseTerm(classlib::Trim(rest.substr(0, end)));
    rest = classlib::Trim(rest.substr(end + 1));
    if (const std::optional<bool> outcome = Evaluate(context.connection, term)) met = *outcome;
    if (term.inverted) met = !met;
    if (met || !context.log_check_errors) continue;
    // The log is a help for the script's author; failing to write it must
    // not change what the update does.
    try {
      LogUnmetTerm(context, term, rest);
    } catch (const std::exception&) {
    }
  }
  return met;
}

}  // namespace

std::string SqlLiteral(const std::string& value) {
  std::string literal = "'";
  for (char c : value) {
    literal += c;
    if (c == '\'') literal += c;
  }
  return literal + "'";
}

bool CheckConditionText(const TScriptContext& context, const std::string& condition) {
  const std::string text = classlib::UpperCase(classlib::Trim(condition));
  if (text.empty()) return true;
  bool met = false;
  try {
    met = EvaluateTerms(context, text);
  } catch (...) {
    try {
      context.connection.CloseQuery();
    } catch (...) {
    }
    throw;
  }
  context.connection.CloseQuery();
  return met;
}

bool CheckScriptCondition(const TScriptContext& context, const TScriptElement& element) {
  if (!element.HasAttribute("CONDITION")) return true;
  return CheckConditionText(context, element.Attribute("CONDITION"));
}

}  // namespace app
