// Moving values between the statements' column and parameter descriptors
// and the records the data set stores.
#include <cmath>
#include <cstring>

#include "classlib/ansistr.h"
#include "classlib/data_link.h"
#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "fib/base/errors.h"
#include "fib/base/record_bytes.h"
#include "fib/base/sql_types.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/dataset/fib_string_fields.h"
#include "fib/records/field_descr_list_layout.h"
#include "fib/records/records_cache.h"
#include "fib/statements/fib_blob_stream.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "fib/statements/xsqlvar.h"

namespace fib {

namespace {

// Day 0 of the server's calendar (1858-11-17) as a record day number.
constexpr int32_t kServerDayOffset = 678576;
constexpr double kMSecsPerDay = 86400000.0;

// The column's null indicator as the server set it.
bool ColumnIsNull(const XSQLVAR& var) {
  return (var.sqltype & 1) != 0 && var.sqlind != nullptr && *var.sqlind == -1;
}

// A long text kept in the record: its length word, its bytes and zeros to
// the slot's end, so that a row holds nothing of the row stored there before.
// A record that was just zero-filled (fresh) already holds those zeros.
void StoreInlineText(uint8_t* slot, int width, const char* text, int length, bool fresh) {
  StoreUnaligned<int32_t>(slot, length);
  uint8_t* bytes = slot + kTextLengthSize;
  if (length > 0) std::memcpy(bytes, text, static_cast<size_t>(length));
  if (!fresh) std::memset(bytes + length, 0, static_cast<size_t>(width - length));
}

bool HasPrefix(const std::string& name, std::string_view prefix) {
  return name.size() > prefix.size() &&
         classlib::SameText(std::string_view(name).substr(0, prefix.size()), prefix);
}

}  // namespace

// ---- rows into the cache ----

void TFIBCustomDataSet::PlanColumnStores() {
  column_stores_.clear();
  column_stores_.reserve(static_cast<size_t>(field_descrs_.GetCount()));
  for (int i = 0; i < field_descrs_.GetCount(); ++i) {
    const TFIBFieldDescr& descr = *field_descrs_.GetItem(i);
    TColumnStore store{};
    store.FieldType = descr.FieldType;
    // Types are even; an odd one matches no column, as sqltype | 1 is odd.
    store.NullableType = (descr.FieldType & 1) == 0 ? descr.FieldType | 1 : 0;
    store.Scale = descr.Scale;
    store.Slot = descr.Offset - kCacheBufferStart;
    store.Width = descr.DataSize;
    store.StringIndex = descr.StringIndex;
    switch (descr.FieldType) {
      case kSQLDate: store.Kind = TStoreKind::kDate; break;
      case kSQLTime: store.Kind = TStoreKind::kTime; break;
      case kSQLTimeStamp: store.Kind = TStoreKind::kTimeStamp; break;
      case kSQLInt64: store.Kind = TStoreKind::kInt64; break;
      case kSQLText:
        store.Kind = !descr.IsString           ? TStoreKind::kText
                     : descr.StringIndex >= 0 ? TStoreKind::kTextString
                                              : TStoreKind::kTextInline;
        break;
      case kSQLVarying:
        store.Kind = !descr.IsString           ? TStoreKind::kVarying
                     : descr.StringIndex >= 0 ? TStoreKind::kVaryingString
                                              : TStoreKind::kVaryingInline;
        break;
      case kSQLBlob: case kSQLArray: case kSQLQuad: store.Kind = TStoreKind::kId; break;
      default: store.Kind = TStoreKind::kCopy; break;
    }
    column_stores_.push_back(store);
  }
}

void TFIBCustomDataSet::FetchRecordToCache(TFIBQuery& statement, int index) {
  if (LimitedCacheModel() || uni_directional_)
    index %= cache_model_options_->BufferChunks();
  // A record reached for the first time comes zero-filled: its texts need
  // no zeros written after them.
  const bool fresh = cache_->Unreached(index + 1);
  uint8_t* stored = cache_->Grow(index + 1);
  // A ring position reused by the window, or a record refreshed: the old
  // values of a later edit must come from the row stored now.
  if (cache_->CurrentRecNo() == index + 1) cache_->ForgetCurrent();
  uint8_t* blob_slots = stored + stored_blob_offset_;
  if (!keep_blob_streams_ && blob_slot_count_ > 0) ForgetBlobStreams(blob_slots);
  stored[0] = cusUnmodified;

  if (&statement == select_query_) {
    StoreSelectRow(statement.Current(), stored, index, fresh);
  } else {
    StoreOtherStatementRow(statement, stored, index);
  }

  if (keep_blob_streams_) KeepFetchedBlobStreams(statement, blob_slots);
  if (AfterFetchRecord) [[unlikely]]
    FireAfterFetchRecord(statement, index);
}

// The select's columns are the fields' columns, in their order.
void TFIBCustomDataSet::StoreSelectRow(TFIBXSQLDA& columns, uint8_t* stored, int index,
                                       bool fresh) {
  // Held in locals: every byte stored could alias the members as far as
  // the compiler knows, which would reload them for every column.
  const XSQLVAR* var = columns.AsXSQLDA()->sqlvar;
  const TColumnStore* store = column_stores_.data();
  const TColumnStore* const end = store + std::min<size_t>(static_cast<size_t>(columns.Count()),
                                                          column_stores_.size());
  for (int column = 1; store != end; ++store, ++var, ++column) {
    // A column of another type would be read past its buffer: such a
    // column keeps the value it has. One comparison serves both forms of
    // the type, with and without the null flag.
    if ((var->sqltype | 1) != store->NullableType) [[unlikely]]
      continue;
    StoreColumn(*store, *var, stored, column, index, fresh);
  }
}

void TFIBCustomDataSet::FireAfterFetchRecord(TFIBQuery& statement, int index) {
  bool stop = false;
  AfterFetchRecord(&statement, index, stop);
  // The row stays; the cursor simply reports no further rows.
  if (stop) fetch_stopped_ = true;
}

// Frees the streams of a record's blob slots and clears the slots.
void TFIBCustomDataSet::ForgetBlobStreams(uint8_t* blob_slots) {
  for (int i = 0; i < blob_slot_count_; ++i) {
    uint8_t* slot = blob_slots + i * kBlobSlotSize;
    FreeBlobStream(LoadUnaligned<uint32_t>(slot));
    StoreUnaligned<uint32_t>(slot, 0);
  }
}

// Another statement's columns (a refresh, an insert's or update's returned
// row) find their fields by name.
void TFIBCustomDataSet::StoreOtherStatementRow(TFIBQuery& statement, uint8_t* stored, int index) {
  TFIBXSQLDA& columns = statement.Current();
  for (int i = 0; i < columns.Count(); ++i) {
    TFIBXSQLVAR& var = columns[i];
    TFIBXSQLVAR* own = select_query_->Current().ByName(var.Name());
    if (own == nullptr) continue;
    const int column = own->Index() + 1;
    if (column > static_cast<int>(column_stores_.size())) continue;
    const TColumnStore& store = column_stores_[static_cast<size_t>(column - 1)];
    if ((var.Data()->sqltype & ~1) != store.FieldType) continue;
    StoreColumn(store, *var.Data(), stored, column, index, false);
  }
}

inline void TFIBCustomDataSet::StoreColumn(const TColumnStore& store, const XSQLVAR& var,
                                           uint8_t* stored, int column, int index, bool fresh) {
  uint8_t* slot = stored + store.Slot;
  const char* data = var.sqldata;
  if (ColumnIsNull(var)) [[unlikely]] {
    stored[column] = 1;
    StoreNullColumn(store, var, slot, index);
    return;
  }
  stored[column] = 0;
  switch (store.Kind) {
    case TStoreKind::kCopy:
    case TStoreKind::kId: {
      // Integers, floats, booleans, blob and array ids: the server's bytes.
      const int length = std::min<int>(store.Width, var.sqllen);
      if (length == 8)
        std::memcpy(slot, data, 8);
      else if (length == 4)
        std::memcpy(slot, data, 4);
      else
        std::memcpy(slot, data, static_cast<size_t>(length));
      break;
    }
    case TStoreKind::kDate:
      StoreUnaligned<int32_t>(slot, LoadUnaligned<ISC_DATE>(data) + kServerDayOffset);
      break;
    case TStoreKind::kTime:
      StoreUnaligned<int32_t>(slot, static_cast<int32_t>(LoadUnaligned<ISC_TIME>(data) / 10));
      break;
    case TStoreKind::kTimeStamp: {
      const ISC_TIMESTAMP stamp = LoadUnaligned<ISC_TIMESTAMP>(data);
      StoreUnaligned<double>(slot, (stamp.timestamp_date + kServerDayOffset) * kMSecsPerDay +
                                       static_cast<double>(stamp.timestamp_time / 10));
      break;
    }
    case TStoreKind::kInt64:
      if (store.Scale < -4 && !prepare_options_.Contains(psSQLINT64ToBCD))
        StoreUnaligned<double>(slot, static_cast<double>(LoadUnaligned<int64_t>(data)) *
                                         std::pow(10.0, store.Scale));
      else
        std::memcpy(slot, data, 8);
      break;
    case TStoreKind::kTextString: {
      // Trailing blanks are not kept.
      const int length = std::min<int>(var.sqllen, store.Width);
      cache_->SetFetchedText(store.StringIndex, index, data,
                             static_cast<int>(TRecordsCache::TrimmedLength(data, length)));
      break;
    }
    case TStoreKind::kVaryingString:
      cache_->SetFetchedText(
          store.StringIndex, index, data + 2,
          std::clamp<int>(LoadUnaligned<int16_t>(data), 0, std::min<int>(var.sqllen, store.Width)));
      break;
    case TStoreKind::kTextInline: {
      const int length = std::min<int>(var.sqllen, store.Width);
      StoreInlineText(slot, store.Width, data,
                      static_cast<int>(TRecordsCache::TrimmedLength(data, length)), fresh);
      break;
    }
    case TStoreKind::kVaryingInline:
      StoreInlineText(
          slot, store.Width, data + 2,
          std::clamp<int>(LoadUnaligned<int16_t>(data), 0, std::min<int>(var.sqllen, store.Width)),
          fresh);
      break;
    case TStoreKind::kText: {
      const int length = std::min<int>(var.sqllen, store.Width);
      std::memcpy(slot, data, static_cast<size_t>(length));
      if (length < store.Width && !fresh)
        std::memset(slot + length, 0, static_cast<size_t>(store.Width - length));
      break;
    }
    case TStoreKind::kVarying: {
      const int length =
          std::clamp<int>(LoadUnaligned<int16_t>(data), 0, std::min<int>(var.sqllen, store.Width));
      std::memcpy(slot, data + 2, static_cast<size_t>(length));
      if (!fresh) std::memset(slot + length, 0, static_cast<size_t>(store.Width - length));
      break;
    }
    default:
      // Every kind is handled above: no range check before the jump.
      __builtin_unreachable();
  }
}

void TFIBCustomDataSet::StoreNullColumn(const TColumnStore& store, const XSQLVAR& var,
                                        uint8_t* slot, int index) {
  switch (store.Kind) {
    case TStoreKind::kTextString:
    case TStoreKind::kVaryingString:
      cache_->SetFetchedText(store.StringIndex, index, nullptr, 0);
      break;
    case TStoreKind::kTextInline:
    case TStoreKind::kVaryingInline:
      StoreInlineText(slot, store.Width, nullptr, 0, false);
      break;
    case TStoreKind::kId:
      std::memcpy(slot, var.sqldata, 8);  // a NULL blob still carries its id
      break;
    default:
      std::memset(slot, 0, static_cast<size_t>(store.Width));
      break;
  }
}

// While a row is re-read during editing, streams keep the blob the user is
// writing, and after a statement they keep the blob it wrote (the server
// stores it under an id of its own); any other stream whose blob changed on
// the server goes.
void TFIBCustomDataSet::KeepFetchedBlobStreams(TFIBQuery& statement, uint8_t* blob_slots) {
  const bool editing = State() == classlib::dsEdit || State() == classlib::dsInsert;
  for (classlib::TField* field : Fields().List()) {
    uint8_t* slot = BlobSlot(blob_slots, field);
    if (slot == nullptr) continue;
    TFIBBlobStream* stream = BlobStreamByHandle(LoadUnaligned<uint32_t>(slot));
    if (stream == nullptr) continue;
    TFIBXSQLVAR* column = statement.Current().ByName(field->FieldName());
    if (column == nullptr) continue;
    const ISC_QUAD fetched = column->AsQuad();
    bool keep = true;
    if (editing && BlobIdIsZero(stream->BlobID()) &&
        stream->Transaction() == statement.Transaction()) {
      stream->SetBlobID(fetched);
    } else if (!SameBlobId(stream->BlobID(), fetched)) {
      keep = stream->TakeServerId(fetched, statement.Transaction());
    } else if (!editing && stream->Modified()) {
      // The row read names the blob the stream started from, but the
      // stream holds a change no statement wrote (a NULL went out in its
      // place, or the read transaction does not see the write): the record
      // shows the blob the row names.
      keep = stream->RestoreStored(fetched);
    }
    if (!keep) {
      FreeBlobStream(LoadUnaligned<uint32_t>(slot));
      StoreUnaligned<uint32_t>(slot, 0);
    }
  }
}

// ---- records into parameters ----

void TFIBCustomDataSet::SetModifyParams(TFIBQuery& statement, classlib::TRecordBuffer buffer) {
  if (buffer == nullptr) RaiseClientError(49);
  const int index = RecordIndexOf(buffer);
  if (index < 0) return;
  classlib::TRecordBuffer old_values = buffer;
  if (State() != classlib::dsInsert) old_values = ReadOldVersion(index, old_buffer_);
  auto fill = [&] {
    TFIBXSQLDA& params = statement.Params();
    for (int i = 0; i < params.Count(); ++i) SetModifyParam(statement, params[i], buffer, old_values);
  };
  fill();
  // Values go out in the types the server described for the parameters:
  // written before the describe they keep the types of the values (a
  // BOOLEAN as a number, an array id as a blob id), which the server
  // refuses. That holds as well for a statement prepared before its values
  // were known (at BeforeEdit): its text had NULL tests where the values
  // now stand, and the execution would prepare it again. The prepare sees
  // the values (NULL tests are written for NULL ones), the second fill
  // gives them the described types. A statement whose transaction has not
  // started yet (a lock before its loop starts it) is prepared by its
  // execution, as before.
  TFIBTransaction* transaction = statement.Transaction();
  if (statement.PreparesOnExecute() && transaction != nullptr && transaction->Active()) {
    statement.Prepare();
    fill();
  }
}

// The record's version before its change: before the edit, or under
// cached updates before its first cached change.
classlib::TRecordBuffer TFIBCustomDataSet::ReadOldVersion(int index, std::vector<uint8_t>& record) {
  record.assign(static_cast<size_t>(record_size_), 0);
  std::memcpy(record.data() + kCacheBufferStart, cache_->GetCurrentBuffer(CacheNumberOf(index)),
              static_cast<size_t>(cache_->BufferSize()));
  SetRecordIndexOf(record.data(), index);
  return record.data();
}

void TFIBCustomDataSet::SetModifyParam(TFIBQuery& statement, TFIBXSQLVAR& param,
                                       classlib::TRecordBuffer buffer,
                                       classlib::TRecordBuffer old_values) {
  std::string name = param.Name();
  classlib::TRecordBuffer source = buffer;
  if (HasPrefix(name, "OLD_")) {
    name = name.substr(4);
    source = old_values;
  } else if (HasPrefix(name, "NEW_")) {
    name = name.substr(4);
  } else if (HasPrefix(name, "MAS_")) {
    classlib::TDataSource* master = DataSource();
    if (master != nullptr && master->DataSet() != nullptr) {
      if (classlib::TField* field = master->DataSet()->FindField(name.substr(4))) {
        param.SetAsVariant(field->Value());
        return;
      }
    }
  }
  classlib::TField* field = FindField(name);
  int column = 0;
  if (field != nullptr && field->FieldKind() == classlib::fkData && field->FieldNo() > 0) {
    column = field->FieldNo();
  } else if (TFIBXSQLVAR* own = select_query_->Current().ByName(name)) {
    column = own->Index() + 1;
  }
  if (&statement != select_query_) {
    TFIBXSQLVAR* select_param = select_query_->FindParam(param.Name());
    const bool detail_refresh = &statement == refresh_query_ && DataSource() != nullptr;
    if (select_param != nullptr && (column == 0 || detail_refresh)) {
      param.Assign(*select_param);
      return;
    }
  }
  if (column <= 0 || column > field_descrs_.GetCount()) return;
  const TFIBFieldDescr& descr = *field_descrs_.GetItem(column - 1);
  if (source[NullFlagOffset(column - 1)] != 0) {
    param.SetIsNull(true);
    return;
  }
  param.SetIsNull(false);
  if (descr.FieldType == kSQLArray) {
    // Values the record holds on the client go out as a new array of this
    // statement's transaction.
    const ISC_QUAD id = LoadUnaligned<ISC_QUAD>(source + descr.Offset);
    if (TPendingArrays::IsPending(id)) {
      if (field == nullptr) field = FieldByNumber(column);
      param.SetAsQuad(WritePendingArray(statement, field, id));
      return;
    }
  }
  AssignColumnToParam(descr, source, field, param);
}

void TFIBCustomDataSet::AssignColumnToParam(const TFIBFieldDescr& descr,
                                            classlib::TRecordBuffer source,
                                            classlib::TField* field, TFIBXSQLVAR& param) {
  const uint8_t* slot = source + descr.Offset;
  switch (descr.FieldType) {
    case kSQLShort:
    case kSQLLong: {
      const int64_t value = descr.FieldType == kSQLShort ? LoadUnaligned<int16_t>(slot) : LoadUnaligned<int32_t>(slot);
      if (descr.Scale >= 0)
        param.SetAsInt64(value);
      else
        param.SetAsDouble(static_cast<double>(value) * std::pow(10.0, descr.Scale));
      break;
    }
    case kSQLFloat: param.SetAsDouble(LoadUnaligned<float>(slot)); break;
    case kSQLDouble:
    case kSQLDFloat: param.SetAsDouble(LoadUnaligned<double>(slot)); break;
    case kSQLTimeStamp:
      param.SetAsDateTime(classlib::TimeStampToDateTime(
          classlib::MSecsToTimeStamp(std::round(LoadUnaligned<double>(slot)))));
      break;
    case kSQLDate:
      param.SetAsDate(classlib::TimeStampToDateTime({0, LoadUnaligned<int32_t>(slot)}));
      break;
    case kSQLTime:
      // A time of day alone: the fraction of a day, with no date part.
      param.SetAsTime(static_cast<classlib::TDateTime>(LoadUnaligned<int32_t>(slot)) / kMSecsPerDay);
      break;
    case kSQLInt64:
      if (descr.Scale >= -4 || prepare_options_.Contains(psSQLINT64ToBCD)) {
        // long double holds every Int64 exactly; the parameter rounds back
        // to its own scale.
        long double value = static_cast<long double>(LoadUnaligned<int64_t>(slot));
        for (int i = 0; i < -descr.Scale; ++i) value /= 10;
        param.SetAsExtended(value);
      } else {
        param.SetAsDouble(LoadUnaligned<double>(slot));
      }
      break;
    case kSQLBoolean:
    case kSQLFBBoolean: param.SetAsBoolean(slot[0] == 1); break;
    case kSQLText:
    case kSQLVarying: AssignTextToParam(descr, slot, param); break;
    case kSQLArray: param.SetAsQuad(LoadUnaligned<ISC_QUAD>(slot)); break;
    case kSQLBlob:
    case kSQLQuad: AssignBlobToParam(descr, source, field, param); break;
    default: break;
  }
}

void TFIBCustomDataSet::AssignTextToParam(const TFIBFieldDescr& descr, const uint8_t* slot,
                                          TFIBXSQLVAR& param) {
  const char* text = reinterpret_cast<const char*>(slot);
  int length = descr.DataSize;
  if (descr.IsString) {
    length = std::clamp(LoadUnaligned<int32_t>(slot), 0, static_cast<int32_t>(descr.DataSize));
    text += kTextLengthSize;
  } else if (!descr.IsDBKey && descr.ValueKind != vkGuid) {
    length = static_cast<int>(strnlen(text, static_cast<size_t>(descr.DataSize)));
  }
  if (descr.ValueKind == vkGuid) {
    classlib::TGUID guid;
    std::memcpy(&guid, text, sizeof guid);
    param.SetAsGuid(guid);
    return;
  }
  param.SetAsString(std::string_view(text, static_cast<size_t>(length)));
}

void TFIBCustomDataSet::AssignBlobToParam(const TFIBFieldDescr& descr, classlib::TRecordBuffer source,
                                          classlib::TField* field, TFIBXSQLVAR& param) {
  uint8_t* slot = source + descr.Offset;
  TFIBBlobStream* stream = field != nullptr ? BlobStreamOf(source, field) : nullptr;
  if (stream != nullptr) {
    // A changed blob is written as a new blob first; its id then goes to
    // the record and to the statement. An empty blob is NULL.
    stream->Finalize();
    const bool empty = stream->Size() == 0;
    source[NullFlagOffset(field->FieldNo() - 1)] = empty ? 1 : 0;
    StoreUnaligned<ISC_QUAD>(slot, stream->BlobID());
    if (empty) {
      param.SetIsNull(true);
      return;
    }
  }
  param.SetAsQuad(LoadUnaligned<ISC_QUAD>(slot));
}

}  // namespace fib
