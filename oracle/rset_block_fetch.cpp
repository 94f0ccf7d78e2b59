// The block fetch: FetchRows items of one new block receive their rows in
// one fetch call. Plain columns are defined straight into the records at
// the item stride, the rest into the fetch buffer (one row of cells per
// item) or, for LONG columns, into blob pieces the callback hands out;
// each row is finished afterwards (indicators to null bytes, DATE bytes to
// date-time numbers, buffered cells to heap values and value objects).
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "classlib/exceptions.h"
#include "classlib/unaligned.h"
#include "oracle/call_binding.h"
#include "oracle/call_entries_fetch.h"
#include "oracle/call_state.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/object_ora_object.h"
#include "oracle/object_ora_ref.h"
#include "oracle/object_ora_type.h"
#include "oracle/object_ora_xml.h"
#include "oracle/rset_oci_record_set.h"
#include "oracle/rset_row_copy.h"
#include "oracle/value_data_types.h"
#include "oracle/value_interval.h"
#include "oracle/value_number.h"
#include "oracle/value_timestamp.h"

namespace oracle {

using namespace dacore;

namespace {

constexpr sb4 kSlot = sizeof(void*);
// The character set id of UTF-16, in which wide texts are fetched.
constexpr ub2 kUtf16CharsetId = 1000;
constexpr size_t kNumberSize = 22;
// The external type of an MLSLABEL, fetched as the server's bytes.
constexpr ub2 kLabelType = 106;

ub2 DescriptorTypeOf(TDataType t) {
  switch (t) {
    case dtTimeStamp: return SQLT_TIMESTAMP;
    case dtTimeStampTZ: return SQLT_TIMESTAMP_TZ;
    case dtTimeStampLTZ: return SQLT_TIMESTAMP_LTZ;
    case dtIntervalYM: return SQLT_INTERVAL_YM;
    case dtIntervalDS: return SQLT_INTERVAL_DS;
    case dtOraBlob: return SQLT_BLOB;
    case dtOraClob: return SQLT_CLOB;
    case dtBFile: return SQLT_BFILEE;
    case dtCFile: return SQLT_CFILEE;
    default: return 0;
  }
}

}  // namespace

// The client library's side of a LONG column: each piece of a row's value
// goes into a new piece of the row's blob.
struct TFetchCallbacks {
  static sb4 NextPiece(void* context, OCIDefine* define, ub4 iteration, void** buffer, ub4** length, ub1* piece,
                       void** indicator, ub2** return_code) {
    auto* self = static_cast<TOCIRecordSet*>(context);
    const TOCIRecordSet::TColumnPlan* column = self->ColumnOfDefine(define);
    classlib::Assert(column != nullptr, "OraClasses", __LINE__);
    TRecBuf rec = self->RecordOfIteration(iteration);
    PieceHeader* fresh = self->AppendLongPiece(rec, *column);
    fresh->used = fresh->size;  // the client writes what it put there
    *buffer = PieceData(fresh);
    *length = &fresh->used;
    *piece = OCI_NEXT_PIECE;
    *indicator = self->IndicatorPtr(rec, column->field->FieldNo());
    // Clients 8.1.6 to 8.x write the indicator that many 16-bit cells past
    // the address a callback gives (as into an array of the rows'
    // indicators): it is given that much earlier, so it lands in the row.
    if (ClientReleaseIsIn(8160, 8999))
      *indicator = static_cast<uint8_t*>(*indicator) - static_cast<size_t>(2) * iteration;
    *return_code = nullptr;
    return OCI_CONTINUE;
  }
};

// ---- The plan of the defines ----------------------------------------------------

void TOCIRecordSet::PlanColumns() {
  plan_.clear();
  object_fields_.clear();
  buffer_row_size_ = 0;
  indicator_base_ = IndicatorBase();
  ub4 position = 0;
  for (int i = 0; i < GetFieldCount(); ++i) {
    auto* field = static_cast<TOCIFieldDesc*>(Fields().GetItems(i));
    if (field->HasParent()) continue;
    const TDataType type = field->DataType();
    const bool heap = type == dtHeapString || type == dtHeapWideString || type == dtHeapVarBytes;
    if (field->FieldKind() != classlib::fkCalculated && IsComplexFieldType(type) && !heap)
      object_fields_.push_back(field);
    ++position;
    if (field->Hidden()) continue;
    TColumnPlan column;
    column.field = field;
    column.position = position;
    const TDataType t = field->DataType();
    column.complex = IsComplexFieldType(t);
    const sb4 length = field->Length();
    auto buffered = [&](ub2 type, sb4 size) {
      column.kind = TDefineKind::kBuffer, column.type = type, column.size = size;
    };
    switch (t) {
      case dtString: column.type = SQLT_STR, column.size = field->Size(), column.finish = TFinish::kText; break;
      case dtInt32: column.type = SQLT_INT, column.size = 4; break;
      case dtFloat: column.type = SQLT_FLT, column.size = 8; break;
      case dtDateTime: column.type = SQLT_DAT, column.size = 7, column.finish = TFinish::kDate; break;
      case dtVarBytes: column.type = SQLT_VBI, column.size = field->Size(), column.finish = TFinish::kVarBytes; break;
      case dtHeapString: buffered(SQLT_STR, length + 1); break;
      case dtHeapVarBytes: buffered(SQLT_VBI, length + 2); break;
      case dtInt64: case dtNumber: buffered(SQLT_VNU, kNumberSize); break;
      case dtMemo: case dtBlob:
        if (t == dtMemo && IsStringSubType(field->SubDataType)) buffered(SQLT_STR, length + 1);
        else column.kind = TDefineKind::kPieces, column.type = t == dtMemo ? SQLT_LNG : SQLT_LBI,
             column.size = static_cast<sb4>(kMaxLongDefineSize);
        break;
      case dtWideString:
        column.type = SQLT_STR, column.size = field->Size(), column.wide = true, column.finish = TFinish::kWideText;
        break;
      case dtHeapWideString: buffered(SQLT_STR, 2 * length + 2), column.wide = true; break;
      case dtWideMemo:
        if (IsStringSubType(field->SubDataType)) buffered(SQLT_STR, 2 * length + 2);
        else column.kind = TDefineKind::kPieces, column.type = SQLT_LNG, column.size = static_cast<sb4>(kMaxLongDefineSize);
        column.wide = true;
        break;
      case dtOraBlob: case dtOraClob: case dtBFile: case dtCFile:
      case dtTimeStamp: case dtTimeStampTZ: case dtTimeStampLTZ: case dtIntervalYM: case dtIntervalDS:
        buffered(DescriptorTypeOf(t), kSlot);
        break;
      case dtCursor: buffered(SQLT_RSET, kSlot); break;
      case dtObject: {
        DescribeObjectType(*field);
        const TDataType kind = field->ObjectType()->DataType();
        if (kind != dtObject && kind != dtArray && kind != dtTable && kind != dtXML)
          RaiseOraException("Data type is not supported");
        buffered(SQLT_NTY, kSlot);
        break;
      }
      case dtReference:
        DescribeObjectType(*field);
        buffered(SQLT_REF, kSlot);
        break;
      case dtLabel: column.type = kLabelType, column.size = field->Size(); break;
      case dtCharData: column.type = SQLT_CHR, column.size = field->Size(); break;
      default:
        RaiseOraException("Data type is not supported");
    }
    column.index = field->FieldNo() - 1;
    column.offset = field->Offset();
    column.value_size = field->Size();
    column.length = field->Length();
    if (column.kind == TDefineKind::kBuffer) {
      column.buffer_at = buffer_row_size_;
      // Cells are padded to words: texts are measured and copied by words.
      buffer_row_size_ += CellWords(static_cast<size_t>(column.size)) * 8;
    }
    plan_.push_back(column);
  }
  text_ends_.clear();
  var_bytes_.clear();
  dates_.clear();
  heap_texts_.clear();
  plain_rows_ = plan_.size() == static_cast<size_t>(GetFieldCount());
  // A heap text whose cell holds at most 65535 characters: a plain row
  // copies it into the string heap as the finishing of a non-null one does.
  auto heap_text = [](const TColumnPlan& column) {
    return column.field->DataType() == dtHeapString && column.kind == TDefineKind::kBuffer && column.size >= 1 &&
           column.size - 1 <= UINT16_MAX;
  };
  for (const TColumnPlan& column : plan_) {
    if (heap_text(column)) {
      heap_texts_.push_back({static_cast<uint32_t>(column.buffer_at), column.offset,
                             static_cast<uint16_t>(column.size - 1), column.field->Fixed()});
    } else if (column.kind != TDefineKind::kRecord) {
      plain_rows_ = false;
    } else if (column.finish == TFinish::kText || column.finish == TFinish::kWideText) {
      // A text's terminator is all its finish: those bytes go in one list.
      const int32_t end = column.offset + column.value_size;
      text_ends_.push_back(end - 1);
      if (column.finish == TFinish::kWideText) text_ends_.push_back(end - 2);
    } else if (column.finish == TFinish::kVarBytes) {
      var_bytes_.push_back({column.offset, column.length});
    } else if (column.finish == TFinish::kDate) {
      dates_.push_back({column.offset, static_cast<uint16_t>(column.index)});
    }
  }
  planned_columns_ = plan_.size();
  staged_defines_ = nullptr;
  planned_ = true;
}

// An object column's type, described once per service context.
void TOCIRecordSet::DescribeObjectType(TOCIFieldDesc& field) {
  TOCIConnection* connection = Connection();
  if (!connection || !connection->GetConnected()) RaiseOraException("Unsupported Disconnected mode type");
  if (!field.ObjectType()) {
    OCISvcCtx* context = connection->GetSvcCtx();
    if (TOraType* found = TOraType::FindType(context, field.TypeName)) {
      field.SetObjectType(found);
    } else {
      auto* type = new TOraType(context, field.TypeName);
      field.SetObjectType(type);
      type->Release();  // the field holds it now
    }
  }
}

const TOCIRecordSet::TColumnPlan* TOCIRecordSet::ColumnOfDefine(const OCIDefine* define) const {
  for (const TColumnPlan& column : plan_)
    if (column.define == define) return &column;
  return nullptr;
}

PieceHeader* TOCIRecordSet::AppendLongPiece(TRecBuf rec, const TColumnPlan& column) {
  auto* blob = static_cast<TBlob*>(GetSlot(rec, *column.field));
  PieceHeader* fresh = TBlob::AllocPiece(blob->PieceSize() ? blob->PieceSize() : DefaultPieceSize());
  blob->AppendPiece(fresh);
  return fresh;
}

void TOCIRecordSet::FinishLongPiece(TRecBuf rec, const TColumnPlan& column, PieceHeader* piece, ub4 written) {
  piece->used = std::min(written, piece->size);
  if (piece->used != 0) return;
  auto* blob = static_cast<TBlob*>(GetSlot(rec, *column.field));
  blob->DeletePiece(piece);
  blob->FreePiece(piece);
}

TRecBuf TOCIRecordSet::RecordOfIteration(ub4 iteration) const {
  return ItemRecord(reinterpret_cast<ItemHeader*>(reinterpret_cast<uint8_t*>(block_first_) + block_stride_ * iteration));
}

void TOCIRecordSet::FreeFetchBuffer() {
  std::vector<uint8_t>().swap(fetch_buffer_);
  std::vector<uint8_t>().swap(staging_);
  staged_defines_ = nullptr;
}

// ---- One block ------------------------------------------------------------------

// Each cell of a buffered column gets what the client writes through: the
// address of a value object's descriptor, or an empty text.
void TOCIRecordSet::PrepareBufferRow(TRecBuf rec, uint8_t* row) {
  for (const TColumnPlan& column : plan_) {
    if (column.kind != TDefineKind::kBuffer) continue;
    uint8_t* cell = row + column.buffer_at;
    void* object = GetSlot(rec, *column.field);
    void* address = nullptr;
    switch (column.field->DataType()) {
      case dtOraBlob: case dtOraClob: case dtBFile: case dtCFile:
        address = static_cast<TOraLob*>(object)->GetOCILobLocator();
        break;
      case dtTimeStamp: case dtTimeStampTZ: case dtTimeStampLTZ:
        static_cast<TOraTimeStamp*>(object)->AllocDateTime();
        address = static_cast<TOraTimeStamp*>(object)->GetOCIDateTime();
        break;
      case dtIntervalYM: case dtIntervalDS:
        static_cast<TOraInterval*>(object)->AllocInterval();
        address = static_cast<TOraInterval*>(object)->GetOCIInterval();
        break;
      case dtObject: address = static_cast<TOraObject*>(object)->GetInstance(); break;
      case dtReference: address = static_cast<TOraRef*>(object)->GetOCIRef(); break;
      case dtCursor: address = static_cast<TOraCursor*>(object)->GetOCIStmt(); break;
      default:
        cell[0] = cell[1] = 0;  // an empty text, also as UTF-16
        continue;
    }
    std::memcpy(cell, &address, sizeof address);
  }
}

void TOCIRecordSet::DefineColumns(ItemHeader* first, size_t stride) {
  staged_defines_ = nullptr;  // the columns go elsewhere now
  TOCICommand& command = Command();
  TRecBuf rec = ItemRecord(first);
  const auto item_stride = static_cast<ub4>(stride);
  for (TColumnPlan& column : plan_) {
    void* indicator = IndicatorPtr(rec, column.field->FieldNo());
    const ub4 position = column.position;
    switch (column.kind) {
      case TDefineKind::kRecord:
        column.define = command.DefineColumn(position, column.define, static_cast<uint8_t*>(rec) + column.field->Offset(),
                                             column.size, column.type, indicator, nullptr, item_stride, item_stride,
                                             OCI_DEFAULT);
        break;
      case TDefineKind::kBuffer:
        column.define = command.DefineColumn(position, column.define, fetch_buffer_.data() + column.buffer_at,
                                             column.size, column.type, indicator, nullptr,
                                             stride ? static_cast<ub4>(buffer_row_size_) : 0, item_stride, OCI_DEFAULT);
        if (column.type == SQLT_NTY || column.type == SQLT_REF) DefineObject(column);
        break;
      case TDefineKind::kPieces: {
        // The older interface hands the define's context back with each piece.
        void* context = command.GetOCICallStyle() == kOci7 ? static_cast<void*>(&column) : nullptr;
        column.define = command.DefineColumn(position, column.define, context, column.size, column.type, indicator,
                                             nullptr, 0, 0, OCI_DYNAMIC_FETCH);
        if (stride == 0) break;  // one row: its pieces are read after the fetch asks for them
        TConnectionLock lock(*Connection());
        command.Check(OCIDefineDynamic(column.define, Connection()->GetErrorHandle(), this,
                                       &TFetchCallbacks::NextPiece));
        break;
      }
    }
    if (column.wide && command.GetOCICallStyle() == kOci8) {
      ub2 utf16 = kUtf16CharsetId;
      TConnectionLock lock(*Connection());
      command.Check(OCIAttrSet(column.define, OCI_HTYPE_DEFINE, &utf16, 0, OCI_ATTR_CHARSET_ID,
                               Connection()->GetErrorHandle()));
    }
  }
}

// The cells of an object column hold the instances the rows are read into,
// those of a REF column the REFs (none yet: the client makes one per row).
void TOCIRecordSet::DefineObject(const TColumnPlan& column) {
  auto* type = static_cast<TOraType*>(column.field->ObjectType());
  auto* cells = reinterpret_cast<void**>(fetch_buffer_.data() + column.buffer_at);
  TConnectionLock lock(*Connection());
  Command().Check(OCIDefineObject(column.define, Connection()->GetErrorHandle(), type->TDO(), cells, nullptr,
                                  nullptr, nullptr));
}

void TOCIRecordSet::FinishBufferedValue(const TColumnPlan& column, TRecBuf rec, const uint8_t* cell, bool null) {
  const TOCIFieldDesc& field = *column.field;
  void* object = GetSlot(rec, field);
  switch (field.DataType()) {
    case dtHeapString:
      if (null) return;
      SetSlot(rec, field, HeapTextOfCell(StringHeap(), cell, static_cast<size_t>(column.size) - 1,
                                         field.Fixed() && TrimFixedChars()));
      return;
    case dtHeapWideString: {
      if (null) return;
      const size_t length = BoundedStrLenW(cell, static_cast<size_t>(column.size) / 2 - 1);
      const bool trim = field.Fixed() && TrimFixedChars();
      SetSlot(rec, field, StringHeap().AllocWideStr(reinterpret_cast<const char16_t*>(cell), trim,
                                                    static_cast<int>(length)));
      return;
    }
    case dtWideMemo: {  // a long text kept as one piece of UTF-16
      auto* blob = static_cast<TBlob*>(object);
      blob->Clear();
      const size_t units = null ? 0 : BoundedStrLenW(cell, static_cast<size_t>(column.size) / 2 - 1);
      if (units > 0) {
        PieceHeader* piece = TBlob::AllocPiece(static_cast<uint32_t>(units * 2));
        std::memcpy(PieceData(piece), cell, units * 2);
        piece->used = static_cast<uint32_t>(units * 2);
        blob->AppendPiece(piece);
      }
      blob->SetModified(false);
      return;
    }
    case dtHeapVarBytes: {
      if (null) return;
      const uint16_t length = BoundedVarLength(cell, field.Length());
      auto* buf = static_cast<uint8_t*>(StringHeap().NewBuf(length + 2));
      std::memcpy(buf, &length, 2);
      std::memcpy(buf + 2, cell + 2, length);
      SetSlot(rec, field, buf);
      return;
    }
    case dtMemo: {  // a long text kept as one piece
      auto* blob = static_cast<TBlob*>(object);
      blob->Clear();
      const auto length = static_cast<uint32_t>(null ? 0 : BoundedStrLen(cell, static_cast<size_t>(column.size) - 1));
      if (length > 0) {
        PieceHeader* piece = TBlob::AllocPiece(length);
        std::memcpy(PieceData(piece), cell, length);
        piece->used = length;
        blob->AppendPiece(piece);
      }
      blob->SetModified(false);
      return;
    }
    case dtInt64: {
      if (null) return;
      std::memcpy(number_scratch_->GetOCINumberPtr(), cell, kNumberSize);
      number_scratch_->SetIsNull(false);
      const int64_t value = number_scratch_->AsLargeInt();
      std::memcpy(FieldPtr(rec, field), &value, sizeof value);
      return;
    }
    case dtNumber: {
      auto* number = static_cast<TOraNumber*>(object);
      std::memcpy(number->GetOCINumberPtr(), cell, kNumberSize);
      number->SetIsNull(null);
      return;
    }
    case dtOraBlob: case dtOraClob: case dtBFile: case dtCFile: {
      auto* lob = static_cast<TOraLob*>(object);
      if (null) return;
      lob->SetNeedsRead(true);
      const bool file = field.DataType() == dtBFile || field.DataType() == dtCFile;
      if (!DeferredLobRead && Command().CacheLobs() && !file) lob->ReadLob();
      // A value read now is held as the data set's CompressBlobMode asks.
      CompressAfterRead(*lob, field.DataType() == dtOraBlob, Command().CompressBlobMode());
      lob->SetModified(false);
      return;
    }
    case dtTimeStamp: case dtTimeStampTZ: case dtTimeStampLTZ:
      static_cast<TOraTimeStamp*>(object)->SetIsNull(null);
      return;
    case dtObject:  // an XML value reads its text from the filled instance on demand
      if (auto* xml = dynamic_cast<TOraXML*>(static_cast<TOraObject*>(object))) xml->SetIsNull(null);
      return;
    case dtReference:
      FinishReference(rec, field, cell, null);
      return;
    case dtCursor:  // a nested cursor comes executed, ready to fetch
      static_cast<TOraCursor*>(object)->State = null ? csIdle : csExecuted;
      return;
    case dtIntervalYM: case dtIntervalDS:
      static_cast<TOraInterval*>(object)->SetIsNull(null);
      return;
    default:
      return;
  }
}

void TOCIRecordSet::FinishRows(ItemHeader* first, size_t stride, ub4 count) {
  // Without heap texts the loop keeps nothing of theirs.
  auto finish = [&](auto with_heap_texts) {
    auto* item = reinterpret_cast<uint8_t*>(first);
    for (ub4 i = 0; i < count; ++i, item += stride) {
      uint8_t* record = ItemRecord(reinterpret_cast<ItemHeader*>(item));
      uint8_t* row = fetch_buffer_.data() + buffer_row_size_ * i;
      if (plain_rows_ && FinishPlainRow(record)) {
        if constexpr (with_heap_texts) FinishHeapTexts(record, row);
        continue;
      }
      FinishAnyRow(record, row);
    }
  };
  if (heap_texts_.empty()) finish(std::false_type{});
  else finish(std::true_type{});
}

void TOCIRecordSet::FinishRow(TRecBuf rec, uint8_t* row) {
  auto* record = static_cast<uint8_t*>(rec);
  if (plain_rows_ && FinishPlainRow(record)) return FinishHeapTexts(record, row);
  FinishAnyRow(record, row);
}

void TOCIRecordSet::FinishAnyRow(uint8_t* record, uint8_t* row) {
  uint8_t* null_bytes = record + DataSize();
  const uint8_t* indicators = record + indicator_base_;
  for (const TColumnPlan& column : plan_) {
    int16_t indicator;
    std::memcpy(&indicator, indicators + 2 * column.index, sizeof indicator);
    if (IsTruncatedIndicator(indicator)) RaiseTruncatedValue(column.field->Name());
    bool null = indicator == -1;
    uint8_t* value = record + column.offset;
    switch (column.kind) {
      case TDefineKind::kRecord:
        null = null || FinishInRecord(column.finish, column.value_size, column.length, value);
        break;
      case TDefineKind::kBuffer:
        FinishBufferedValue(column, record, row + column.buffer_at, null);
        break;
      case TDefineKind::kPieces:
        null = FinishPieces(record, column, null);
        break;
    }
    if (null && !column.complex) std::memset(value, 0, column.value_size);
    null_bytes[column.index] = null ? 1 : 0;
  }
}

namespace {

// Whether any of `size` bytes (an even count) is not 0: words of eight, the
// tail through one more word over the end of the last one where the bytes
// are that many, else by twos.
bool AnyNonZero(const uint8_t* bytes, size_t size) {
  uint64_t any = 0;
  size_t at = 0;
  for (; at + 8 <= size; at += 8) any |= classlib::LoadUnaligned<uint64_t>(bytes + at);
  if (at == size) return any != 0;
  if (size >= 8) return (any | classlib::LoadUnaligned<uint64_t>(bytes + size - 8)) != 0;
  for (; at < size; at += 2) any |= classlib::LoadUnaligned<uint16_t>(bytes + at);
  return any != 0;
}

// Zeroes `size` bytes in the same steps; fewer than eight by two stores that
// may overlap, without the call a byte loop becomes.
void ZeroBytes(uint8_t* bytes, size_t size) {
  size_t at = 0;
  for (; at + 8 <= size; at += 8) classlib::StoreUnaligned<uint64_t>(bytes + at, 0);
  if (at == size) return;
  if (size >= 8) {
    classlib::StoreUnaligned<uint64_t>(bytes + size - 8, 0);
  } else if (size >= 4) {
    classlib::StoreUnaligned<uint32_t>(bytes, 0);
    classlib::StoreUnaligned<uint32_t>(bytes + size - 4, 0);
  } else {
    bytes[0] = 0;
    bytes[size - 1] = 0;
    bytes[size / 2] = 0;
  }
}

}  // namespace

bool TOCIRecordSet::FinishPlainRow(uint8_t* record) {
  // Any indicator but 0 (null, cut, a length) takes the general way.
  const size_t columns = planned_columns_;
  if (AnyNonZero(record + indicator_base_, 2 * columns)) return false;
  uint8_t* null_bytes = record + DataSize();
  ZeroBytes(null_bytes, columns);
  for (const int32_t end : text_ends_) record[end] = 0;
  for (const TVarBytesStep& step : var_bytes_) {
    uint8_t* value = record + step.offset;
    const uint16_t bounded = BoundedVarLength(value, step.length);
    std::memcpy(value, &bounded, sizeof bounded);
  }
  for (const TDateStep& step : dates_) {
    uint8_t* value = record + step.offset;
    double date_time = 0;
    const bool valid = OraDateToDateTime(value, date_time, &day_cache_);
    if (!valid) date_time = 0, null_bytes[step.index] = 1;  // a null's value is 0
    std::memcpy(value, &date_time, sizeof date_time);
  }
  return true;
}

void TOCIRecordSet::FinishHeapTexts(uint8_t* record, const uint8_t* row) {
  TStringHeap& heap = StringHeap();
  const bool trim_fixed = TrimFixedChars();
  for (const THeapTextStep& step : heap_texts_) {
    char* text = HeapTextOfCell(heap, row + step.cell, step.capacity, step.fixed && trim_fixed);
    classlib::StoreUnaligned<void*>(record + step.offset, text);
  }
}

bool TOCIRecordSet::FinishInRecord(TFinish finish, uint16_t value_size, uint16_t length, uint8_t* value) {
  switch (finish) {
    case TFinish::kAsFetched: return false;
    case TFinish::kDate: {
      double date_time = 0;
      const bool valid = OraDateToDateTime(value, date_time, &day_cache_);
      std::memcpy(value, &date_time, sizeof date_time);
      return !valid;
    }
    case TFinish::kVarBytes: {
      const uint16_t bounded = BoundedVarLength(value, length);
      std::memcpy(value, &bounded, sizeof bounded);
      return false;
    }
    case TFinish::kText: value[value_size - 1] = 0; return false;
    case TFinish::kWideText: value[value_size - 1] = value[value_size - 2] = 0; return false;
  }
  return false;
}

bool TOCIRecordSet::FinishPieces(TRecBuf rec, const TColumnPlan& column, bool null) {
  auto* blob = static_cast<TBlob*>(GetSlot(rec, *column.field));
  // A client that reports more than a piece holds is not believed.
  for (PieceHeader* piece = blob->FirstPiece(); piece; piece = piece->next)
    piece->used = std::min(piece->used, piece->size);
  if (null) blob->Clear();
  else blob->TrimPieces();
  blob->SetModified(false);
  return null || blob->GetSize() == 0;
}

// Items of the block that got no row go back with their value objects.
// The block manager changes under the rows lock: the main thread looks
// bookmarked items up in it.
void TOCIRecordSet::ReleaseItems(ItemHeader* first, size_t stride, int from, int to) {
  auto at = [&](int i) {
    return reinterpret_cast<ItemHeader*>(reinterpret_cast<uint8_t*>(first) + stride * static_cast<size_t>(i));
  };
  if (HasComplexFields())
    for (int i = to - 1; i >= from; --i) FreeComplexFields(ItemRecord(at(i)), true);
  std::lock_guard<TRowsLock> rows(RowsLock());
  for (int i = to - 1; i >= from; --i) block_man_.FreeItem(at(i));
}

// A one-way record set keeps only the rows still to be shown. Fetching on
// demand, that is none: the row browsed is the last one held, and the step
// goes on from the first row fetched. A background fetch keeps the row the
// main thread stands on and every row after it (all of them before it has
// read one), so that it never loses its row, its values or a row it has
// yet to read; the rows it has passed go. The caller holds the rows lock.
void TOCIRecordSet::DropRows() {
  ItemHeader* keep = nullptr;
  if (InThread()) keep = current_item_ ? current_item_ : bof_ ? first_item_ : nullptr;
  DropRowsBefore(keep);
}

bool TOCIRecordSet::BlockFetch() {
  TOCICommand& command = Command();
  TCommandLock command_lock(command);
  if (command.GetCursorState() < csBound) return false;
  if (!planned_) PlanColumns();
  auto rows = static_cast<uint16_t>(std::clamp(FetchRows, 1, 65535));
  // A client known only as 8.1 may write a LONG column's indicator either
  // way (see the callback); at one row a call (iteration 0) both ways agree.
  const bool long_pieces = std::any_of(plan_.begin(), plan_.end(),
                                       [](const TColumnPlan& column) { return column.kind == TDefineKind::kPieces; });
  if (long_pieces && ClientReleaseMayBeIn(8160, 8999) && !ClientReleaseIsIn(8160, 8999)) rows = 1;
  if (buffer_row_size_ > 0 && fetch_buffer_.size() != buffer_row_size_ * rows)
    fetch_buffer_.assign(buffer_row_size_ * rows, 0);
  if (StagesBlock(rows)) {
    if (UniDirectional) {
      std::lock_guard<TRowsLock> rows_guard(RowsLock());
      DropRows();
    }
    const ub4 received = FetchIntoStaging(rows);
    TakeStagedRows(received);
    const bool fetched = EndBlock(received, rows);
    if (!fetched) command.RaiseFetchFailure();  // else the next fetch raises it
    return fetched;
  }
  ItemHeader* first = nullptr;
  {
    std::lock_guard<TRowsLock> rows_guard(RowsLock());
    if (UniDirectional) DropRows();
    first = block_man_.AllocItemsBlock(rows);
  }
  const size_t stride = block_man_.ItemStride();
  ub4 received = 0;
  try {
    for (int i = 0; i < rows; ++i) {
      TRecBuf rec = ItemRecord(reinterpret_cast<ItemHeader*>(reinterpret_cast<uint8_t*>(first) + stride * i));
      // Plain values need no zeroing: a null one is cleared as its row is finished.
      if (!HasComplexFields()) continue;
      if (plain_rows_) {
        // Heap texts are the only complex values: their slots start empty (a
        // null keeps it so, a row that fails is freed by it), their cells
        // are written by the client whenever the value is not null.
        for (const THeapTextStep& step : heap_texts_)
          classlib::StoreUnaligned<void*>(static_cast<uint8_t*>(rec) + step.offset, nullptr);
        continue;
      }
      std::memset(rec, 0, static_cast<size_t>(RecordSize()));
      for (const TFieldDesc* field : object_fields_) CreateComplexField(rec, *field, true);
      if (buffer_row_size_ > 0) PrepareBufferRow(rec, fetch_buffer_.data() + buffer_row_size_ * i);
    }
    block_first_ = first;
    block_stride_ = stride;
    DefineColumns(first, stride);
    sword status = OCI_SUCCESS;
    received = command.InternalFetch(rows, OCI_FETCH_NEXT, 0, status);
    received = std::min<ub4>(received, rows);
    FinishRows(first, stride, received);
  } catch (...) {
    block_first_ = nullptr;
    ReleaseItems(first, stride, 0, rows);
    throw;
  }
  block_first_ = nullptr;
  {
    std::lock_guard<TRowsLock> rows_guard(RowsLock());
    AppendFilledItems(first, stride, static_cast<int>(received));
  }
  ReleaseItems(first, stride, static_cast<int>(received), rows);
  const bool fetched = EndBlock(received, rows);
  // The rows a failed call delivered are in; its failure is raised by the
  // next fetch, once they have been shown.
  if (!fetched) command.RaiseFetchFailure();
  return fetched;
}

bool TOCIRecordSet::EndBlock(ub4 received, ub4 rows) {
  if (received < rows) SetFetchDone(true);
  const uint8_t state = Command().GetCursorState();
  if (state == csIdle || state == csCancelled) FreeFetchBuffer();
  return received > 0;
}

}  // namespace oracle
