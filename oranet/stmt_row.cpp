// The server's side of values on the wire: rows of defines and out-binds
// decoded into the caller's buffers, each value cut to its buffer.
#include "oranet/stmt_row.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <span>
#include <string>

#include "oranet/lob_locator.h"
#include "oranet/net_errors.h"
#include "oranet/stmt_call.h"
#include "oranet/stmt_value_kinds.h"
#include "oranet/value_clob_counts.h"
#include "oranet/value_datetime.h"
#include "oranet/value_interval.h"
#include "oranet/value_number.h"

namespace oranet {

using namespace stmt;

namespace {

using TByteView = std::span<const uint8_t>;

void CheckNumberLength(TByteView bytes) {
  if (bytes.size() > 21) throw ENetUnknownError(1);
}

OCINumber NumberOf(TByteView bytes) {
  CheckNumberLength(bytes);
  OCINumber number{};
  number.OCINumberPart[0] = static_cast<ub1>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), number.OCINumberPart + 1);
  return number;
}

[[noreturn]] void RaiseIntegerOverflow() {
  RaiseNetException("ORA-01455 converting column overflows integer datatype");
}

size_t StoreInteger(uint8_t* element, int size, TByteView bytes) {
  const int64_t value = NumberToInt(NumberOf(bytes));
  if (size >= 8) {
    Store(element, value);
    return 8;
  }
  if (size >= 4) {
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
      RaiseIntegerOverflow();
    Store(element, static_cast<int32_t>(value));
    return 4;
  }
  if (size >= 2) {
    if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
      RaiseIntegerOverflow();
    Store(element, static_cast<int16_t>(value));
    return 2;
  }
  throw ENetUnknownError(1);
}

size_t StoreReal(uint8_t* element, int size, TByteView bytes) {
  const double value = NumberToReal(NumberOf(bytes));
  if (size >= 8) {
    Store(element, value);
    return 8;
  }
  if (size >= 4) {
    Store(element, static_cast<float>(value));
    return 4;
  }
  throw ENetUnknownError(1);
}

// What a value left in its buffer: the bytes stored and the bytes it had.
struct TStored {
  size_t length = 0;
  size_t original = 0;
  bool Truncated() const { return length < original; }
};

TStored Whole(size_t length) { return {length, length}; }

TStored StoreChars(const TNetDataItem& item, uint8_t* element, const TStmtSession& session, TByteView received) {
  const bool wide = item.charsetId == kCharsetUtf16;
  // The server sends text in the set the client announced, whatever the
  // database's own: a UTF-16 buffer takes it converted from UTF8, as a
  // UTF-16 bind goes out. Only a conversion makes a copy: the other values
  // go straight to the buffer.
  const bool convert = wide && session.WireUtf8();
  TBytes converted;
  if (convert) converted = Utf8ToUtf16Bytes(TBytes(received.begin(), received.end()));
  const TByteView bytes = convert ? TByteView(converted) : received;
  const size_t terminator = IsTerminated(item.externalType) ? (wide ? 2 : 1) : 0;
  const size_t capacity = item.valueSize > 0 ? static_cast<size_t>(item.valueSize) : 0;
  if (capacity < terminator) return {0, bytes.size()};
  size_t count = std::min(bytes.size(), capacity - terminator);
  if (wide) count &= ~static_cast<size_t>(1);  // never half a UTF-16 unit
  if (count > 0) std::memcpy(element, bytes.data(), count);
  if (terminator) std::memset(element + count, 0, terminator);
  return {count, bytes.size()};
}

// The length byte, then the NUMBER bytes that fit.
TStored StoreVarnum(uint8_t* element, int size, TByteView bytes) {
  CheckNumberLength(bytes);
  if (size < 1) return {0, bytes.size() + 1};
  const size_t count = std::min(bytes.size(), static_cast<size_t>(size - 1));
  element[0] = static_cast<uint8_t>(count);
  if (count > 0) std::memcpy(element + 1, bytes.data(), count);
  return {count + 1, bytes.size() + 1};
}

// VARRAW: a 16-bit length, then the bytes that fit. The lengths count the
// length word, as the client library reports them.
TStored StoreVarRaw(uint8_t* element, int size, TByteView bytes) {
  if (size < 2) return {0, bytes.size() + 2};
  const size_t count = std::min(bytes.size(), static_cast<size_t>(size - 2));
  Store(element, static_cast<ub2>(count));
  if (count > 0) std::memcpy(element + 2, bytes.data(), count);
  return {count + 2, bytes.size() + 2};
}

// A cursor value names the server's cursor: [1, id] or [2, high, low].
void StoreCursor(TNetStatement& owner, uint8_t* element, TByteView bytes) {
  int id = 0;
  if (bytes[0] == 1) {
    if (bytes.size() < 2) throw ENetUnknownError(1);
    id = bytes[1];
  } else if (bytes[0] == 2) {
    if (bytes.size() < 3) throw ENetUnknownError(1);
    id = bytes[1] << 8 | bytes[2];
  }
  TNetStatement* cursor = NetHandleAs<TNetStatement>(HandleIn(element));
  if (id == 0 || !cursor) throw classlib::Exception("Net error: maximum open cursors exceeded");
  cursor->ClearLists();
  cursor->UseConnection(owner.Connection(), owner.Session());
  cursor->cursorId = id;
  cursor->parsed = true;
  cursor->described = false;
  cursor->received = true;
}

