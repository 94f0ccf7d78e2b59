// Blob fields as streams, and array fields through their column's array
// descriptor.
#include <cstring>
#include <functional>
#include <span>

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/record_bytes.h"
#include "fib/dataset/fib_blob_fields.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/dataset/fib_ds_blob_stream.h"
#include "fib/dataset/fib_misc_fields.h"
#include "fib/metadata/metadata_cache.h"
#include "fib/metadata/metadata_cache_fib_source.h"
#include "fib/records/field_descr_list_layout.h"
#include "fib/records/records_cache.h"
#include "fib/statements/fib_blob_stream.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "fib/statements/xsqlvar.h"
#include "fib/statements/zod_array.h"

namespace fib {

namespace {

bool IsClientOnly(const classlib::TField* field) {
  const auto* blob = dynamic_cast<const TFIBBlobField*>(field);
  return blob != nullptr && blob->IsClientField();
}

}  // namespace

std::unique_ptr<classlib::TStream> TFIBCustomDataSet::CreateBlobStream(
    classlib::TField* field, classlib::TBlobStreamMode mode) {
  const bool write = mode != classlib::bmRead;
  if (write && !IsClientOnly(field) && !field->ReadOnly()) CheckCanModify();
  classlib::TRecordBuffer record = SourceBufferFor(field);
  const TFIBFieldDescr* descr = FieldDescr(field);
  if (record == nullptr || (descr == nullptr && !IsClientOnly(field)))
    return std::make_unique<TFIBDSBlobStream>(*this, field, 0, ISC_QUAD{}, false);

  uint8_t* slot = BlobSlot(record + blob_slots_offset_, field);
  if (slot == nullptr)  // not a blob field of this data set
    return std::make_unique<TFIBDSBlobStream>(*this, field, 0, ISC_QUAD{}, false);
  TFIBBlobStream* stream = BlobStreamByHandle(LoadUnaligned<uint32_t>(slot));
  ISC_QUAD blob_id{};
  if (stream == nullptr) {
    if (descr != nullptr) blob_id = LoadUnaligned<ISC_QUAD>(record + descr->Offset);
    const bool null = descr == nullptr || record[NullFlagOffset(field->FieldNo() - 1)] != 0;
    if (IsClientOnly(field) && !write) {
      stream = NewRecordBlobStream(field, ISC_QUAD{}, slot);
      stream->SetClientOnly(true);
      field->SetReadOnly(true);
      if (OnFillClientBlob) OnFillClientBlob(this, static_cast<TFIBBlobField*>(field), stream);
    } else if (!null || write) {
      stream = NewRecordBlobStream(field, blob_id, slot);
      if (cached_updates_) LoadForCachedUpdates(*stream);
    }
    if (stream != nullptr && State() == classlib::dsBrowse && HoldsRecord(RecordIndexOf(record)))
      WriteRecordToCache(RecordIndexOf(record), record);
  } else {
    blob_id = stream->BlobID();
    stream->SetUpdateTransaction(UpdateTransaction());
  }
  uint32_t handle = 0;
  std::memcpy(&handle, slot, sizeof handle);
  auto result = std::make_unique<TFIBDSBlobStream>(*this, field, stream != nullptr ? handle : 0,
                                                   blob_id, write);
  if (stream != nullptr) {
    stream->Seek(0, 0);  // loads the content
    if (mode == classlib::bmWrite) stream->Truncate();
  }
  return result;
}

// A stream of the record's field, owned by the data set and referred to
// from the record's blob slot by its handle.
TFIBBlobStream* TFIBCustomDataSet::NewRecordBlobStream(classlib::TField* field,
                                                       const ISC_QUAD& blob_id, uint8_t* slot) {
  std::vector<classlib::Variant> keys = IsClientOnly(field)
                                            ? std::vector<classlib::Variant>{}
                                            : BlobCacheKeyValues(GetRelationTableName(field));
  return NewRecordBlobStream(field, blob_id, slot, std::move(keys));
}

// `keys` name the blob in the database's blob cache; without them the blob
// is read from the server.
TFIBBlobStream* TFIBCustomDataSet::NewRecordBlobStream(classlib::TField* field,
                                                       const ISC_QUAD& blob_id, uint8_t* slot,
                                                       std::vector<classlib::Variant> keys) {
  const std::string table = GetRelationTableName(field);
  std::string column = GetRelationFieldName(field);
  if (column.empty()) column = field->FieldName();
  auto stream = std::make_unique<TFIBBlobStream>(field->FieldNo(), std::move(keys), column,
                                                 table, nullptr);
  if (Database() != nullptr && !stream->KeyValues().empty())
    stream->SetBlobCache(&Database()->BlobCache());
  stream->SetMode(BlobMode::ReadWrite);
  if (TFIBXSQLVAR* column = ColumnOf(field)) stream->SetBlobSubType(static_cast<int16_t>(column->SQLSubtype()));
  stream->SetDatabase(Database());
  stream->SetTransaction(Transaction());
  stream->SetUpdateTransaction(UpdateTransaction());
  stream->SetBlobID(blob_id);
  TFIBBlobStream* raw = stream.get();
  const uint32_t handle = AddBlobStream(std::move(stream));
  std::memcpy(slot, &handle, sizeof handle);
  return raw;
}

std::vector<classlib::Variant> TFIBCustomDataSet::BlobCacheKeyValues(const std::string& table) {
  TFIBDatabase* database = Database();
  if (database == nullptr || table.empty() || !database->Connected() ||
      database->BlobCache().Folder().empty())
    return {};
  std::string key_list;
  try {
    FIBMetadataSource source(*database, {});
    key_list = ProcessMetadataCaches().TableInfo.PrimaryKeyFields(source, table);
  } catch (const EFIBError&) {
    return {};  // no key known: the blob is read from the server, uncached
  }
  std::vector<classlib::Variant> values;
  size_t start = 0;
  while (start <= key_list.size()) {
    size_t end = key_list.find(';', start);
    if (end == std::string::npos) end = key_list.size();
    const std::string key = classlib::Trim(key_list.substr(start, end - start));
    start = end + 1;
    if (key.empty()) continue;
    classlib::TField* key_field = nullptr;
    for (classlib::TField* candidate : Fields().List()) {
      if (candidate->FieldKind() == classlib::fkData &&
          classlib::SameText(GetRelationTableName(candidate), table) &&
          classlib::SameText(GetRelationFieldName(candidate), key)) {
        key_field = candidate;
        break;
      }
    }
    if (key_field == nullptr) return {};
    classlib::Variant value = key_field->AsVariant();
    if (classlib::VarIsNull(value) || classlib::VarIsEmpty(value)) return {};
    values.push_back(value);
  }
  return values;
}

// Cached changes may outlive the transaction: read the blob while it can.
void TFIBCustomDataSet::LoadForCachedUpdates(TFIBBlobStream& stream) {
  TFIBDatabase* database = Database();
  TFIBTransaction* transaction = Transaction();
  if (database == nullptr || transaction == nullptr) return;
  const bool connected = database->Connected();
  const bool active = transaction->Active();
  if (!connected) database->Connect();
  if (!active) transaction->StartTransaction();
  try {
    stream.EnsureLoaded();
  } catch (...) {
    if (!active) transaction->Commit();
    if (!connected) database->SetConnected(false);
    throw;
  }
  if (!active) transaction->Commit();
  if (!connected) database->SetConnected(false);
}

// ---- arrays ----

std::unique_ptr<TpZODArray> TFIBCustomDataSet::CreateArray(classlib::TField* field) {
  TFIBDatabase* database = Database();
  if (database == nullptr || Transaction() == nullptr || !database->Connected()) return nullptr;
  const std::string table = GetRelationTableName(field);
  const std::string column = GetRelationFieldName(field);
  if (table.empty() || column.empty()) return nullptr;
  return std::make_unique<TpZODArray>(database->ClientLibrary(), base_->DBHandle(),
                                      base_->TRHandle(), table, column, database);
}

classlib::Variant TFIBCustomDataSet::ArrayValues(classlib::TField* field) {
  classlib::Variant result(false);
  auto* array_field = dynamic_cast<TFIBArrayField*>(field);
  if (array_field == nullptr) return result;
  if (select_query_->Prepared() && select_query_->FindField(field->FieldName()) == nullptr)
    RaiseClientError(41, {field->FieldName()});
  TpZODArray* array = array_field->Array();
  ISC_QUAD id{};
  if (array == nullptr || !array_field->GetArrayId(id)) return result;
  if (TPendingArrays::IsPending(id)) {
    const std::vector<char>* slice = pending_arrays_.Find(id);
    return slice != nullptr ? array->FromSlice(*slice) : classlib::Variant::Null();
  }
  // Cached records outlive the transaction that read them: after its hard
  // end the values are read in a transaction of their own, as a blob is
  // loaded for cached updates.
  TFIBTransaction* transaction = Transaction();
  if (!cached_updates_ || transaction->Active()) return array->Read(id, base_->TRHandle());
  transaction->StartTransaction();
  try {
    result = array->Read(id, base_->TRHandle());
  } catch (...) {
    transaction->Commit();
    throw;
  }
  transaction->Commit();
  return result;
}

bool TFIBCustomDataSet::KeepArrayOf(classlib::TField* field, classlib::TRecordBuffer record,
                                    std::map<std::pair<ISC_LONG, ISC_ULONG>, ISC_QUAD>& kept) {
  const TFIBFieldDescr* descr = FieldDescr(field);
  if (descr == nullptr || record[NullFlagOffset(field->FieldNo() - 1)] != 0) return false;
  const ISC_QUAD id = LoadUnaligned<ISC_QUAD>(record + descr->Offset);
  if (TPendingArrays::IsPending(id)) return false;
  const auto key = std::make_pair(id.gds_quad_high, id.gds_quad_low);
  auto found = kept.find(key);
  if (found == kept.end()) {
    TpZODArray* array = static_cast<TFIBArrayField*>(field)->Array();
    if (array == nullptr) return false;
    // An array the transaction cannot read any more stays as it was: the
    // hard end must not fail for it.
    std::vector<char> slice;
    try {
      slice = array->ToSlice(array->Read(id, base_->TRHandle()));
    } catch (const std::exception&) {
      return false;
    }
    found = kept.emplace(key, pending_arrays_.Keep(std::move(slice))).first;
  }
  std::memcpy(record + descr->Offset, &found->second, sizeof found->second);
  return true;
}

void TFIBCustomDataSet::KeepArraysOverTransactionEnd() {
  if (cache_ == nullptr) return;
  std::vector<classlib::TField*> arrays;
  for (classlib::TField* field : Fields().List())
    if (dynamic_cast<TFIBArrayField*>(field) != nullptr && FieldDescr(field) != nullptr) arrays.push_back(field);
  if (arrays.empty()) return;
  std::map<std::pair<ISC_LONG, ISC_ULONG>, ISC_QUAD> kept;  // server id -> pending id
  RewriteHeldVersions([&](classlib::TRecordBuffer record) {
    bool changed = false;
    for (classlib::TField* field : arrays) changed |= KeepArrayOf(field, record, kept);
    return changed;
  });
  // The records on show carry the same ids.
  for (int i = 0; i < BufferedRecords(); ++i)
    for (classlib::TField* field : arrays) KeepArrayOf(field, Buffers(i), kept);
}

// Every cached record, and the earlier version the log keeps of an edited
// one (CancelUpdates gives it back), passes through `change`; those it
// changed are stored again.
void TFIBCustomDataSet::RewriteHeldVersions(
    const std::function<bool(classlib::TRecordBuffer)>& change) {
  std::vector<uint8_t> record(static_cast<size_t>(GetRecordSize()), 0);
  const std::span<uint8_t> stored(record.data() + kCacheBufferStart,
                                  static_cast<size_t>(record_size_ - kCacheBufferStart));
  for (int index = 0; index < record_count_; ++index) {
    ReadRecordFromCache(index, record.data(), false);
    if (change(record.data())) WriteRecordToCache(index, record.data());
    const int number = CacheNumberOf(index);
    if (!cache_->FindLogEntry(cache_->RecordIndex(number), false)) continue;
    cache_->ReadRecord(number, stored, true);
    if (change(record.data())) cache_->WriteSavedRecord(number, stored);
  }
}

// ---- blobs of records kept past their transaction ----

// A record kept past its transaction names its memos and blobs by id only,
// and the server may drop a blob once no transaction can see its record
// version: another attachment deleted or replaced the row, or a retaining
// rollback took what an apply wrote. Every blob a kept record has not read
// yet is read now, while the transaction still can, into a stream that
// stays with the record.
void TFIBCustomDataSet::KeepBlobsOverTransactionEnd() {
  if (cache_ == nullptr || blob_slot_count_ == 0) return;
  std::vector<classlib::TField*> blobs;
  for (classlib::TField* field : Fields().List())
    if (field->IsBlob() && !IsClientOnly(field) && FieldDescr(field) != nullptr)
      blobs.push_back(field);
  if (blobs.empty()) return;
  std::map<std::pair<ISC_LONG, ISC_ULONG>, uint32_t> kept;  // server id -> stream handle
  RewriteHeldVersions([&](classlib::TRecordBuffer record) {
    bool changed = false;
    for (classlib::TField* field : blobs) changed |= KeepBlobOf(field, record, kept, true);
    return changed;
  });
  // The records on show are copies of the cached ones: they take the same
  // streams (a record being inserted names no server blob).
  for (int i = 0; i < BufferedRecords(); ++i)
    for (classlib::TField* field : blobs) KeepBlobOf(field, Buffers(i), kept, false);
}

bool TFIBCustomDataSet::KeepBlobOf(classlib::TField* field, classlib::TRecordBuffer record,
                                   std::map<std::pair<ISC_LONG, ISC_ULONG>, uint32_t>& kept,
                                   bool read_new) {
  const TFIBFieldDescr* descr = FieldDescr(field);
  uint8_t* slot = BlobSlot(record + blob_slots_offset_, field);
  if (descr == nullptr || slot == nullptr || record[NullFlagOffset(field->FieldNo() - 1)] != 0)
    return false;
  if (BlobStreamByHandle(LoadUnaligned<uint32_t>(slot)) != nullptr) return false;
  const ISC_QUAD id = LoadUnaligned<ISC_QUAD>(record + descr->Offset);
  if (id.gds_quad_high == 0 && id.gds_quad_low == 0) return false;
  const auto key = std::make_pair(id.gds_quad_high, id.gds_quad_low);
  auto found = kept.find(key);
  if (found == kept.end()) {
    if (!read_new) return false;
    // Another record's key is on show: the blob cache is not asked.
    TFIBBlobStream* stream = NewRecordBlobStream(field, id, slot, {});
    const uint32_t handle = LoadUnaligned<uint32_t>(slot);
    // A blob the transaction cannot read any more stays as it was: the end
    // must not fail for it.
    try {
      stream->EnsureLoaded();
    } catch (const std::exception&) {
      FreeBlobStream(handle);
      StoreUnaligned<uint32_t>(slot, 0);
      return false;
    }
    stream->OutliveTransaction();
    found = kept.emplace(key, handle).first;
  }
  StoreUnaligned<uint32_t>(slot, found->second);
  return true;
}

// The values stay with the record, as the column's slice, until the
// statement that stores the record writes them in its own transaction: a
// cached change outlives the transaction it was made in, and a refused
// statement leaves them to the retry. Converting them now reports values
// the column cannot take at once.
void TFIBCustomDataSet::SetArrayValues(classlib::TField* field, const classlib::Variant& values) {
  if (State() != classlib::dsEdit && State() != classlib::dsInsert) return;
  auto* array_field = dynamic_cast<TFIBArrayField*>(field);
  if (array_field == nullptr) return;
  if (classlib::VarIsEmpty(values) || classlib::VarIsNull(values)) {
    field->Clear();
    return;
  }
  if (select_query_->Prepared() && select_query_->FindField(field->FieldName()) == nullptr)
    RaiseClientError(41, {field->FieldName()});
  TpZODArray* array = array_field->Array();
  if (array == nullptr) return;
  if (UpdateTransaction() == nullptr) RaiseClientError(22, {FullComponentName(this)});
  std::vector<char> slice = array->ToSlice(values);
  if (slice.empty()) return;  // not an array: nothing to store
  array_field->SetArrayId(pending_arrays_.Add(std::move(slice)));
}

}  // namespace fib
