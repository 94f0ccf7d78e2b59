// The error-message cache: per database, the texts shown for violated
// constraints, each with the repository version it came from.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace fib {

struct TpErrorMessage {
  std::string Text;
  int Version = 0;
};

class TpErrorMessagesCollect {
 public:
  // Adds the message, or replaces the stored text when `version` is higher
  // than the stored one.
  void Add(const std::string& db_name, const std::string& constraint, int version,
           const std::string& text);
  // nullptr when the database has no message for the constraint.
  const TpErrorMessage* Find(const std::string& db_name, const std::string& constraint) const;

  int Version() const { return version_; }
  void SetVersion(int version) { version_ = version; }

  void Clear();
  void RemoveDatabase(const std::string& db_name);
  bool Empty() const { return databases_.empty(); }

  struct CaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  using Messages = std::map<std::string, TpErrorMessage, CaseLess>;
  using Databases = std::map<std::string, Messages, CaseLess>;
  // Database name -> constraint name -> message, both in key order.
  const Databases& All() const { return databases_; }

 private:
  int version_ = 0;
  Databases databases_;
};

}  // namespace fib
