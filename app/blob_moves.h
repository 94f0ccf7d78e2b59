// Binary columns filled from data files once a script file's statements have
// run. A group with MOVE_BLOB="1" declares, for its TABLE_NAME, pairs of
// BLOB_FIELD_<suffix> (the binary column) and GUID_FIELD_<suffix> (a key
// column whose value names the row's data file,
// "<program folder>Data\<key>.lob"). Every row whose key is set gets the
// file's bytes; the key column is dropped when every row was filled, so a
// run that failed part-way can be repeated. Texts are ANSI (code page 1251).
#pragma once

#include <string>
#include <vector>

#include "app/blob_table.h"
#include "app/progress_view.h"
#include "app/script_file.h"
#include "app/script_reader.h"

namespace app {

// Appends the moves one group declares, in the order the file writes its
// BLOB_FIELD_ attributes (their names in upper case, suffixes of up to 10
// characters).
void CollectBlobMoves(const TScriptElement& group, std::vector<TBlobMove>& moves);

// "<ProgramDir>Data\<key>.lob", as the product writes it; the class
// library's file streams read it with "/" for "\".
std::string BlobDataFileName(const std::string& key);

// Whether a key can name a file in the Data folder at all: one that holds a
// path delimiter (or a zero byte, which ends a path early) would reach
// files elsewhere.
bool IsPlainFileKey(const std::string& key);

// The moves of the running script file, carried out on one server kind's
// table access. Failures are written to the details list with the script
// path as their source.
class TBlobMoves : public IBlobMoves {
 public:
  TBlobMoves(IProgressView& view, IBlobTable& table) : view_(view), table_(table) {}

  void Clear() override { moves_.clear(); }
  void Collect(const TScriptElement& group) override { CollectBlobMoves(group, moves_); }
  // Runs every move in collection order; one move's failure never stops
  // the next. False when a row could not be filled, the final commit
  // failed or (where the server kind says so) the key column could not be
  // dropped.
  bool Perform(const std::string& script_path) override;

 private:
  IProgressView& view_;
  IBlobTable& table_;
  std::vector<TBlobMove> moves_;
};

}  // namespace app
