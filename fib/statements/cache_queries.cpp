#include "fib/statements/cache_queries.h"

#include <algorithm>

#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"

namespace fib {

std::string PoolKey(const std::string& sql) {
  auto significant = [](char c) { return static_cast<unsigned char>(c) > ' '; };
  auto first = std::find_if(sql.begin(), sql.end(), significant);
  auto last = std::find_if(sql.rbegin(), sql.rend(), significant).base();
  return first < last ? std::string(first, last) : std::string();
}

// ---- one database's statements ----

TCacheQueries::TCacheQueries(classlib::TComponent* owner, TFIBDatabase* database)
    : TComponent(owner), database_(database) {}

TCacheQueries::~TCacheQueries() {
  destroying_ = true;
  for (auto& [key, query] : free_) delete query;
  for (TFIBQuery* query : lent_) delete query;
  free_.clear();
  lent_.clear();
}

TFIBQuery* TCacheQueries::TakeFree(const std::string& key) {
  auto found = std::find_if(free_.begin(), free_.end(),
                            [&key](const auto& entry) { return entry.first == key; });
  if (found == free_.end()) return nullptr;
  TFIBQuery* query = found->second;
  free_.erase(found);
  return query;
}

TFIBQuery* TCacheQueries::CreateQuery(TFIBTransaction* transaction, const std::string& sql) {
  auto query = std::make_unique<TFIBQuery>(nullptr);
  query->SetDatabase(database_);
  query->SetTransaction(transaction);
  query->SQL().SetText(sql);
  query->FreeNotification(this);
  return query.release();
}

void TCacheQueries::Lend(TFIBQuery* query) { lent_.push_back(query); }

bool TCacheQueries::GiveBack(TFIBQuery* query) {
  auto found = std::find(lent_.begin(), lent_.end(), query);
  if (found == lent_.end()) return false;
  lent_.erase(found);
  free_.emplace_back(PoolKey(query->SQL().Text()), query);
  return true;
}

// A pooled statement freed by its borrower leaves both lists.
void TCacheQueries::Notification(classlib::TComponent* component,
                                 classlib::TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != classlib::opRemove || destroying_) return;
  std::erase(lent_, component);
  std::erase_if(free_, [component](const auto& entry) { return entry.second == component; });
}

// ---- the pool of all databases ----

TCacheList::TCacheList() : TComponent(nullptr) {}

TCacheList::~TCacheList() {
  std::lock_guard lock(mutex_);
  pools_.clear();
}

TCacheQueries* TCacheList::Find(const TFIBDatabase* database) {
  std::lock_guard lock(mutex_);
  for (auto& pool : pools_)
    if (pool->Database() == database) return pool.get();
  return nullptr;
}

int TCacheList::Count() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(pools_.size());
}

TCacheQueries& TCacheList::FindOrCreate(TFIBDatabase* database) {
  std::lock_guard lock(mutex_);
  if (TCacheQueries* pool = Find(database)) return *pool;
  pools_.push_back(std::make_unique<TCacheQueries>(nullptr, database));
  database->FreeNotification(this);
  return *pools_.back();
}

TFIBQuery* TCacheList::Acquire(TFIBTransaction* transaction, const std::string& sql) {
  if (transaction == nullptr || transaction->DefaultDatabase() == nullptr) return nullptr;
  TFIBQuery* query;
  {
    std::lock_guard lock(mutex_);
    TCacheQueries& pool = FindOrCreate(transaction->DefaultDatabase());
    query = pool.TakeFree(PoolKey(sql));
    if (query == nullptr)
      query = pool.CreateQuery(transaction, sql);
    else if (query->Transaction() != transaction)
      query->SetTransaction(transaction);
    pool.Lend(query);
  }
  // A borrower that left its cursor open must not hand it to the next one.
  if (query->Open()) query->Close();
  return query;
}

void TCacheList::Release(TFIBQuery* query) {
  if (query == nullptr || query->Database() == nullptr) return;
  std::lock_guard lock(mutex_);
  if (TCacheQueries* pool = Find(query->Database())) pool->GiveBack(query);
}

// A database that goes away takes its statements with it.
void TCacheList::Notification(classlib::TComponent* component, classlib::TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != classlib::opRemove) return;
  std::unique_ptr<TCacheQueries> gone;
  {
    std::lock_guard lock(mutex_);
    auto found = std::find_if(pools_.begin(), pools_.end(), [component](const auto& pool) {
      return static_cast<classlib::TComponent*>(pool->Database()) == component;
    });
    if (found == pools_.end()) return;
    gone = std::move(*found);
    pools_.erase(found);
  }
}

TCacheList& CacheList() {
  static TCacheList list;
  return list;
}

TFIBQuery* AcquirePooledQuery(TFIBTransaction* transaction, const std::string& sql) {
  return CacheList().Acquire(transaction, sql);
}

void ReleasePooledQuery(TFIBQuery* query) { CacheList().Release(query); }

}  // namespace fib
