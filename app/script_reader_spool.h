// The groups of a checked script file, kept for the run: the file is read
// and checked once, whole, before its first statement runs, and its groups
// come back from here in document order. They are held in memory while
// they are few and go to an unnamed temporary file beyond that, so a long
// release script costs no more memory than a short one.
#pragma once

#include <QTemporaryFile>
#include <cstddef>
#include <memory>
#include <string>

namespace app {

struct TScriptGroup;

class TScriptGroupSpool {
 public:
  // The most bytes of groups held in memory.
  static constexpr std::size_t kMemorySize = 16 * 1024;

  // `script_path` (ANSI) names the script file in messages.
  explicit TScriptGroupSpool(const std::string& script_path) : script_path_(script_path) {}

  // Raises EScriptFileError when the temporary file cannot be written.
  void Put(const TScriptGroup& group);
  // Ends the putting: the groups come back from the first one on.
  void Rewind();
  // The next group, reusing `group`'s storage; false after the last one.
  bool Take(TScriptGroup& group);

 private:
  void Spill();
  bool Fill(std::size_t size);
  [[noreturn]] void RaiseFileError() const;

  std::string script_path_;
  // Groups put and not yet spilled; after Rewind, those read in and not yet
  // taken, from `taken_` on.
  std::string buffer_;
  std::size_t taken_ = 0;
  std::unique_ptr<QTemporaryFile> file_;
};

}  // namespace app
