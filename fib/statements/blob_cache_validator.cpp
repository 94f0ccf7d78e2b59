#include "fib/statements/blob_cache_validator.h"

#include <filesystem>
#include <optional>

#include "fib/base/errors.h"
#include "fib/statements/blob_cache.h"

namespace fs = std::filesystem;

namespace fib {
namespace {

// The file's identity when this layer made it and it lies where that
// identity would put it under `folder`.
std::optional<BlobCacheIdentity> OwnFileIdentity(const std::string& folder, const fs::path& file) {
  std::optional<BlobCacheFile> content;
  {
    classlib::CriticalSectionGuard guard(BlobCacheLock());
    content = ReadBlobCacheFile(file.string(), false);
  }
  if (!content) return std::nullopt;
  fs::path expected = fs::path(BlobCachePath(folder, content->identity)).lexically_normal();
  if (expected != file.lexically_normal()) return std::nullopt;
  return content->identity;
}

// Deletes the file unless the program rewrote it for another blob while
// the server was being asked.
bool DeleteIfUnchanged(const fs::path& file, const BlobCacheIdentity& identity) {
  classlib::CriticalSectionGuard guard(BlobCacheLock());
  std::optional<BlobCacheFile> now = ReadBlobCacheFile(file.string(), false);
  if (!now || !(now->identity == identity)) return false;
  DeleteBlobCacheFile(file.string());
  return true;
}

int ValidateFolder(const std::string& root, const fs::path& folder,
                   const BlobExistsCheck& blob_exists, const std::function<bool()>& stop) {
  std::vector<fs::path> files;
  std::vector<fs::path> subfolders;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code ignored;
    if (it->is_symlink(ignored)) continue;  // never follow a link out of the cache
    if (it->is_directory(ignored))
      subfolders.push_back(it->path());
    else if (it->is_regular_file(ignored) && it->path().extension() == ".blb")
      files.push_back(it->path());
  }
  int deleted = 0;
  for (const fs::path& file : files) {
    if (stop && stop()) return deleted;
    std::optional<BlobCacheIdentity> identity = OwnFileIdentity(root, file);
    if (!identity || blob_exists(identity->blob_id)) continue;
    if (DeleteIfUnchanged(file, *identity)) ++deleted;
  }
  for (const fs::path& subfolder : subfolders) {
    if (stop && stop()) return deleted;
    deleted += ValidateFolder(root, subfolder, blob_exists, stop);
  }
  return deleted;
}

}  // namespace

int ValidateBlobCacheFolder(const std::string& folder, const BlobExistsCheck& blob_exists,
                            const std::function<bool()>& stop) {
  if (folder.empty()) return 0;
  return ValidateFolder(folder, fs::path(folder), blob_exists, stop);
}

bool BlobExists(TFIBDatabase& database, TFIBTransaction& transaction, const ISC_QUAD& blob_id) {
  IIBClientLibrary& library = database.ClientLibrary();
  isc_blob_handle handle = 0;
  ISC_QUAD id = blob_id;
  ISC_STATUS status = library.isc_open_blob2(StatusVector(), database.HandleAddress(),
                                             transaction.HandleAddress(), &handle, &id, 0, nullptr);
  if (status != 0) {
    bool unknown_blob = StatusIsOneOf({isc_bad_segstr_id});
    database.CheckClientCall(status, !unknown_blob);
    return false;
  }
  database.CheckClientCall(library.isc_close_blob(StatusVector(), &handle), true);
  return true;
}

bool IsRemoteConnection(TFIBDatabase& database) {
  static const ISC_SCHAR kItems[] = {isc_info_db_id, isc_info_end};
  ISC_SCHAR info[256] = {};
  IIBClientLibrary& library = database.ClientLibrary();
  database.CheckClientCall(library.isc_database_info(StatusVector(), database.HandleAddress(),
                                                     sizeof kItems, kItems, sizeof info, info),
                           true);
  // The item's first data byte tells how the database was reached.
  constexpr ISC_SCHAR kRemoteSite = 4;
  return info[0] == isc_info_db_id && info[3] == kRemoteSite;
}

// ---- the thread ----------------------------------------------------------

TValidateBlobCacheThread::TValidateBlobCacheThread(TFIBDatabase& main_database, std::string folder,
                                                   bool free_on_terminate)
    : classlib::TThread(false), folder_(std::move(folder)) {
  database_.SetName("dbValidateBlobCache");
  database_.SetLibraryName(main_database.LibraryName());
  const std::string& name = main_database.DBName();
  database_.SetDBName(IsRemoteConnection(main_database) ? name : "localhost:" + name);
  database_.DBParams().SetText(main_database.DBParams().Text());
  database_.SetSQLDialect(main_database.SQLDialect());
  database_.SetUseLoginPrompt(false);
  database_.SetSynchronizeTime(false);
  transaction_.SetName("trValidateBlobCache");
  transaction_.SetDefaultDatabase(&database_);
  transaction_.TRParams().SetText("read\r\nread_committed\r\nisc_tpb_nowait\r\nrec_version");
  SetFreeOnTerminate(free_on_terminate);
}

TValidateBlobCacheThread::~TValidateBlobCacheThread() {
  // A thread that frees itself is deleted from its own, finished, Execute.
  if (!FreeOnTerminate()) {
    Terminate();
    if (!Finished()) WaitFor();
  }
  try {
    if (transaction_.Active()) transaction_.Commit();
  } catch (const std::exception&) {
    // Only read: nothing is lost when the commit fails.
  }
  try {
    if (database_.Connected()) database_.Disconnect(true);
  } catch (const std::exception&) {
    // The connection goes with the object either way.
  }
}

bool TValidateBlobCacheThread::Exists(const ISC_QUAD& blob_id) {
  if (!database_.Connected()) database_.Connect();
  if (!transaction_.Active()) transaction_.StartTransaction();
  return BlobExists(database_, transaction_, blob_id);
}

void TValidateBlobCacheThread::Execute() {
  deleted_ = ValidateBlobCacheFolder(
      folder_, [this](const ISC_QUAD& id) { return Exists(id); }, [this] { return Terminated(); });
}

TValidateBlobCacheThread* StartBlobCacheValidation(TFIBDatabase& main_database,
                                                   const std::string& folder) {
  std::error_code ignored;
  if (!main_database.Connected() || folder.empty() || !fs::is_directory(folder, ignored))
    return nullptr;
  return classlib::NewThread<TValidateBlobCacheThread>(main_database, folder);
}

}  // namespace fib
