// TFIBBlobStream: an in-memory stream over one blob of the database. The
// whole blob is loaded on first use; the caller reads, seeks and rewrites the
// bytes, and a changed blob is written back as a new blob (blobs are never
// changed in place on the server). The previous content is kept from the
// first change until the record is posted or cancelled, so a cancel can put
// it back. Loaded blobs may be kept in a file cache (TBlobCache).
#pragma once

#include <ibase.h>

#include <cstdint>
#include <string>
#include <vector>

#include "classlib/stream.h"
#include "classlib/variant.h"

namespace fib {

class TFIBDatabase;
class TFIBTransaction;
class TIBBlobFilters;
class TBlobCache;
struct BlobCacheIdentity;

// How the stream may be used.
enum class BlobMode : uint8_t { Read = 0, Write = 1, ReadWrite = 2 };

// Segments moved by one client call: the client interface counts a segment
// length in 16 bits.
constexpr int kMaxBlobSegment = 65535;

bool BlobIdIsZero(const ISC_QUAD& id);
bool SameBlobId(const ISC_QUAD& a, const ISC_QUAD& b);

class TFIBBlobStream : public classlib::TStream {
  CLASSLIB_CLASS(TFIBBlobStream, classlib::TStream)
 public:
  // The streams of one data set, each knowing its own place in the list.
  using OwnerList = std::vector<TFIBBlobStream*>;

  // A stand-alone stream: no field, no owner list.
  TFIBBlobStream();
  // A stream of a data set's field: registers itself in `owner_list`
  // (which may be null). The table, field and key values name its cache
  // file.
  TFIBBlobStream(int field_number, std::vector<classlib::Variant> key_values,
                 std::string field_name, std::string table_name, OwnerList* owner_list);
  // Cancels a blob left open by a failure and leaves the owner list.
  ~TFIBBlobStream() override;

  // ---- stream operations (each loads the blob first) ----
  int Read(void* buffer, int count) override;
  int Write(const void* buffer, int count) override;
  // The position stays within 0..size.
  std::int64_t Seek(std::int64_t offset, int origin) override;
  std::int64_t Size() override;
  void SetSize(std::int64_t size) override;
  std::string AsString();
  // The raw content to and from a plain file (no header).
  void LoadFromFile(const std::string& file_name);
  void SaveToFile(const std::string& file_name);

  // ---- where the blob lives; changing any of these unloads the stream ----
  TFIBDatabase* Database() const { return database_; }
  void SetDatabase(TFIBDatabase* database);
  TFIBTransaction* Transaction() const { return transaction_; }
  void SetTransaction(TFIBTransaction* transaction);
  // Writes go through this transaction; null: the read transaction.
  TFIBTransaction* UpdateTransaction() const { return update_transaction_; }
  void SetUpdateTransaction(TFIBTransaction* transaction) { update_transaction_ = transaction; }
  const ISC_QUAD& BlobID() const { return blob_id_; }
  void SetBlobID(const ISC_QUAD& id);
  BlobMode Mode() const { return mode_; }
  void SetMode(BlobMode mode) { mode_ = mode; }
  // 0 binary, 1 text; other sub-types are read as text converted by the
  // server unless a client-side filter is registered for them.
  int16_t BlobSubType() const { return blob_sub_type_; }
  void SetBlobSubType(int16_t sub_type) { blob_sub_type_ = sub_type; }
  // The connection's client-side filters (may be null).
  void SetBlobFilters(TIBBlobFilters* filters) { filters_ = filters; }
  // The file cache to consult and fill (may be null: no caching).
  void SetBlobCache(TBlobCache* cache) { cache_ = cache; }
  // A stream of a client-only field never touches the server.
  bool ClientOnly() const { return client_only_; }
  void SetClientOnly(bool value) { client_only_ = value; }

  // ---- state ----
  bool Loaded() const { return loaded_; }
  bool Modified() const { return modified_; }
  bool LoadedFromCache() const { return loaded_from_cache_; }
  int32_t SegmentCount() const { return segment_count_; }
  int32_t MaxSegmentSize() const { return max_segment_; }
  int16_t BlobType() const { return blob_type_; }
  int FieldNumber() const { return field_number_; }
  const std::string& TableName() const { return table_name_; }
  const std::string& FieldName() const { return field_name_; }
  const std::vector<classlib::Variant>& KeyValues() const { return key_values_; }

