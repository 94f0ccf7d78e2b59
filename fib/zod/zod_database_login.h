// The database login dialog behind the connect login prompt. The layer has
// no windows: the application installs a runner that shows the fields
// modally; the layer prepares the fields and copies the answers back.
#pragma once

#include <functional>
#include <string>

namespace fib {

// What the dialog shows and edits.
struct DBLoginDialogFields {
  std::string caption = "Database login";
  std::string db_label = "Database:";
  std::string user_label = "&User name";
  std::string password_label = "&Password";
  std::string role_label = "Rol&e";
  std::string ok_caption = "&OK";
  std::string cancel_caption = "&Cancel";
  std::string db_name;  // as shown, shortened
  std::string user_name;
  std::string password;  // starts empty
  std::string role;
};

// Shows the fields modally; true when the user pressed OK.
using TDBLoginDialogRunner = std::function<bool(DBLoginDialogFields& fields)>;

// A name longer than 45 characters shows as its first 10, "..." and its
// last 33.
std::string ShortDatabaseName(const std::string& db_name);

// Runs the dialog; on OK copies user name, password and role back and
// answers true, on Cancel changes nothing.
bool ShowDBLoginDialog(const TDBLoginDialogRunner& runner, const std::string& db_name,
                       std::string& user_name, std::string& password, std::string& role);

// Makes the dialog the connect login of every database; an empty runner
// removes it.
void InstallDBLoginDialog(TDBLoginDialogRunner runner);

}  // namespace fib
