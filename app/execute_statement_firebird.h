// The script connection of a Firebird or InterBase database: the window's
// database component, its transaction and the statement component that
// carries both the script statements and the catalogue queries.
#pragma once

#include "app/execute_statement.h"

namespace fib {
class TpZODDatabase;
class TFIBTransaction;
class TFIBQuery;
}  // namespace fib

namespace app {

class TFirebirdScriptConnection : public IScriptConnection {
 public:
  // The statement is set up as the window keeps it: its text goes to the
  // server unchanged, it starts a transaction when none is active and
  // commits after each execution.
  TFirebirdScriptConnection(fib::TpZODDatabase& database, fib::TFIBTransaction& transaction,
                            fib::TFIBQuery& query);

  TScriptServer Server() const override { return TScriptServer::Firebird; }
  void Reconnect() override;
  void Execute(const std::string& text) override;
  void Commit() override;
  int64_t QueryCount(const std::string& sql) override;
  bool QueryHasRow(const std::string& sql) override;
  std::vector<std::string> TableNames() override;
  std::vector<std::string> FieldNames(const std::string& table) override;
  std::string QueryText() const override;
  void CloseQuery() override;

 private:
  void RunQuery(const std::string& sql);

  fib::TpZODDatabase& database_;
  fib::TFIBTransaction& transaction_;
  fib::TFIBQuery& query_;
};

}  // namespace app
