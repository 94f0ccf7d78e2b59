// A product installation for the updater's tests: the product database with
// its user tables and version table (on the embedded Firebird engine, or as
// an SQLite file that stands in for SQL Server or, on the stand-in client
// library's SQLite tier, for an Oracle server), the maker's registry keys,
// and a release folder holding an update description.
//
// Texts given here are UTF-8; the builder writes them in code page 1251, as
// the product does. Stored passwords and accounts are made with the
// product's own protection for the database's release.
#pragma once

#include <string>
#include <vector>

namespace app::testing {

inline const std::string kFixtureSysdbaPassword = "masterkey";

struct ProductGroup {
  std::string guid;
  std::string name;
  bool administration = false;  // holds the "Administration" privilege
};

struct ProductUser {
  std::string guid;
  std::string name;
  std::string password;
  std::string sql_user;  // the stored database account; empty: none
  std::string sql_password;
  std::string default_group_guid;
  std::vector<std::string> group_guids;
};

struct ProductDatabase {
  // Rows of BO_VERSION with the IDs 1, 2, ... in this order; none leaves
  // the table empty.
  std::vector<std::string> releases;
  std::vector<ProductGroup> groups;
  std::vector<ProductUser> users;

  // The release that decides the stored forms: the largest of `releases`
  // compared as text, empty for an empty table.
  std::string FormRelease() const;

  // Groups "Администраторы" (privileged), "Операторы" and "Гости";
  // users "admin" (administrator, account SYSDBA), "Ivan" (operator) and
  // "Ivanov" (administrator with a Cyrillic password and no stored
  // account); see the definition for the passwords.
  static ProductDatabase Standard(const std::vector<std::string>& releases);
};

// The statements that create and fill the tables (CP1251, one per entry).
std::vector<std::string> ProductStatements(const ProductDatabase& content);

// A new database file (user SYSDBA, character set WIN1251) made by isql-fb.
// Raises std::runtime_error when it cannot be made.
void CreateFirebirdProductDatabase(const std::string& path, const ProductDatabase& content);

// A new SQLite file with the same tables, and "sysobjects" listing them as
// SQL Server's catalogue would.
void CreateSqliteProductDatabase(const std::string& path, const ProductDatabase& content);

// A new SQLite file with the same tables for the stand-in Oracle client
// library's SQLite tier, which serves the dictionary views over it. Texts
// are stored as code page 1251 bytes, as an Oracle server with that
// character set hands them to the client.
void CreateOracleProductDatabase(const std::string& path, const ProductDatabase& content);

struct ProductInstallation {
  std::string lexarium_release = "4.0";  // empty: the product is not installed
  std::string lexarium_dir;              // its folder (a file-system path)
  std::string pontarex_release;          // empty: not installed
  std::string pontarex_dir;
  // The product's connection key before the updater runs.
  std::string connection_string = "Provider=LCPI.IBProvider.2;Location=/old/product.fdb";
  std::string server_type = "FIREBIRD";
};

// Writes the maker's keys into the registry the updater uses now (the
// folder named by $UPDATER_REGISTRY): releases, folders, the reference
// product's preferences and the enciphered connection key.
void WriteProductRegistry(const ProductInstallation& installation);

// Writes `folder`/updcfg.xml in windows-1251 with its XML declaration.
void WriteUpdateDescription(const std::string& folder, const std::string& body_utf8);

// A description with every element: updates from `start_versions` to
// `result_version`, two database steps, one transfer and one settings step.
std::string FullUpdateDescription(const std::string& start_versions,
                                  const std::string& result_version);

}  // namespace app::testing