void StoreDescriptor(uint8_t* element, int type, TByteView bytes) {
  void* handle = HandleIn(element);
  if (IsLobType(type)) {
    TNetLobLocator* locator = NetHandleAs<TNetLobLocator>(handle);
    if (!locator) throw ENetUnknownError(1);
    locator->SetBytes(TBytes(bytes.begin(), bytes.end()));
    locator->SetLobType(type);
    return;
  }
  if (IsDateTimeType(type)) {
    TNetDateTime* value = NetHandleAs<TNetDateTime>(handle);
    if (!value) throw ENetUnknownError(1);
    value->SetBytes(bytes.data(), bytes.size());
    return;
  }
  TNetInterval* value = NetHandleAs<TNetInterval>(handle);
  if (!value) throw ENetUnknownError(1);
  value->SetBytes(bytes.data(), bytes.size());
}

// A LONG value goes to the define's callback a piece at a time, as long
// as the callback hands out room; answers what it took.
size_t DeliverLong(TNetDataItem& item, ub4 row, TByteView bytes) {
  auto* define = dynamic_cast<TNetDefine*>(&item);
  size_t done = 0;
  ub1 piece = OCI_FIRST_PIECE;
  do {
    void* buffer = nullptr;
    ub4* length = nullptr;
    void* indicator = nullptr;
    ub2* returnCode = nullptr;
    ub1 asked = piece;
    if (define->callback(define->callbackContext, reinterpret_cast<OCIDefine*>(HandleOf(define)), row, &buffer, &length,
                         &asked, &indicator, &returnCode) != OCI_CONTINUE ||
        !buffer || !length)
      return done;
    const size_t n = std::min<size_t>(Load<ub4>(length), bytes.size() - done);
    if (n == 0 && done < bytes.size()) return done;
    if (n > 0) std::memcpy(buffer, bytes.data() + done, n);
    Store(length, static_cast<ub4>(n));
    Store(indicator, static_cast<sb2>(0));
    Store(returnCode, static_cast<ub2>(0));
    done += n;
    piece = OCI_NEXT_PIECE;
  } while (done < bytes.size());
  return done;
}

bool HasDefineCallback(const TNetDataItem& item) {
  const auto* define = dynamic_cast<const TNetDefine*>(&item);
  return define && define->callback;
}

TStored CopyCut(uint8_t* element, int size, TByteView bytes) {
  const size_t count = std::min(bytes.size(), static_cast<size_t>(std::max(size, 0)));
  if (count > 0) std::memcpy(element, bytes.data(), count);
  return {count, bytes.size()};
}

// Stores a value that is not null; answers what it left in the buffer.
TStored StoreValue(TNetStatement& owner, TNetDataItem& item, ub4 n, TByteView bytes) {
  const int type = item.externalType;
  if (IsLongType(type) && HasDefineCallback(item)) return {DeliverLong(item, n, bytes), bytes.size()};
  uint8_t* element = item.ValueAt(n);
  if (!element) return {};
  const int size = item.valueSize;
  if (IsCharType(type)) return StoreChars(item, element, owner.Session(), bytes);
  if (type == SQLT_INT) return Whole(StoreInteger(element, size, bytes));
  if (type == SQLT_FLT) return Whole(StoreReal(element, size, bytes));
  if (type == SQLT_VNU) return StoreVarnum(element, size, bytes);
  if (type == SQLT_VBI) return StoreVarRaw(element, size, bytes);
  if (IsCursorType(type)) {
    StoreCursor(owner, element, bytes);
    return {};
  }
  if (IsLobType(type) || IsDateTimeType(type) || IsIntervalType(type)) {
    StoreDescriptor(element, type, bytes);
    return Whole(bytes.size());
  }
  return CopyCut(element, size, bytes);
}

void Report(TNetDataItem& item, ub4 n, sb2 indicator, size_t length, int returnCode) {
  Store(item.IndicatorAt(n), indicator);
  Store(item.LengthAt(n), static_cast<ub2>(std::min<size_t>(length, 0xFFFF)));
  Store(item.ReturnCodeAt(n), static_cast<ub2>(returnCode));
}

// A value cut to its buffer, as the client library reports it: the
// indicator holds the length it had (-2 when an indicator cannot hold it)
// and the return code 1406; the call answers "success with info".
void ReportStored(TNetStatement& owner, TNetDataItem& item, ub4 n, const TStored& stored, int returnCode) {
  if (!stored.Truncated()) {
    Report(item, n, 0, stored.length, returnCode);
    return;
  }
  owner.truncated = true;
  const sb2 indicator = stored.original > static_cast<size_t>(std::numeric_limits<sb2>::max())
                            ? sb2{-2}
                            : static_cast<sb2>(stored.original);
  Report(item, n, indicator, stored.length, kTruncatedError);
}

