// One binary-column move and the table access a server kind lends to it:
// the rows of the selection on the kind's data set, filled one by one, then
// the statement that drops the key column. Texts are ANSI (code page 1251).
#pragma once

#include <string>

namespace app {

struct TBlobMove {
  std::string table;
  std::string blob_column;
  std::string key_column;

  bool operator==(const TBlobMove&) const = default;
};

// Where the server kinds differ in what the transfer does and logs.
struct TBlobTransferRules {
  // The drop statement, formatted with the table and the key column.
  const char* drop_format;
  // Whether the missing-file block names the file with its ".lob".
  bool missing_file_with_extension;
  // Whether a key column that cannot be dropped fails the script file.
  bool failed_drop_fails_file;
};

class IBlobTable {
 public:
  virtual ~IBlobTable() = default;

  virtual const TBlobTransferRules& Rules() const = 0;

  // Opens `selection` (key in the first column, binary column in the
  // second) on the kind's data set, ready to write the binary column back.
  virtual void Open(const TBlobMove& move, const std::string& selection) = 0;
  virtual bool Eof() const = 0;
  // The key of the current row as text.
  virtual std::string Key() const = 0;
  // Stores the bytes of the file `file_name` (ANSI, may use "\") into the
  // binary column of the current row. On failure it raises and the data set
  // is back in browse mode with the row as it was, so the next row can
  // follow.
  virtual void Fill(const std::string& file_name) = 0;
  virtual void Next() = 0;
  virtual void Close() = 0;
  // Makes what the rows received durable where the kind holds it in a
  // transaction; raises when the server refuses.
  virtual void Commit() = 0;
  // Executes a statement that returns no rows (the drop).
  virtual void Execute(const std::string& statement) = 0;
};

}  // namespace app
