// Binary columns of a SQL Server database filled through the window's ADO
// query: every post is written at once, outside any transaction.
#pragma once

#include "app/blob_table.h"

namespace app {

class TADOQuery;

class TSqlServerBlobTable : public IBlobTable {
 public:
  // The query must be bound to the connection the script file ran on.
  explicit TSqlServerBlobTable(TADOQuery& query) : query_(query) {}

  const TBlobTransferRules& Rules() const override;
  void Open(const TBlobMove& move, const std::string& selection) override;
  bool Eof() const override;
  std::string Key() const override;
  void Fill(const std::string& file_name) override;
  void Next() override;
  void Close() override;
  void Commit() override {}
  void Execute(const std::string& statement) override;

 private:
  TADOQuery& query_;
};

}  // namespace app