// An out-bind without a buffer hands its value to its callback, a piece
// at a time as long as the callback gives room; answers what it took.
size_t StoreThroughCallback(TNetBind& bind, ub4 iteration, ub4 index, TByteView bytes, bool null, int returnCode) {
  size_t done = 0;
  ub1 piece = OCI_FIRST_PIECE;
  do {
    void* buffer = nullptr;
    ub4* length = nullptr;
    ub1 given = piece;
    void* indicator = nullptr;
    ub2* code = nullptr;
    if (bind.outCallback(bind.outContext, reinterpret_cast<OCIBind*>(HandleOf(&bind)), iteration, index, &buffer,
                         &length, &given, &indicator, &code) != OCI_CONTINUE)
      throw ENetCallError("The value of bind " + bind.name + " was not taken");
    Store(indicator, static_cast<sb2>(null ? -1 : 0));
    Store(code, static_cast<ub2>(returnCode));
    if (!buffer || !length) break;
    const size_t n = std::min<size_t>(Load<ub4>(length), bytes.size() - done);
    if (n > 0) std::memcpy(buffer, bytes.data() + done, n);
    Store(length, static_cast<ub4>(n));
    if (n == 0) break;
    done += n;
    piece = OCI_NEXT_PIECE;
  } while (done < bytes.size());
  return done;
}

// One element of a row; `keep` false reads it past without storing. `bind`
// is the item when it is an out-bind (null for a define), known to the
// caller, so that no value asks the item what it is.
void ReadElement(TTtcReader& reader, TNetStatement& owner, TNetDataItem& item, TNetBind* bind, ub4 n, bool keep) {
  const int type = item.externalType;
  if (IsLobType(type) && owner.Session().protocolVersion >= 6 && reader.ReadUB4() == 0) {
    const int returnCode = reader.ReadUB2();
    if (keep) Report(item, n, -1, 0, returnCode);
    return;
  }
  // A value lying whole in the packet is stored from there; the return
  // code behind it (at most five bytes) is read without leaving the packet.
  const TByteView bytes = reader.ReadChunkedView(owner.valueBytes, kMaxIntegerBytes + 1);
  const int returnCode = reader.ReadUB2();
  if (!keep) return;
  // A value that cannot be stored fails the call once its reply is read
  // to the end, so that the stream stays in step.
  try {
    if (bind && !bind->value && bind->outCallback) {
      const size_t taken =
          StoreThroughCallback(*bind, bind->IsArray() ? owner.rowIndex : n, bind->IsArray() ? n : 0, bytes,
                               bytes.empty() && !IsLongType(type) && returnCode != kNullButFetched, returnCode);
      if (taken < bytes.size()) owner.truncated = true;
      return;
    }
    if (bytes.empty() && !IsLongType(type)) {
      Report(item, n, returnCode == kNullButFetched ? 0 : -1, 0, returnCode);
      return;
    }
    ReportStored(owner, item, n, StoreValue(owner, item, n, bytes), returnCode);
  } catch (const classlib::Exception& e) {
    if (owner.valueError.empty()) owner.valueError = e.Message();
  }
}

// An array entry carries its element count; the elements beyond the
// caller's capacity are read and dropped.
void ReadItem(TTtcReader& reader, TNetStatement& owner, TNetDataItem& item, TNetBind* bind, ub4 row) {
  if (!item.IsArray()) {
    ReadElement(reader, owner, item, bind, row, true);
    return;
  }
  const int64_t count = reader.ReadUB4();
  if (count < 0) throw ENetUnknownError(1);
  const ub4 kept = static_cast<ub4>(std::min<int64_t>(count, item.maxArray));
  for (int64_t i = 0; i < count; ++i) ReadElement(reader, owner, item, bind, static_cast<ub4>(i), i < kept);
  Store(item.currentArray, kept);
}

// The caller's buffers hold the rows it asked for and no more.
void CheckRowRoom(const TNetStatement& statement, ub4 rows) {
  if (statement.rowIndex >= std::max<ub4>(rows, 1)) throw ENetUnknownError(1);
}

}  // namespace

void ReadDefineRow(TTtcReader& reader, TNetStatement& statement) {
  CheckRowRoom(statement, statement.fetchSize);
  // Plain defines, all of them in most rows, go straight to their element.
  for (auto& define : statement.Defines()) {
    if (define->IsArray()) ReadItem(reader, statement, *define, nullptr, statement.rowIndex);
    else ReadElement(reader, statement, *define, nullptr, statement.rowIndex, true);
  }
  ++statement.rowIndex;
}

void ReadOutBindRow(TTtcReader& reader, TNetStatement& statement, const std::vector<uint8_t>& vector) {
  CheckRowRoom(statement, statement.iterations);
  auto& binds = statement.Binds();
  for (size_t i = 0; i < binds.size() && i < vector.size(); ++i)
    if (vector[i] & kBindReturnsValue) ReadItem(reader, statement, *binds[i], binds[i].get(), statement.rowIndex);
  ++statement.rowIndex;
}

}  // namespace oranet
