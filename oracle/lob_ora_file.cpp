#include "oracle/lob_ora_file.h"

#include <vector>

#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_values.h"
#include "oracle/call_state.h"
#include "oracle/error_ora.h"

namespace oracle {

namespace {

// An empty part goes to the server as a text of one zero byte.
const std::string kEmptyPart(1, '\0');

const OraText* Bytes(const std::string& text) { return reinterpret_cast<const OraText*>(text.data()); }

}  // namespace

TOraFile::TOraFile(OCISvcCtx* svc_ctx) : TOraLob(svc_ctx) {}

TOraFile::~TOraFile() {
  try {
    TOraFile::FreeLob();
  } catch (...) {
    // A destructor must not raise; the descriptor goes with the environment.
  }
}

void TOraFile::AllocLob() {
  if (Locator()) return;
  if (!OCIInited) InitOciEnvironment();
  void* locator = nullptr;
  CheckOciStatus(OCIDescriptorAlloc(LocatorEnv(), &locator, OCI_DTYPE_FILE, 0, nullptr));
  SetLocator(static_cast<OCILobLocator*>(locator));
  SetOwnsLocator(true);
}

void TOraFile::FreeLob() {
  OCILobLocator* locator = Locator();
  const bool owned = OwnsLocator();
  SetLocator(nullptr);
  SetOwnsLocator(false);
  ResetCharsetForm();
  if (locator && owned) CheckOciStatus(OCIDescriptorFree(locator, OCI_DTYPE_FILE));
}

int TOraFile::GetCharsetForm() { return SQLCS_IMPLICIT; }

void TOraFile::Open() {
  CheckAlloc();
  CheckSession();
  OCIError* const error = ErrorHandle();
  if (IsInit()) CheckOciStatus(OCILobFileOpen(GetOCISvcCtx(), error, Locator(), OCI_FILE_READONLY), error);
  opened_ = IsInit();
}

void TOraFile::Close() {
  CheckAlloc();
  CheckSession();
  OCIError* const error = ErrorHandle();
  if (IsInit()) CheckOciStatus(OCILobFileClose(GetOCISvcCtx(), error, Locator()), error);
  opened_ = false;
}

bool TOraFile::IsOpen() {
  if (!Locator() || !IsInit()) return false;
  CheckSession();
  boolean is_open = 0;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCILobFileIsOpen(GetOCISvcCtx(), error, Locator(), &is_open), error);
  return is_open != 0;
}

bool TOraFile::Exists() {
  if (!Locator() || !IsInit() || FileName().empty()) return false;
  CheckSession();
  boolean exists = 0;
  OCIError* const error = ErrorHandle();
  const sword status = OCILobFileExists(GetOCISvcCtx(), error, Locator(), &exists);
  if (status == OCI_SUCCESS) return exists != 0;
  if (status == OCI_ERROR && GetOciErrorCode(status, error) == 22285) return false;
  RaiseOciStatusError(status, error);
  return exists != 0;
}

void TOraFile::ReadFile() {
  // A file opened by its reader (a stream) is read as it is and stays open.
  if (opened_) {
    ReadLob();
    return;
  }
  Open();
  try {
    ReadLob();
  } catch (...) {
    try {
      Close();
    } catch (...) {
      // The read's error is the one to report.
    }
    throw;
  }
  Close();
}

void TOraFile::Refresh() {
  CheckAlloc();
  CheckSession();
  Clear();
  SetModified(false);
  if (Exists()) ReadFile();
}

void TOraFile::CheckValue() {
  if (NeedsRead() && Exists()) ReadFile();
}

std::string TOraFile::GetNamePart(bool directory) {
  if (!Locator() || !IsInit()) return "";
  std::vector<OraText> buffer(static_cast<size_t>(directory ? kMaxBFileDirectoryLength : kMaxBFileNameLength));
  ub2 length = static_cast<ub2>(buffer.size());
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCILobFileGetName(LocatorEnv(), error, Locator(), directory ? buffer.data() : nullptr,
                                   directory ? &length : nullptr, directory ? nullptr : buffer.data(),
                                   directory ? nullptr : &length),
                 error);
  if (length == 1 && buffer[0] == 0) return "";
  return std::string(reinterpret_cast<const char*>(buffer.data()), length);
}

std::string TOraFile::FileDir() { return GetNamePart(true); }

std::string TOraFile::FileName() { return GetNamePart(false); }

void TOraFile::SetNames(const std::string& directory, const std::string& name) {
  if (rollback_enabled_ && !rollback_saved_) SaveToRollback();
  AllocLob();
  const std::string& dir = directory.empty() ? kEmptyPart : directory;
  const std::string& file = name.empty() ? kEmptyPart : name;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCILobFileSetName(LocatorEnv(), error, GetOCILobLocatorCell(), Bytes(dir),
                                   static_cast<ub2>(dir.size()), Bytes(file), static_cast<ub2>(file.size())),
                 error);
}

void TOraFile::SetFileDir(const std::string& value) {
  // The other part is read before any rollback copy is taken, so both
  // parts that are saved are the ones before the change.
  SetNames(value, FileName());
}

void TOraFile::SetFileName(const std::string& value) { SetNames(FileDir(), value); }

void TOraFile::SaveToRollback() {
  saved_dir_ = FileDir();
  saved_name_ = FileName();
  rollback_saved_ = true;
}

void TOraFile::Commit() {
  rollback_saved_ = false;
  rollback_enabled_ = false;
}

void TOraFile::Cancel() {
  if (rollback_saved_) {
    rollback_saved_ = false;
    rollback_enabled_ = false;
    SetNames(saved_dir_, saved_name_);
    if (!Cached()) {
      Clear();
      SetNeedsRead(true);
    } else {
      Refresh();
    }
  }
  rollback_saved_ = false;
  rollback_enabled_ = false;
}

}  // namespace oracle