  // Loads the blob now when it is not loaded yet.
  void EnsureLoaded();
  // Writes a modified (or, with force, any) loaded stream back as a new
  // blob; BlobID() then holds the new id. With mark_only nothing is
  // written: the stream only forgets that it was modified.
  void Finalize(bool force = false, bool mark_only = false);
  // The statement that was to store the blob Finalize wrote failed: the
  // blob it wrote may vanish with its transaction, so the content counts as
  // changed again and the next Finalize writes it anew.
  void MarkUnwritten();
  // The content before the first change since it was loaded or posted:
  // what the record's old-value view shows (loads the blob first).
  const std::string& PreviousContent();
  // Cancel: puts back the content saved at the first change since loading
  // or the last post, with the modified state it had then.
  void Restore();
  // After a post (to the server, or to the cache under cached updates): a
  // later cancel comes back to the posted content. A cached post leaves
  // the stream modified, so applying the update still writes it.
  void DropSavedContent();
  // Opening for a complete rewrite: the content goes (into the saved
  // buffer when nothing is saved yet).
  void Truncate();

  // ---- the content the server held for the record ----
  // A cached change keeps the content its blob id stood for until the
  // change is stored, so that a record given back by CancelUpdates shows it
  // without the server, which may no longer hold that blob.
  // Answers whether the stream now holds the content of `id`, unmodified.
  bool RestoreStored(const ISC_QUAD& id);
  // The change was stored and read back: the content it started from and
  // the id it was written under are of no further use.
  void ForgetStored();
  // The row was read back after the statement that wrote this content and
  // before that statement counted as done: the server keeps the content
  // under an id of its own, which the stream takes. Answers whether it did.
  bool TakeServerId(const ISC_QUAD& id, const TFIBTransaction* reader);
  // The transaction the blob was read or written in ended: the server may
  // no longer hold it under its id (another attachment replaced it, or a
  // rollback took it), so the next Finalize writes the content anew.
  void OutliveTransaction();

 private:
  void Unload();
  void LeaveOwnerList();
  void CheckReadable() const;
  void CheckWritable() const;
  void CheckDatabaseAndTransaction(TFIBTransaction* transaction) const;
  void LoadFromServer();
  void ReadBlobInfo(int64_t& total_length);
  void OpenBlob();
  bool UsesCache() const;
  BlobCacheIdentity CacheIdentity() const;
  bool TryLoadFromCache(int64_t server_length);
  std::string ReadSegments(int64_t expected_length);
  void CloseBlob();
  void CancelBlob();
  void WriteToServer();
  void OfferToCache(const std::string& raw);
  void TakeContent(std::string raw);
  void SaveContentOnFirstChange();
  bool ServerConvertsSubType() const;
  bool HasClientFilter() const;

  TFIBDatabase* database_ = nullptr;
  TFIBTransaction* transaction_ = nullptr;
  TFIBTransaction* update_transaction_ = nullptr;
  TIBBlobFilters* filters_ = nullptr;
  TBlobCache* cache_ = nullptr;
  ISC_QUAD blob_id_{};
  int32_t segment_count_ = 0;
  int32_t max_segment_ = 0;
  int16_t blob_type_ = 0;
  int16_t blob_sub_type_ = 0;
  std::string buffer_;
  std::string saved_buffer_;
  bool loaded_ = false;
  isc_blob_handle handle_ = 0;
  BlobMode mode_ = BlobMode::Read;
  bool modified_ = false;
  int64_t position_ = 0;
  OwnerList* owner_list_ = nullptr;
  int owner_index_ = -1;
  int field_number_ = -1;
  bool unsaved_copy_ = true;
  bool saved_modified_ = false;  // modified_ when the saved copy was taken
  ISC_QUAD saved_blob_id_{};     // blob_id_ when the saved copy was taken
  std::string stored_buffer_;    // the content of stored_id_ while a cached change waits
  ISC_QUAD stored_id_{};
  bool holds_stored_ = false;
  bool outlived_ = false;  // the id may no longer name this content on the server
  bool just_written_ = false;  // written by the statement still running
  std::string table_name_;
  std::string field_name_;
  std::vector<classlib::Variant> key_values_;
  bool loaded_from_cache_ = false;
  bool client_only_ = false;
};

}  // namespace fib
