// Clearing the blob cache of files whose blob is gone from the database.
//
// Only files this layer made are ever deleted: a file must carry the cache
// header, parse whole, and lie exactly where its own table, field and key
// would put it. Anything else in the folder - a foreign "*.blb" among them -
// is left alone.
#pragma once

#include <ibase.h>

#include <atomic>
#include <functional>
#include <string>

#include "classlib/thread.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"

namespace fib {

// Answers whether the blob still exists; raises when it cannot tell.
using BlobExistsCheck = std::function<bool(const ISC_QUAD& blob_id)>;

// One pass over `folder` (ending in "/") and its subfolders, depth first;
// stops early once `stop` answers true. Answers the number of files deleted.
int ValidateBlobCacheFolder(const std::string& folder, const BlobExistsCheck& blob_exists,
                            const std::function<bool()>& stop = {});

// Opens and closes the blob. A blob id the server does not know answers
// false; any other failure (a lost connection) raises.
bool BlobExists(TFIBDatabase& database, TFIBTransaction& transaction, const ISC_QUAD& blob_id);

// True when the database is attached through a server rather than the
// embedded engine.
bool IsRemoteConnection(TFIBDatabase& database);

// A thread that validates the cache once through a connection of its own,
// read-only and read-committed, so the program's transactions are not
// disturbed. Its failures end only the thread.
class TValidateBlobCacheThread : public classlib::TThread {
  CLASSLIB_CLASS(TValidateBlobCacheThread, classlib::TThread)
 public:
  // Connects to the main database through the server ("localhost:" for a
  // local file). Create with classlib::NewThread; it starts at once and,
  // with free_on_terminate, deletes itself when done.
  TValidateBlobCacheThread(TFIBDatabase& main_database, std::string folder,
                           bool free_on_terminate = true);
  ~TValidateBlobCacheThread() override;

  int DeletedCount() const { return deleted_; }

 protected:
  void Execute() override;

 private:
  bool Exists(const ISC_QUAD& blob_id);

  std::string folder_;
  TFIBDatabase database_{nullptr};
  TFIBTransaction transaction_{nullptr};
  std::atomic<int> deleted_{0};
};

// What the database does after it connected: starts the validation when
// it is connected and the cache folder is set and exists. Answers the
// thread (owned by itself) or nullptr.
TValidateBlobCacheThread* StartBlobCacheValidation(TFIBDatabase& main_database,
                                                   const std::string& folder);

}  // namespace fib
