#include "fib/statements/db_aliases.h"

#include <charconv>

#include "fib/base/fib_registry.h"

namespace fib {
namespace {

const std::vector<std::string> kAliasValueNames = {"Database Name", "user_name", "lc_ctype",
                                                   "sql_role_name", "SQL_DIALECT"};

std::optional<std::string> Text(const RegistryValue& value) {
  if (!value.found) return std::nullopt;
  return value.value.AsString();
}

// The dialect is stored as decimal text, but an integer value is read too.
std::optional<int> Dialect(const RegistryValue& value) {
  if (!value.found) return std::nullopt;
  if (value.value.Deref().VType() != classlib::varString) return value.value.AsInteger();
  std::string text = value.value.AsString();
  int dialect = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), dialect);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return dialect;
}

}  // namespace

std::vector<std::string> AliasKeyPath(const std::string& alias_name) {
  return {"Software", "RERI_Software", "Aliases", alias_name};
}

std::vector<std::string> TransactionKindsKeyPath() {
  return {"Software", "RERI_Software", "Transation Kinds"};
}

std::optional<DatabaseAlias> ReadDatabaseAlias(const std::string& alias_name) {
  std::vector<RegistryValue> values;
  if (!ReadRegistryValues(AliasKeyPath(alias_name), kAliasValueNames, values)) return std::nullopt;
  if (!values[0].found) return std::nullopt;
  DatabaseAlias alias;
  alias.db_name = Text(values[0]);
  alias.user_name = Text(values[1]);
  alias.lc_ctype = Text(values[2]);
  alias.sql_role_name = Text(values[3]);
  alias.sql_dialect = Dialect(values[4]);
  return alias;
}

void WriteDatabaseAlias(const std::string& alias_name, const DatabaseAlias& alias) {
  std::vector<classlib::Variant> values = {
      alias.db_name.value_or(""), alias.user_name.value_or(""), alias.lc_ctype.value_or(""),
      alias.sql_role_name.value_or(""), std::to_string(alias.sql_dialect.value_or(3))};
  WriteRegistryValues(AliasKeyPath(alias_name), kAliasValueNames, values);
}

std::optional<std::string> ReadTransactionKindParams(const std::string& kind_name) {
  std::string subkey = FindSubKeyByValue(TransactionKindsKeyPath(), "Name", kind_name);
  if (subkey.empty()) return std::nullopt;
  std::vector<std::string> path = TransactionKindsKeyPath();
  path.push_back(subkey);
  std::vector<RegistryValue> values;
  if (!ReadRegistryValues(path, {"Params"}, values) || !values[0].found) return std::nullopt;
  return values[0].value.AsString();
}

}  // namespace fib
