// The client-side blob cache: one file per blob ("*.blb") under a cache
// folder, named after the table, the field and the record's key values.
// A file carries the blob id it was made from, so a stale or foreign file
// is recognised and never served.
//
// File layout (integers little-endian 32-bit, strings without terminator):
//   "ZOD$BLOB_BODY" (13 bytes), version 1, blob id (8 bytes), data length L,
//   key-value count K, table name length T and T bytes, field name length F
//   and F bytes, key string length S and S bytes, then L bytes of data as
//   the server delivered them (before any client-side filter).
#pragma once

#include <ibase.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/event.h"
#include "classlib/stream.h"
#include "classlib/syncobjs.h"
#include "classlib/variant.h"
#include "fib/statements/blob_swap_support.h"

namespace fib {

constexpr std::string_view kBlobCacheHeader = "ZOD$BLOB_BODY";
constexpr int32_t kBlobCacheVersion = 1;

// What a cache file says about the blob it holds.
struct BlobCacheIdentity {
  ISC_QUAD blob_id{};
  int32_t key_count = 0;
  std::string table_name;
  std::string field_name;
  std::string key_string;
};
bool operator==(const BlobCacheIdentity& a, const BlobCacheIdentity& b);

struct BlobCacheFile {
  BlobCacheIdentity identity;
  std::string data;  // empty when read without data
};

// The key values as text joined by "_": 5 and "A" give "5_A".
std::string BlobKeyString(const std::vector<classlib::Variant>& key_values);
// One path component that cannot leave its folder: "/", "\", "%", control
// bytes, bytes above 127 and a leading "." are written as "%XX".
std::string EscapeCachePathPart(const std::string& part);
// folder (ending in "/") + table + "/" + field + "/" + key string + ".blb",
// each part escaped.
std::string BlobCachePath(const std::string& folder, const BlobCacheIdentity& identity);
// $XDG_CACHE_HOME/updater/blob-cache/, else ~/.cache/updater/blob-cache/.
std::string DefaultBlobCacheFolder();

// The one lock every cache file read, write and delete is made under.
classlib::TCriticalSection& BlobCacheLock();

// The following expect the caller to hold BlobCacheLock.
// Writes the file whole through a temporary file, so a reader never sees
// half of it; creates missing folders. False when it could not be written.
bool WriteBlobCacheFile(const std::string& path, const BlobCacheIdentity& identity,
                        std::string_view data);
// The file's content, or nothing when it is missing, not a cache file or
// damaged. Every length is checked against the bytes left in the file
// before anything is allocated.
std::optional<BlobCacheFile> ReadBlobCacheFile(const std::string& path, bool with_data);
// Deletes a file; a missing file is no failure.
void DeleteBlobCacheFile(const std::string& path);

// The handlers' arguments: table, field, key values, then their own.
using TBeforeSaveBlobEvent =
    classlib::Event<void(const std::string& table_name, const std::string& field_name,
                         const std::vector<classlib::Variant>& key_values,
                         classlib::TStream* stream, std::string& file_name, bool& can_save)>;
using TAfterSaveBlobEvent = classlib::Event<void(
    const std::string& table_name, const std::string& field_name,
    const std::vector<classlib::Variant>& key_values, const std::string& file_name)>;
using TBeforeLoadBlobEvent = classlib::Event<void(
    const std::string& table_name, const std::string& field_name,
    const std::vector<classlib::Variant>& key_values, std::string& file_name, bool& can_load)>;
using TAfterLoadBlobEvent = TAfterSaveBlobEvent;

// What a blob stream needs to know to use the cache: where it is, the
// smallest blob worth a file, and the application's handlers.
class TBlobCache {
 public:
  // Inactive until Options().SetActive(true). The owner is the options'
  // owner (the database that caches).
  explicit TBlobCache(classlib::TComponent* owner = nullptr);

  TBlobSwapSupport& Options() { return options_; }
  const TBlobSwapSupport& Options() const { return options_; }
  // While the owner is being designed the cache is not used.
  void SetDesigning(bool value) { designing_ = value; }

  // The cache folder ending in "/", "" when the cache is off. A swap folder
  // left at its default (or empty) means the user's cache folder; a folder
  // starting with "{APP_PATH}" means the program's folder.
  std::string Folder() const;

  // The blob's content from its cache file. expected_length < 0 accepts any
  // data length. A file that exists but does not match is deleted.
  std::optional<std::string> Load(const BlobCacheIdentity& identity,
                                  const std::vector<classlib::Variant>& key_values,
                                  int64_t expected_length);
  // Writes the blob's file when it is large enough and the handlers let it.
  void Save(const BlobCacheIdentity& identity, const std::vector<classlib::Variant>& key_values,
            classlib::TStream* stream, std::string_view raw_data);

  TBeforeSaveBlobEvent BeforeSaveBlobToSwap;
  TAfterSaveBlobEvent AfterSaveBlobToSwap;
  TBeforeLoadBlobEvent BeforeLoadBlobFromSwap;
  TAfterLoadBlobEvent AfterLoadBlobFromSwap;

 private:
  TBlobSwapSupport options_;
  bool designing_ = false;
};

}  // namespace fib
