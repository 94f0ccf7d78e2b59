// TBlobSwapSupport: whether and where a database swaps large blobs to files.
#pragma once

#include <string>

#include "classlib/component.h"
#include "classlib/persistent.h"

namespace fib {

class TBlobSwapSupport : public classlib::TPersistent {
  CLASSLIB_CLASS(TBlobSwapSupport, classlib::TPersistent)
 public:
  static constexpr const char* kAppPathMacro = "{APP_PATH}";

  explicit TBlobSwapSupport(classlib::TComponent* owner = nullptr) : owner_(owner) {}

  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  // May begin with "{APP_PATH}" (any case): the program's folder.
  const std::string& SwapDir() const { return swap_dir_; }
  void SetSwapDir(const std::string& v) { swap_dir_ = v; }
  bool SwapDirStored() const { return swap_dir_ != kAppPathMacro; }
  int MinBlobSizeToSwap() const { return min_blob_size_; }
  void SetMinBlobSizeToSwap(int v) { min_blob_size_ = v; }

  // The folder to swap to as a file-system path ending in "/"; "" when not
  // active or no folder is set. Windows separators become "/".
  std::string GetSwapDir() const;

  classlib::TPersistent* GetOwner() const override { return owner_; }

 private:
  classlib::TComponent* owner_;
  bool active_ = false;
  std::string swap_dir_ = kAppPathMacro;
  int min_blob_size_ = 0;
};

}  // namespace fib
