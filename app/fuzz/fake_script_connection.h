// A script connection without a server for the script harnesses: a fixed
// catalogue answers the conditions, and a statement holding "ERROR" fails,
// so the failure paths of a script run too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/execute_statement.h"
#include "classlib/exceptions.h"

namespace app::fuzz {

class FakeScriptConnection : public IScriptConnection {
 public:
  explicit FakeScriptConnection(TScriptServer server) : server_(server) {}

  TScriptServer Server() const override { return server_; }
  void Reconnect() override {}
  void Execute(const std::string& text) override {
    if (text.find("ERROR") != std::string::npos) throw classlib::EDatabaseError("statement failed");
  }
  void Commit() override {}
  // Catalogue queries that name BOOKS find one row; others find none.
  int64_t QueryCount(const std::string& sql) override {
    query_ = sql;
    return sql.find("BOOKS") != std::string::npos ? 1 : 0;
  }
  bool QueryHasRow(const std::string& sql) override { return QueryCount(sql) > 0; }
  std::vector<std::string> TableNames() override { return {"BOOKS", "AUTHORS"}; }
  std::vector<std::string> FieldNames(const std::string& table) override {
    if (table == "BOOKS") return {"ID", "TITLE", "DATA"};
    return {};
  }
  std::string QueryText() const override { return query_; }
  void CloseQuery() override { query_.clear(); }

 private:
  TScriptServer server_;
  std::string query_;
};

inline TScriptServer ServerOf(uint8_t byte) {
  switch (byte % 3) {
    case 0: return TScriptServer::Firebird;
    case 1: return TScriptServer::MsSql;
    default: return TScriptServer::Oracle;
  }
}

}  // namespace app::fuzz
