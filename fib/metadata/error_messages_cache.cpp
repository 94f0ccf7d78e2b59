#include "fib/metadata/error_messages_cache.h"

#include <strings.h>

namespace fib {

bool TpErrorMessagesCollect::CaseLess::operator()(const std::string& a,
                                                  const std::string& b) const {
  return strcasecmp(a.c_str(), b.c_str()) < 0;
}

void TpErrorMessagesCollect::Add(const std::string& db_name, const std::string& constraint,
                                 int version, const std::string& text) {
  Messages& messages = databases_[db_name];
  auto [it, added] = messages.try_emplace(constraint, TpErrorMessage{text, version});
  if (!added && version > it->second.Version) it->second = TpErrorMessage{text, version};
}

const TpErrorMessage* TpErrorMessagesCollect::Find(const std::string& db_name,
                                                   const std::string& constraint) const {
  auto db = databases_.find(db_name);
  if (db == databases_.end()) return nullptr;
  auto it = db->second.find(constraint);
  return it == db->second.end() ? nullptr : &it->second;
}

void TpErrorMessagesCollect::Clear() { databases_.clear(); }

void TpErrorMessagesCollect::RemoveDatabase(const std::string& db_name) {
  databases_.erase(db_name);
}

}  // namespace fib
