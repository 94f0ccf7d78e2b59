// Script files of the database update: an XML document whose SCRIPTS element
// holds groups of statements, each group and statement under an optional
// condition, run in document order on the native connection.
//
//   <SCRIPTS>
//     <ANY_GROUP_NAME CONDITION="EXIST_TABLE(BOOKS);" MOVE_BLOB="0">
//       <ANY_NAME CONDITION="..." STOP_ON_EXCEPTION="1" LOG_ERROR="1">SQL</ANY_NAME>
//     </ANY_GROUP_NAME>
//   </SCRIPTS>
//
// A flag is on only when its value, trimmed, is exactly "1".
#pragma once

#include <stdexcept>
#include <string>

#include "app/execute_statement.h"
#include "app/progress_view.h"

namespace app {

struct TScriptElement;

// A script file that cannot be read or has no SCRIPTS element (ANSI text).
class EScriptFileError : public std::runtime_error {
 public:
  EScriptFileError(const std::string& file, const std::string& message)
      : std::runtime_error(message), file_(file) {}
  // The refused file, as the details name it under "Источник:".
  const std::string& File() const { return file_; }

 private:
  std::string file_;
};

// The binary-column moves that groups with MOVE_BLOB="1" declare: gathered
// while the statements run, carried out after the final commit.
class IBlobMoves {
 public:
  virtual ~IBlobMoves() = default;
  virtual void Clear() = 0;
  virtual void Collect(const TScriptElement& group) = 0;
  // False when a move failed in a way that fails the script file. Failures
  // are logged with the script's path as their source.
  virtual bool Perform(const std::string& script_path) = 0;
};

struct TScriptFileRun {
  IScriptConnection& connection;
  IProgressView& view;
  bool log_check_errors = false;  // the "LOGCHECKERROR" switch
  double item_percent = 0;        // the file's share of the progress bar
  IBlobMoves* blob_moves = nullptr;
};

// Runs the file at `path` (ANSI) on a freshly reopened connection. Failing
// statements are logged or stop their group as their flags say; the result
// is false when a statement with STOP_ON_EXCEPTION failed, the final commit
// failed or a binary-column move failed. The statements move the bar
// through 0.8 of the file's share and the end of the file reaches the whole
// share. Raises EScriptFileError for an unreadable file and lets catalogue
// and connection failures through: they end the update run.
bool RunScriptFile(const TScriptFileRun& run, const std::string& path);

}  // namespace app
