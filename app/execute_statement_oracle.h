// The script connection of an Oracle database: the window's session and the
// query that carries the statements, the catalogue queries and the binary
// columns. The query commits every statement itself, so there is nothing
// left to commit at the end of a file.
#pragma once

#include "app/execute_statement.h"

namespace oracle {
class TOraSession;
class TOraQuery;
}  // namespace oracle

namespace app {

class TOracleScriptConnection : public IScriptConnection {
 public:
  // Binds the query to the session.
  TOracleScriptConnection(oracle::TOraSession& session, oracle::TOraQuery& query);

  TScriptServer Server() const override { return TScriptServer::Oracle; }
  void Reconnect() override;
  void Execute(const std::string& text) override;
  void Commit() override {}
  int64_t QueryCount(const std::string& sql) override;
  bool QueryHasRow(const std::string& sql) override;
  // The conditions read the dictionary views instead; the lists stay empty.
  std::vector<std::string> TableNames() override { return {}; }
  std::vector<std::string> FieldNames(const std::string& /*table*/) override { return {}; }
  std::string QueryText() const override;
  void CloseQuery() override;

 private:
  void RunQuery(const std::string& sql);

  oracle::TOraSession& session_;
  oracle::TOraQuery& query_;
};

}  // namespace app
