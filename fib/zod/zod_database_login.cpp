#include "fib/zod/zod_database_login.h"

#include "fib/statements/fib_database.h"

namespace fib {

std::string ShortDatabaseName(const std::string& db_name) {
  if (db_name.size() <= 45) return db_name;
  return db_name.substr(0, 10) + "..." + db_name.substr(db_name.size() - 33);
}

bool ShowDBLoginDialog(const TDBLoginDialogRunner& runner, const std::string& db_name,
                       std::string& user_name, std::string& password, std::string& role) {
  if (!runner) return false;
  DBLoginDialogFields fields;
  fields.db_name = ShortDatabaseName(db_name);
  fields.user_name = user_name;
  fields.role = role;
  if (!runner(fields)) return false;
  user_name = fields.user_name;
  password = fields.password;
  role = fields.role;
  return true;
}

void InstallDBLoginDialog(TDBLoginDialogRunner runner) {
  if (!runner) {
    SetLoginHook(nullptr);
    return;
  }
  SetLoginHook([runner = std::move(runner)](const std::string& db_name, std::string& user_name,
                                            std::string& password, std::string& role) {
    return ShowDBLoginDialog(runner, db_name, user_name, password, role);
  });
}

}  // namespace fib
