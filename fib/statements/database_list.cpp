#include "fib/statements/database_list.h"

#include <algorithm>
#include <mutex>

#include "fib/statements/fib_database.h"

namespace fib {

namespace {

class DatabaseList {
 public:
  ~DatabaseList() { CloseAll(); }

  void Add(TFIBDatabase* database) {
    std::lock_guard lock(mutex_);
    databases_.push_back(database);
  }
  void Remove(TFIBDatabase* database) {
    std::lock_guard lock(mutex_);
    std::erase(databases_, database);
    if (design_default_ == database) design_default_ = nullptr;
  }
  std::vector<TFIBDatabase*> Copy() {
    std::lock_guard lock(mutex_);
    return databases_;
  }
  void CloseAll() {
    std::lock_guard lock(mutex_);
    for (TFIBDatabase* database : databases_) {
      try {
        database->Close();
      } catch (...) {
        // The program is ending; the remaining databases must close anyway.
      }
    }
  }
  TFIBDatabase* DesignDefault() {
    std::lock_guard lock(mutex_);
    return design_default_;
  }
  void SetDesignDefault(TFIBDatabase* database) {
    std::lock_guard lock(mutex_);
    design_default_ = database;
  }

 private:
  // Recursive: closing a database may destroy objects that look at the list.
  std::recursive_mutex mutex_;
  std::vector<TFIBDatabase*> databases_;
  TFIBDatabase* design_default_ = nullptr;
};

DatabaseList& List() {
  static DatabaseList list;
  return list;
}

}  // namespace

void RegisterDatabase(TFIBDatabase* database) { List().Add(database); }
void UnregisterDatabase(TFIBDatabase* database) { List().Remove(database); }
std::vector<TFIBDatabase*> LiveDatabases() { return List().Copy(); }
void CloseAllDatabases() { List().CloseAll(); }
TFIBDatabase* DefaultDesignDatabase() { return List().DesignDefault(); }
void SetDefaultDesignDatabase(TFIBDatabase* database) { List().SetDesignDefault(database); }

}  // namespace fib
