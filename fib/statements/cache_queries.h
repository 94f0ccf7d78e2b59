// The process-wide pool of prepared statements. The layer's own helper
// queries run the same few texts again and again; borrowing a statement
// that is already prepared for the text skips the prepare. One pool per
// database, each keyed by the trimmed SQL text.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "classlib/component.h"

namespace fib {

class TFIBDatabase;
class TFIBQuery;
class TFIBTransaction;

// The statements of one database, free or lent out. Freeing it frees them.
class TCacheQueries : public classlib::TComponent {
  CLASSLIB_CLASS(TCacheQueries, classlib::TComponent)
 public:
  TCacheQueries(classlib::TComponent* owner, TFIBDatabase* database);
  ~TCacheQueries() override;

  TFIBDatabase* Database() const { return database_; }
  // A free statement for `key` (taken out of the free list), or nullptr.
  TFIBQuery* TakeFree(const std::string& key);
  TFIBQuery* CreateQuery(TFIBTransaction* transaction, const std::string& sql);
  void Lend(TFIBQuery* query);
  // Moves a lent statement back to the free list; false when it was not
  // lent from here.
  bool GiveBack(TFIBQuery* query);
  int FreeCount() const { return static_cast<int>(free_.size()); }
  int LentCount() const { return static_cast<int>(lent_.size()); }

 protected:
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;

 private:
  TFIBDatabase* database_;
  std::vector<std::pair<std::string, TFIBQuery*>> free_;
  std::vector<TFIBQuery*> lent_;
  // Set while freeing the statements, whose notifications must not edit
  // the lists being walked.
  bool destroying_ = false;
};

class TCacheList : public classlib::TComponent {
  CLASSLIB_CLASS(TCacheList, classlib::TComponent)
 public:
  TCacheList();
  ~TCacheList() override;

  // nullptr when the transaction is nullptr or has no default database.
  TFIBQuery* Acquire(TFIBTransaction* transaction, const std::string& sql);
  void Release(TFIBQuery* query);
  // The pool of `database`, nullptr when it has none yet.
  TCacheQueries* Find(const TFIBDatabase* database);
  int Count();

 protected:
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;

 private:
  TCacheQueries& FindOrCreate(TFIBDatabase* database);

  std::recursive_mutex mutex_;
  std::vector<std::unique_ptr<TCacheQueries>> pools_;
};

// The key a text is pooled under: without control characters and blanks
// at both ends.
std::string PoolKey(const std::string& sql);

// The process's pool.
TCacheList& CacheList();
TFIBQuery* AcquirePooledQuery(TFIBTransaction* transaction, const std::string& sql);
void ReleasePooledQuery(TFIBQuery* query);

}  // namespace fib
