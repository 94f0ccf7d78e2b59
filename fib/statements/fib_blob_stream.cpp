#include "fib/statements/fib_blob_stream.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

#include "classlib/exceptions.h"
#include "fib/base/errors.h"
#include "fib/statements/blob_cache.h"
#include "fib/statements/blob_filters.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"

namespace fib {
namespace {

constexpr const char* kComponentName = "BlobStream";
// The server's length is only a hint for the first allocation: the content
// is read to its real end, and a damaged length must not reserve gigabytes.
constexpr int64_t kMaxReserve = 64 * 1024 * 1024;

// Copies in 64-byte blocks rather than through memcpy: the library's
// string-move instruction slows down twentyfold when the target lies just
// past the source modulo 4 KB, which is exactly where the allocator puts
// two buffers of a blob's size one after the other.
void CopyBytes(char* target, const char* source, size_t count) {
  size_t done = 0;
  for (; done + 64 <= count; done += 64) __builtin_memcpy(target + done, source + done, 64);
  std::memcpy(target + done, source + done, count - done);
}

}  // namespace

bool BlobIdIsZero(const ISC_QUAD& id) { return id.gds_quad_high == 0 && id.gds_quad_low == 0; }

bool SameBlobId(const ISC_QUAD& a, const ISC_QUAD& b) {
  return a.gds_quad_high == b.gds_quad_high && a.gds_quad_low == b.gds_quad_low;
}

// ---- life cycle ----------------------------------------------------------

TFIBBlobStream::TFIBBlobStream() = default;

TFIBBlobStream::TFIBBlobStream(int field_number, std::vector<classlib::Variant> key_values,
                               std::string field_name, std::string table_name,
                               OwnerList* owner_list)
    : owner_list_(owner_list),
      field_number_(field_number),
      table_name_(std::move(table_name)),
      field_name_(std::move(field_name)),
      key_values_(std::move(key_values)) {
  if (owner_list_ != nullptr) {
    owner_index_ = static_cast<int>(owner_list_->size());
    owner_list_->push_back(this);
  }
}

TFIBBlobStream::~TFIBBlobStream() {
  CancelBlob();
  LeaveOwnerList();
}

void TFIBBlobStream::LeaveOwnerList() {
  if (owner_list_ == nullptr || owner_index_ < 0) return;
  // The last stream takes this one's place, so no other index moves.
  TFIBBlobStream* last = owner_list_->back();
  (*owner_list_)[owner_index_] = last;
  last->owner_index_ = owner_index_;
  owner_list_->pop_back();
  owner_list_ = nullptr;
  owner_index_ = -1;
}

void TFIBBlobStream::Unload() {
  CancelBlob();
  buffer_.clear();
  buffer_.shrink_to_fit();
  saved_buffer_.clear();
  saved_buffer_.shrink_to_fit();
  loaded_ = false;
  modified_ = false;
  loaded_from_cache_ = false;
  unsaved_copy_ = true;
  position_ = 0;
  ForgetStored();
  outlived_ = false;
}

void TFIBBlobStream::SetDatabase(TFIBDatabase* database) {
  database_ = database;
  Unload();
}

void TFIBBlobStream::SetTransaction(TFIBTransaction* transaction) {
  transaction_ = transaction;
  Unload();
}

void TFIBBlobStream::SetBlobID(const ISC_QUAD& id) {
  blob_id_ = id;
  Unload();
}

// ---- checks --------------------------------------------------------------

void TFIBBlobStream::CheckReadable() const {
  if (mode_ == BlobMode::Write) RaiseClientError(35);
}

void TFIBBlobStream::CheckWritable() const {
  if (mode_ == BlobMode::Read && !client_only_) RaiseClientError(36);
}

void TFIBBlobStream::CheckDatabaseAndTransaction(TFIBTransaction* transaction) const {
  if (database_ == nullptr) RaiseClientError(21, {kComponentName});
  if (!database_->Connected()) RaiseClientError(12, {kComponentName});
  if (transaction == nullptr) RaiseClientError(22, {kComponentName});
  if (!transaction->Active()) RaiseClientError(15, {kComponentName});
}

bool TFIBBlobStream::HasClientFilter() const {
  return BlobSubTypeHasFilter(filters_, blob_sub_type_);
}

// Sub-types other than binary and text are asked as text from the server,
// unless the program filters them itself: then the bytes come unconverted.
bool TFIBBlobStream::ServerConvertsSubType() const {
  return blob_sub_type_ != 0 && blob_sub_type_ != 1 && !HasClientFilter();
}

// ---- loading -------------------------------------------------------------

void TFIBBlobStream::EnsureLoaded() {
  if (loaded_) return;
  position_ = 0;
  if (client_only_) {
    loaded_ = true;
    return;
  }
  bool fresh = mode_ == BlobMode::Write || BlobIdIsZero(blob_id_);
  if (fresh) {
    // New content, or no blob at all (a NULL column reads as empty).
    buffer_.clear();
    loaded_ = true;
    if (mode_ != BlobMode::Read) {
      blob_id_ = ISC_QUAD{};
      modified_ = true;
    }
    return;
  }
  LoadFromServer();
}

void TFIBBlobStream::LoadFromServer() {
  CheckReadable();
  CheckDatabaseAndTransaction(transaction_);
  OpenBlob();
  std::string raw;
  try {
    int64_t total_length = 0;
    ReadBlobInfo(total_length);
    if (TryLoadFromCache(total_length)) {
      CloseBlob();
      return;
    }
    raw = ReadSegments(total_length);
    CloseBlob();
  } catch (...) {
    CancelBlob();
    throw;
  }
  OfferToCache(raw);
  TakeContent(std::move(raw));
}

// The content as the server delivered it becomes the stream's content after
// the sub-type's client-side filter.
void TFIBBlobStream::TakeContent(std::string raw) {
  FilterBlobBuffer(filters_, raw, true, blob_sub_type_);
  buffer_ = std::move(raw);
  loaded_ = true;
  modified_ = false;
  position_ = 0;
}

void TFIBBlobStream::OpenBlob() {
  static const ISC_UCHAR kToText[] = {
      isc_bpb_version1, isc_bpb_source_type, 1, 0, isc_bpb_target_type, 1, 1};
  ISC_UCHAR bpb[sizeof kToText];
  std::memcpy(bpb, kToText, sizeof bpb);
  bpb[3] = static_cast<ISC_UCHAR>(blob_sub_type_);
  bool convert = ServerConvertsSubType();
  IIBClientLibrary& library = database_->ClientLibrary();
  database_->CheckClientCall(
      library.isc_open_blob2(StatusVector(), database_->HandleAddress(),
                             transaction_->HandleAddress(), &handle_, &blob_id_,
                             convert ? sizeof bpb : 0, convert ? bpb : nullptr),
      true);
}

void TFIBBlobStream::ReadBlobInfo(int64_t& total_length) {
  static const ISC_SCHAR kItems[] = {isc_info_blob_num_segments, isc_info_blob_max_segment,
                                     isc_info_blob_total_length, isc_info_blob_type};
  constexpr int kInfoSize = 100;
  ISC_SCHAR info[kInfoSize] = {};
  IIBClientLibrary& library = database_->ClientLibrary();
  database_->CheckClientCall(
      library.isc_blob_info(StatusVector(), &handle_, sizeof kItems, kItems, kInfoSize, info),
      true);
  total_length = 0;
  int pos = 0;
  while (pos + 3 <= kInfoSize) {
    char item = info[pos];
    if (item == isc_info_end) break;
    int length = library.isc_vax_integer(info + pos + 1, 2);
    if (length < 0 || pos + 3 + length > kInfoSize) break;
    int32_t value = library.isc_vax_integer(info + pos + 3, static_cast<short>(length));
    switch (item) {
      case isc_info_blob_num_segments:
        segment_count_ = value;
        break;
      case isc_info_blob_max_segment:
        max_segment_ = value;
        break;
      case isc_info_blob_total_length:
        total_length = value;
        break;
      case isc_info_blob_type:
        blob_type_ = static_cast<int16_t>(value);
        break;
      default:
        return;  // truncated or an error item: nothing more to decode
    }
    pos += 3 + length;
  }
}

std::string TFIBBlobStream::ReadSegments(int64_t expected_length) {
  // The server's total length counts stored bytes; a converted sub-type
  // delivers a different number, so only the end of the blob ends reading.
  // One byte more than announced lets the call that reports the end find
  // room without growing the buffer.
  std::string data(static_cast<size_t>(std::clamp<int64_t>(expected_length, 0, kMaxReserve)) + 1,
                   '\0');
  size_t filled = 0;
  IIBClientLibrary& library = database_->ClientLibrary();
  for (;;) {
    if (filled == data.size())
      data.resize(data.size() + std::max<size_t>(kMaxBlobSegment, filled / 2));
    auto room =
        static_cast<unsigned short>(std::min<size_t>(kMaxBlobSegment, data.size() - filled));
    unsigned short got = 0;
    ISC_STATUS status =
        library.isc_get_segment(StatusVector(), &handle_, &got, room, data.data() + filled);
    filled += got;
    if (status == isc_segstr_eof) break;
    if (status != 0 && status != isc_segment) database_->CheckClientCall(status, true);
  }
  data.resize(filled);
  return data;
}

void TFIBBlobStream::CloseBlob() {
  if (handle_ == 0) return;
  IIBClientLibrary& library = database_->ClientLibrary();
  database_->CheckClientCall(library.isc_close_blob(StatusVector(), &handle_), true);
}

// Drops a handle left open by a failure; its own failure is of no interest.
void TFIBBlobStream::CancelBlob() {
  if (handle_ == 0 || database_ == nullptr) return;
  IIBClientLibrary& library = database_->ClientLibrary();
  library.isc_cancel_blob(StatusVector(), &handle_);
  handle_ = 0;
}

// ---- the file cache ------------------------------------------------------

// Without its table, field and key a stream would share one file with every
// other such stream and drive it out at every load: it does without.
bool TFIBBlobStream::UsesCache() const {
  return cache_ != nullptr && !table_name_.empty() && !field_name_.empty() && !key_values_.empty();
}

BlobCacheIdentity TFIBBlobStream::CacheIdentity() const {
  return BlobCacheIdentity{blob_id_, static_cast<int32_t>(key_values_.size()), table_name_,
                           field_name_, BlobKeyString(key_values_)};
}

bool TFIBBlobStream::TryLoadFromCache(int64_t server_length) {
  if (!UsesCache()) return false;
  // A converted sub-type arrives with another length than the stored one.
  int64_t expected = ServerConvertsSubType() ? -1 : server_length;
  std::optional<std::string> data = cache_->Load(CacheIdentity(), key_values_, expected);
  if (!data) return false;
  TakeContent(std::move(*data));
  loaded_from_cache_ = true;
  return true;
}

void TFIBBlobStream::OfferToCache(const std::string& raw) {
  if (!UsesCache()) return;
  cache_->Save(CacheIdentity(), key_values_, this, raw);
}

// ---- writing back --------------------------------------------------------

void TFIBBlobStream::Finalize(bool force, bool mark_only) {
  const bool rewrite = outlived_ && !BlobIdIsZero(blob_id_);
  if (!loaded_ || mode_ == BlobMode::Read || (!modified_ && !force && !rewrite)) return;
  loaded_from_cache_ = false;
  if (mark_only || client_only_) {
    unsaved_copy_ = true;
    modified_ = false;
    return;
  }
  WriteToServer();
  modified_ = false;
  outlived_ = false;
  just_written_ = true;
}

void TFIBBlobStream::MarkUnwritten() {
  just_written_ = false;
  if (loaded_ && mode_ != BlobMode::Read && !client_only_) modified_ = true;
}

void TFIBBlobStream::WriteToServer() {
  TFIBTransaction* transaction =
      update_transaction_ != nullptr ? update_transaction_ : transaction_;
  CheckDatabaseAndTransaction(transaction);
  IIBClientLibrary& library = database_->ClientLibrary();
  ISC_QUAD new_id{};
  database_->CheckClientCall(
      library.isc_create_blob2(StatusVector(), database_->HandleAddress(),
                               transaction->HandleAddress(), &handle_, &new_id, 0, nullptr),
      true);
  try {
    std::string encoded;
    const std::string* data = &buffer_;
    if (HasClientFilter()) {
      encoded = buffer_;
      FilterBlobBuffer(filters_, encoded, false, blob_sub_type_);
      data = &encoded;
    }
    for (size_t done = 0; done < data->size();) {
      auto chunk =
          static_cast<unsigned short>(std::min<size_t>(kMaxBlobSegment, data->size() - done));
      database_->CheckClientCall(
          library.isc_put_segment(StatusVector(), &handle_, chunk, data->data() + done), true);
      done += chunk;
    }
    CloseBlob();
  } catch (...) {
    CancelBlob();
    throw;
  }
  blob_id_ = new_id;
}

// ---- cancel and post -----------------------------------------------------

void TFIBBlobStream::SaveContentOnFirstChange() {
  just_written_ = false;
  if (!unsaved_copy_) return;
  // A copy, not a move: a change in the middle keeps the bytes around it.
  saved_buffer_ = buffer_;
  saved_modified_ = modified_;
  saved_blob_id_ = blob_id_;
  unsaved_copy_ = false;
}

const std::string& TFIBBlobStream::PreviousContent() {
  EnsureLoaded();
  return unsaved_copy_ ? buffer_ : saved_buffer_;
}

void TFIBBlobStream::Restore() {
  // Nothing changed since the last post (or since loading): the content
  // is the one to keep, whether or not it still waits to be written.
  if (!loaded_ || unsaved_copy_) return;
  buffer_ = std::move(saved_buffer_);
  saved_buffer_.clear();
  modified_ = saved_modified_;
  // A write of the cancelled content (by a post that failed) left its
  // blob's id here; the content put back is the one of the id before.
  blob_id_ = saved_blob_id_;
  unsaved_copy_ = true;
  position_ = std::min<int64_t>(position_, static_cast<int64_t>(buffer_.size()));
}

void TFIBBlobStream::DropSavedContent() {
  // A cached post leaves the change unwritten: what the change started from,
  // when that was a blob of the server's, stays for CancelUpdates.
  if (modified_ && !unsaved_copy_ && !saved_modified_ && !BlobIdIsZero(saved_blob_id_)) {
    stored_buffer_ = std::move(saved_buffer_);
    stored_id_ = saved_blob_id_;
    holds_stored_ = true;
  }
  saved_buffer_.clear();
  saved_buffer_.shrink_to_fit();
  // The posted content is the one a later cancel must come back to.
  unsaved_copy_ = true;
}

bool TFIBBlobStream::RestoreStored(const ISC_QUAD& id) {
  if (holds_stored_ && SameBlobId(stored_id_, id)) {
    buffer_ = std::move(stored_buffer_);
    blob_id_ = id;
  } else if (!loaded_ || modified_ || !SameBlobId(blob_id_, id)) {
    return false;
  }
  ForgetStored();
  saved_buffer_.clear();
  unsaved_copy_ = true;
  modified_ = false;
  position_ = 0;
  return true;
}

void TFIBBlobStream::ForgetStored() {
  stored_buffer_.clear();
  stored_buffer_.shrink_to_fit();
  stored_id_ = ISC_QUAD{};
  holds_stored_ = false;
  just_written_ = false;
}

bool TFIBBlobStream::TakeServerId(const ISC_QUAD& id, const TFIBTransaction* reader) {
  // A statement reading in another transaction than the one the blob was
  // written in sees the row as it was before: its id names the old blob.
  const TFIBTransaction* writer = update_transaction_ != nullptr ? update_transaction_ : transaction_;
  if (!just_written_ || reader != writer) return false;
  blob_id_ = id;
  just_written_ = false;
  return true;
}

void TFIBBlobStream::OutliveTransaction() {
  if (loaded_ && !client_only_) outlived_ = true;
}

void TFIBBlobStream::Truncate() {
  EnsureLoaded();
  SaveContentOnFirstChange();
  buffer_.clear();
  position_ = 0;
  modified_ = true;
}

// ---- stream operations ---------------------------------------------------

int TFIBBlobStream::Read(void* buffer, int count) {
  CheckReadable();
  EnsureLoaded();
  int64_t available = static_cast<int64_t>(buffer_.size()) - position_;
  if (count <= 0 || available <= 0) return 0;
  int moved = static_cast<int>(std::min<int64_t>(count, available));
  CopyBytes(static_cast<char*>(buffer), buffer_.data() + position_, static_cast<size_t>(moved));
  position_ += moved;
  return moved;
}

int TFIBBlobStream::Write(const void* buffer, int count) {
  CheckWritable();
  EnsureLoaded();
  if (count <= 0) return 0;
  SaveContentOnFirstChange();
  const char* bytes = static_cast<const char*>(buffer);
  auto at = static_cast<size_t>(position_);
  size_t end = at + static_cast<size_t>(count);
  if (end > buffer_.size()) buffer_.resize(end);
  CopyBytes(buffer_.data() + at, bytes, static_cast<size_t>(count));
  position_ += count;
  modified_ = true;
  return count;
}

std::int64_t TFIBBlobStream::Seek(std::int64_t offset, int origin) {
  EnsureLoaded();
  int64_t size = static_cast<int64_t>(buffer_.size());
  int64_t target = 0;
  switch (origin) {
    case classlib::soFromBeginning:
      target = offset;
      break;
    case classlib::soFromCurrent:
      target = position_ + offset;
      break;
    case classlib::soFromEnd:
      target = size + offset;
      break;
    default:
      InvalidOrigin(origin);
  }
  position_ = std::clamp<int64_t>(target, 0, size);
  return position_;
}

std::int64_t TFIBBlobStream::Size() {
  EnsureLoaded();
  return static_cast<std::int64_t>(buffer_.size());
}

void TFIBBlobStream::SetSize(std::int64_t size) {
  CheckWritable();
  EnsureLoaded();
  if (size < 0 || size == static_cast<int64_t>(buffer_.size())) return;
  SaveContentOnFirstChange();
  buffer_.resize(static_cast<size_t>(size));
  buffer_.shrink_to_fit();
  modified_ = true;
}

std::string TFIBBlobStream::AsString() {
  CheckReadable();
  EnsureLoaded();
  return buffer_;
}

void TFIBBlobStream::LoadFromFile(const std::string& file_name) {
  CheckWritable();
  EnsureLoaded();
  classlib::TFileStream file(file_name, classlib::fmOpenRead | classlib::fmShareDenyWrite);
  // The stream's operations count bytes in 32 bits.
  if (file.Size() > INT32_MAX)
    throw classlib::EStreamError("File too large for a blob: " + file_name);
  std::string content(static_cast<size_t>(file.Size()), '\0');
  if (!content.empty()) file.ReadBuffer(content.data(), static_cast<int>(content.size()));
  SaveContentOnFirstChange();
  buffer_ = std::move(content);
  position_ = 0;
  modified_ = true;
}

void TFIBBlobStream::SaveToFile(const std::string& file_name) {
  CheckReadable();
  EnsureLoaded();
  classlib::TFileStream file(file_name, classlib::fmCreate);
  if (!buffer_.empty()) file.WriteBuffer(buffer_.data(), static_cast<int>(buffer_.size()));
}

}  // namespace fib
