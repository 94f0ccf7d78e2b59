// Connection aliases and transaction kinds kept under the current user's
// registry root, shared by every program that uses the layer.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace fib {

// "Software\RERI_Software\Aliases\<alias>". The password is never stored.
struct DatabaseAlias {
  std::optional<std::string> db_name;
  std::optional<std::string> user_name;
  std::optional<std::string> lc_ctype;
  std::optional<std::string> sql_role_name;
  std::optional<int> sql_dialect;
};

std::vector<std::string> AliasKeyPath(const std::string& alias_name);
// Nothing when the key is missing or has no "Database Name" value. A
// dialect text that is no number is left out.
std::optional<DatabaseAlias> ReadDatabaseAlias(const std::string& alias_name);
// Writes all five values (absent texts as empty), creating the key path.
void WriteDatabaseAlias(const std::string& alias_name, const DatabaseAlias& alias);

// The transaction kind named `kind_name` under
// "Software\RERI_Software\Transation Kinds" (the key is spelled so): its
// "Params" text, or nothing when no subkey names it or it has no "Params".
std::optional<std::string> ReadTransactionKindParams(const std::string& kind_name);
std::vector<std::string> TransactionKindsKeyPath();

}  // namespace fib
