// Binary columns of an Oracle database filled through the window's query:
// the row is put in edit mode, its LOB loaded from the file, and the post
// writes it back at once (the query commits by itself).
#pragma once

#include "app/blob_table.h"

namespace oracle {
class TOraQuery;
}

namespace app {

class TOracleBlobTable : public IBlobTable {
 public:
  // The query must be bound to the session the script file ran on.
  explicit TOracleBlobTable(oracle::TOraQuery& query) : query_(query) {}

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
  oracle::TOraQuery& query_;
  std::string blob_column_;
};

}  // namespace app
