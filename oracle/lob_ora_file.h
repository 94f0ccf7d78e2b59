// TOraFile: the value of a BFILE, a read-only LOB whose locator names a
// server directory alias and a file. Its rollback copy is only the pair of
// names: EnableRollback arms it, the first name change saves the pair,
// Commit forgets it and Cancel restores it.
#pragma once

#include <string>

#include "oracle/lob_ora_lob.h"

namespace oracle {

// The longest directory alias and file name a locator holds.
inline constexpr int kMaxBFileDirectoryLength = 128;
inline constexpr int kMaxBFileNameLength = 255;

class TOraFile : public TOraLob {
  CLASSLIB_CLASS(TOraFile, TOraLob)
 public:
  explicit TOraFile(OCISvcCtx* svc_ctx);

  void CheckValue() override;
  void SaveToRollback() override;
  void Commit() override;
  void Cancel() override;
  int GetCharsetForm() override;
  void AllocLob() override;
  void FreeLob() override;

  void Open();
  void Close();
  // Whether the server holds the file open for this locator.
  bool IsOpen();
  // False for no initialised locator, an empty file name, or a directory or
  // file the server does not know.
  bool Exists();
  // Reads the file anew.
  void Refresh();

  std::string FileDir();
  void SetFileDir(const std::string& value);
  std::string FileName();
  void SetFileName(const std::string& value);

  void EnableRollback() { rollback_enabled_ = true; }

 protected:
  ~TOraFile() override;

 private:
  // One part of the name: the directory alias or the file name.
  std::string GetNamePart(bool directory);
  void SetNames(const std::string& directory, const std::string& name);
  void ReadFile();

  bool opened_ = false;  // opened through Open and not closed since
  bool rollback_enabled_ = false;
  std::string saved_dir_;
  std::string saved_name_;
  bool rollback_saved_ = false;
};

}  // namespace oracle
