// The script connection of a SQL Server database: the window's ADO
// connection, its query for the catalogue and its command for the
// statements.
#pragma once

#include "app/execute_statement.h"

namespace app {

class TADOCommand;
class TADOConnection;
class TADOQuery;

class TSqlServerScriptConnection : public IScriptConnection {
 public:
  // Binds the query and the command to the connection.
  TSqlServerScriptConnection(TADOConnection& connection, TADOQuery& query, TADOCommand& command);

  TScriptServer Server() const override { return TScriptServer::MsSql; }
  void Reconnect() override;
  void Execute(const std::string& text) override;
  // Qt lets only the thread that holds a connection use it.
  void LendTo(QThread* worker) override;
  void GiveBack(QThread* owner) override;
  void Commit() override;
  int64_t QueryCount(const std::string& sql) override;
  bool QueryHasRow(const std::string& sql) override;
  std::vector<std::string> TableNames() override;
  std::vector<std::string> FieldNames(const std::string& table) override;
  std::string QueryText() const override;
  void CloseQuery() override;

 private:
  void OpenQuery(const std::string& sql);

  TADOConnection& connection_;
  TADOQuery& query_;
  TADOCommand& command_;
};

}  // namespace app
