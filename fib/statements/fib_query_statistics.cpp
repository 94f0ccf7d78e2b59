#include "fib/statements/fib_query_statistics.h"

#include <atomic>

#include "fib/statements/fib_database.h"

namespace fib {

std::atomic<int> statistics_collectors{0};

namespace {

std::mutex registry_mutex;
std::map<const TFIBDatabase*, TFIBStatistics*>& Registry() {
  static std::map<const TFIBDatabase*, TFIBStatistics*> registry;
  return registry;
}

}  // namespace

TFIBStatistics* DatabaseStatistics(const TFIBDatabase* database) {
  if (statistics_collectors.load(std::memory_order_acquire) == 0) return nullptr;
  std::lock_guard lock(registry_mutex);
  auto found = Registry().find(database);
  return found == Registry().end() ? nullptr : found->second;
}

TFIBStatistics::TFIBStatistics(classlib::TComponent* owner) : TComponent(owner) {}

TFIBStatistics::~TFIBStatistics() { Attach(nullptr); }

void TFIBStatistics::Attach(TFIBDatabase* database) {
  std::lock_guard lock(registry_mutex);
  if (database_ != nullptr) {
    statistics_collectors -= static_cast<int>(Registry().erase(database_));
    database_->RemoveFreeNotification(this);
  }
  database_ = database;
  if (database_ == nullptr) return;
  auto [place, added] = Registry().emplace(database_, this);
  if (added) ++statistics_collectors;
  if (!added) {
    place->second->database_ = nullptr;
    place->second = this;
  }
  database_->FreeNotification(this);
}

void TFIBStatistics::Notification(classlib::TComponent* component,
                                  classlib::TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == classlib::opRemove && component == database_) {
    std::lock_guard lock(registry_mutex);
    statistics_collectors -= static_cast<int>(Registry().erase(database_));
    database_ = nullptr;
  }
}

classlib::Variant TFIBStatistics::Value(const std::string& component,
                                        const std::string& name) const {
  std::lock_guard lock(mutex_);
  auto statement = values_.find(component);
  if (statement == values_.end()) return {};
  auto value = statement->second.find(name);
  return value == statement->second.end() ? classlib::Variant() : value->second;
}

void TFIBStatistics::SetValue(const std::string& component, const std::string& name,
                              const classlib::Variant& value) {
  std::lock_guard lock(mutex_);
  values_[component][name] = value;
}

void TFIBStatistics::Clear() {
  std::lock_guard lock(mutex_);
  values_.clear();
}

}  // namespace fib
