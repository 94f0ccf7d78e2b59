#include "oranet/stmt_row.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "classlib/codepage.h"
#include "oranet/lob_locator.h"
#include "oranet/logon_connect.h"
#include "oranet/net_errors.h"
#include "oranet/value_clob_counts.h"
#include "oranet/value_datetime.h"
#include "oranet/value_interval.h"
#include "oranet/value_number.h"

namespace oranet {

using namespace oracle;  // external types and statuses
using dacore::TBytes;

namespace {

constexpr int kMaxBindLength = 65536;
constexpr int kMaxAvcBindLength = 65535;
constexpr int kNullButFetched = 3105;
constexpr int kWireTimestamp = 180;
constexpr int kWireTimestampTz = 181;
constexpr int kWireIntervalYm = 182;
constexpr int kWireIntervalDs = 183;
constexpr int kWireTimestampLtz = 231;
constexpr size_t kMaxDynamicBindBytes = size_t{1} << 30;

bool IsCharType(int t) { return t == SQLT_CHR || t == SQLT_STR || t == SQLT_AFC || t == SQLT_AVC; }
bool IsTerminated(int t) { return t == SQLT_STR || t == SQLT_AVC; }
bool IsLobType(int t) { return t == SQLT_CLOB || t == SQLT_BLOB || t == SQLT_BFILEE; }
bool IsCursorType(int t) { return t == SQLT_CUR || t == SQLT_RSET; }
bool IsLongType(int t) { return t == SQLT_LNG || t == SQLT_LBI; }
bool IsDateTimeType(int t) {
  return t == SQLT_TIMESTAMP || t == SQLT_TIMESTAMP_TZ || t == SQLT_TIMESTAMP_LTZ;
}
bool IsIntervalType(int t) { return t == SQLT_INTERVAL_YM || t == SQLT_INTERVAL_DS; }

// Caller buffers need not be aligned.
template <class T>
void Store(void* at, T value) {
  if (at) std::memcpy(at, &value, sizeof value);
}
template <class T>
T Load(const void* at) {
  T value{};
  std::memcpy(&value, at, sizeof value);
  return value;
}

// The handle or descriptor whose address a buffer element holds.
void* HandleIn(const uint8_t* element) { return element ? Load<void*>(element) : nullptr; }

std::string Utf16BytesToUtf8(const uint8_t* bytes, size_t size) {
  std::u16string wide(size / 2, u'\0');
  std::memcpy(wide.data(), bytes, wide.size() * 2);
  return classlib::Utf16ToUtf8(wide);
}

TBytes Utf8ToUtf16Bytes(const TBytes& utf8) {
  const classlib::WideString wide = classlib::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
  TBytes bytes(wide.size() * 2);
  std::memcpy(bytes.data(), wide.data(), bytes.size());
  return bytes;
}

// ---- bind values ------------------------------------------------------------

// The bytes a character bind holds at `element`, without a terminator.
TBytes CharBindBytes(const TNetDataItem& bind, const uint8_t* element, ub4 n) {
  const size_t capacity = bind.valueSize > 0 ? static_cast<size_t>(bind.valueSize) : 0;
  const ub2* length = bind.LengthAt(n);
  size_t size = capacity;
  const bool wide = bind.charsetId == kCharsetUtf16;
  if (IsTerminated(bind.externalType)) {
    if (wide) {
      size_t units = 0;
      while ((units + 1) * 2 <= capacity && Load<char16_t>(element + units * 2) != 0) ++units;
      size = units * 2;
    } else {
      size = strnlen(reinterpret_cast<const char*>(element), capacity);
    }
  } else if (length) {
    size = std::min<size_t>(Load<ub2>(length), capacity);
  }
  if (!wide) return TBytes(element, element + size);
  const std::string utf8 = Utf16BytesToUtf8(element, size);
  return TBytes(utf8.begin(), utf8.end());
}

TBytes NumberBytes(const OCINumber& number) {
  const int length = std::min<int>(number.OCINumberPart[0], 21);
  return TBytes(number.OCINumberPart + 1, number.OCINumberPart + 1 + length);
}

TBytes IntegerBindBytes(const uint8_t* element, int size) {
  int64_t value = 0;
  switch (size) {
    case 1: value = Load<int8_t>(element); break;
    case 2: value = Load<int16_t>(element); break;
    case 4: value = Load<int32_t>(element); break;
    case 8: value = Load<int64_t>(element); break;
    default: throw ENetUnknownError(1);
  }
  OCINumber number{};
  NumberFromInt(value, number);
  return NumberBytes(number);
}

TBytes RealBindBytes(const uint8_t* element, int size) {
  double value = 0;
  if (size == 4) {
    value = Load<float>(element);
  } else if (size == 8) {
    value = Load<double>(element);
  } else {
    throw ENetUnknownError(1);
  }
  OCINumber number{};
  NumberFromReal(value, number);
  return NumberBytes(number);
}

// A cursor travels as its id: [0], [1, id] below 256, else [2, high, low].
TBytes CursorBindBytes(const uint8_t* element) {
  const TNetStatement* cursor = NetHandleAs<TNetStatement>(HandleIn(element));
  const int id = cursor ? cursor->cursorId : 0;
  if (id == 0) return {0};
  if (id < 256) return {1, static_cast<uint8_t>(id)};
  return {2, static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id)};
}

TBytes DescriptorBindBytes(const uint8_t* element, int type) {
  void* handle = HandleIn(element);
  if (IsLobType(type)) {
    const TNetLobLocator* locator = NetHandleAs<TNetLobLocator>(handle);
    return locator ? locator->Bytes() : TBytes{};
  }
  if (IsDateTimeType(type)) {
    const TNetDateTime* value = NetHandleAs<TNetDateTime>(handle);
    return value ? TBytes(value->Bytes(), value->Bytes() + value->Size()) : TBytes{};
  }
  const TNetInterval* value = NetHandleAs<TNetInterval>(handle);
  return value ? TBytes(value->Bytes(), value->Bytes() + value->Size()) : TBytes{};
}

TBytes BindValueBytes(const TNetDataItem& bind, ub4 n) {
  const uint8_t* element = bind.ValueAt(n);
  if (!element) return {};
  const int type = bind.externalType;
  const int size = std::max(bind.valueSize, 0);
  if (IsCharType(type)) {
    TBytes bytes = CharBindBytes(bind, element, n);
    if (static_cast<int>(bytes.size()) > bind.wireLength) bytes.resize(static_cast<size_t>(std::max(bind.wireLength, 0)));
    return bytes;
  }
  if (type == SQLT_INT) return IntegerBindBytes(element, size);
  if (type == SQLT_FLT) return RealBindBytes(element, size);
  if (type == SQLT_VNU) return TBytes(element, element + std::min(size, 1 + std::min<int>(element[0], 21)));
  if (IsCursorType(type)) return CursorBindBytes(element);
  if (IsLobType(type) || IsDateTimeType(type) || IsIntervalType(type)) return DescriptorBindBytes(element, type);
  const ub2* length = bind.LengthAt(n);
  const size_t count = length ? std::min<size_t>(Load<ub2>(length), static_cast<size_t>(size)) : static_cast<size_t>(size);
  return TBytes(element, element + count);
}

// A bind without a buffer whose values come from its callback, in as many
// pieces as the callback hands over.
void WriteDynamicBindElement(TTtcWriter& writer, const TNetBind& bind, ub4 iteration, ub4 index) {
  TBytes bytes;
  bool null = false;
  ub1 piece = OCI_ONE_PIECE;
  for (;;) {
    void* buffer = nullptr;
    ub4 length = 0;
    void* indicator = nullptr;
    ub1 given = piece;
    if (bind.inCallback(bind.inContext, reinterpret_cast<OCIBind*>(HandleOf(const_cast<TNetBind*>(&bind))),
                        iteration, index, &buffer, &length, &given, &indicator) != OCI_CONTINUE)
      throw classlib::Exception("The value of bind " + bind.name + " was not given");
    if (indicator && Load<sb2>(indicator) == -1) null = true;
    if (buffer && length > 0) {
      if (bytes.size() + length > kMaxDynamicBindBytes) throw ENetUnknownError(1);
      const auto* from = static_cast<const uint8_t*>(buffer);
      bytes.insert(bytes.end(), from, from + length);
    }
    if (given != OCI_FIRST_PIECE && given != OCI_NEXT_PIECE) break;
    piece = OCI_NEXT_PIECE;
  }
  if (null) bytes.clear();
  writer.WriteBytes(bytes.data(), static_cast<int>(bytes.size()));
}

void WriteBindElement(TTtcWriter& writer, const TNetDataItem& bind, ub4 iteration, ub4 index) {
  const auto* dynamic = dynamic_cast<const TNetBind*>(&bind);
  if (dynamic && !bind.value && dynamic->inCallback) {
    WriteDynamicBindElement(writer, *dynamic, iteration, index);
    return;
  }
  const ub4 n = bind.IsArray() ? index : iteration;
  const sb2* indicator = bind.IndicatorAt(n);
  if (indicator && Load<sb2>(indicator) == -1) {
    writer.WriteUB1(0);
    return;
  }
  const TBytes bytes = BindValueBytes(bind, n);
  writer.WriteBytes(bytes.data(), static_cast<int>(bytes.size()));
}

// ---- row values -------------------------------------------------------------

void CheckNumberLength(const TBytes& bytes) {
  if (bytes.size() > 21) throw ENetUnknownError(1);
}

OCINumber NumberOf(const TBytes& bytes) {
  CheckNumberLength(bytes);
  OCINumber number{};
  number.OCINumberPart[0] = static_cast<ub1>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), number.OCINumberPart + 1);
  return number;
}

[[noreturn]] void RaiseIntegerOverflow() { RaiseNetException("ORA-01455 converting column overflows integer datatype"); }

size_t StoreInteger(uint8_t* element, int size, const TBytes& bytes) {
  const int64_t value = NumberToInt(NumberOf(bytes));
  if (size >= 8) {
    Store(element, value);
    return 8;
  }
  if (size >= 4) {
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) RaiseIntegerOverflow();
    Store(element, static_cast<int32_t>(value));
    return 4;
  }
  if (size >= 2) {
    if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max()) RaiseIntegerOverflow();
    Store(element, static_cast<int16_t>(value));
    return 2;
  }
  throw ENetUnknownError(1);
}

size_t StoreReal(uint8_t* element, int size, const TBytes& bytes) {
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

size_t StoreChars(const TNetDataItem& item, uint8_t* element, const TStmtSession& session, const TBytes& received) {
  const bool wide = item.charsetId == kCharsetUtf16;
  const TBytes bytes = wide && session.ServerUtf8() ? Utf8ToUtf16Bytes(received) : received;
  const size_t terminator = IsTerminated(item.externalType) ? (wide ? 2 : 1) : 0;
  const size_t capacity = item.valueSize > 0 ? static_cast<size_t>(item.valueSize) : 0;
  if (capacity < terminator) return 0;
  size_t count = std::min(bytes.size(), capacity - terminator);
  if (wide) count &= ~static_cast<size_t>(1);  // never half a UTF-16 unit
  if (count > 0) std::memcpy(element, bytes.data(), count);
  if (terminator) std::memset(element + count, 0, terminator);
  return count;
}

// The length byte, then the NUMBER bytes that fit.
size_t StoreVarnum(uint8_t* element, int size, const TBytes& bytes) {
  CheckNumberLength(bytes);
  if (size < 1) return 0;
  const size_t count = std::min(bytes.size(), static_cast<size_t>(size - 1));
  element[0] = static_cast<uint8_t>(count);
  if (count > 0) std::memcpy(element + 1, bytes.data(), count);
  return count + 1;
}

// A cursor value names the server's cursor: [1, id] or [2, high, low].
void StoreCursor(TNetStatement& owner, uint8_t* element, const TBytes& bytes) {
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
}

void StoreDescriptor(uint8_t* element, int type, const TBytes& bytes) {
  void* handle = HandleIn(element);
  if (IsLobType(type)) {
    TNetLobLocator* locator = NetHandleAs<TNetLobLocator>(handle);
    if (!locator) throw ENetUnknownError(1);
    locator->SetBytes(bytes);
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
// as the callback hands out room.
void DeliverLong(TNetDataItem& item, ub4 row, const TBytes& bytes) {
  auto* define = dynamic_cast<TNetDefine*>(&item);
  size_t done = 0;
  ub1 piece = OCI_FIRST_PIECE;
  do {
    void* buffer = nullptr;
    ub4* length = nullptr;
    void* indicator = nullptr;
    ub2* returnCode = nullptr;
    ub1 asked = piece;
    if (define->callback(define->callbackContext, reinterpret_cast<OCIDefine*>(HandleOf(define)), row, &buffer,
                         &length, &asked, &indicator, &returnCode) != OCI_CONTINUE ||
        !buffer || !length)
      return;
    const size_t n = std::min<size_t>(Load<ub4>(length), bytes.size() - done);
    if (n == 0 && done < bytes.size()) return;
    if (n > 0) std::memcpy(buffer, bytes.data() + done, n);
    Store(length, static_cast<ub4>(n));
    Store(indicator, static_cast<sb2>(0));
    Store(returnCode, static_cast<ub2>(0));
    done += n;
    piece = OCI_NEXT_PIECE;
  } while (done < bytes.size());
}

bool HasDefineCallback(const TNetDataItem& item) {
  const auto* define = dynamic_cast<const TNetDefine*>(&item);
  return define && define->callback;
}

size_t CopyCut(uint8_t* element, int size, const TBytes& bytes) {
  const size_t count = std::min(bytes.size(), static_cast<size_t>(std::max(size, 0)));
  if (count > 0) std::memcpy(element, bytes.data(), count);
  return count;
}

// Stores a value that is not null; answers the length to report.
size_t StoreValue(TNetStatement& owner, TNetDataItem& item, ub4 n, const TBytes& bytes) {
  const int type = item.externalType;
  if (IsLongType(type) && HasDefineCallback(item)) {
    DeliverLong(item, n, bytes);
    return bytes.size();
  }
  uint8_t* element = item.ValueAt(n);
  if (!element) return 0;
  const int size = item.valueSize;
  if (IsCharType(type)) return StoreChars(item, element, owner.Session(), bytes);
  if (type == SQLT_INT) return StoreInteger(element, size, bytes);
  if (type == SQLT_FLT) return StoreReal(element, size, bytes);
  if (type == SQLT_VNU) return StoreVarnum(element, size, bytes);
  if (IsCursorType(type)) {
    StoreCursor(owner, element, bytes);
    return 0;
  }
  if (IsLobType(type) || IsDateTimeType(type) || IsIntervalType(type)) {
    StoreDescriptor(element, type, bytes);
    return bytes.size();
  }
  return CopyCut(element, size, bytes);
}

void Report(TNetDataItem& item, ub4 n, sb2 indicator, size_t length, int returnCode) {
  Store(item.IndicatorAt(n), indicator);
  Store(item.LengthAt(n), static_cast<ub2>(std::min<size_t>(length, 0xFFFF)));
  Store(item.ReturnCodeAt(n), static_cast<ub2>(returnCode));
}

// An out-bind without a buffer hands its value to its callback, which
// gives the room for it.
void StoreThroughCallback(TNetBind& bind, ub4 iteration, ub4 index, const TBytes& bytes, bool null,
                          int returnCode) {
  void* buffer = nullptr;
  ub4* length = nullptr;
  ub1 piece = OCI_ONE_PIECE;
  void* indicator = nullptr;
  ub2* code = nullptr;
  if (bind.outCallback(bind.outContext, reinterpret_cast<OCIBind*>(HandleOf(&bind)), iteration, index, &buffer,
                       &length, &piece, &indicator, &code) != OCI_CONTINUE)
    throw classlib::Exception("The value of bind " + bind.name + " was not taken");
  size_t n = 0;
  if (buffer && length) {
    n = std::min<size_t>(Load<ub4>(length), bytes.size());
    if (n > 0) std::memcpy(buffer, bytes.data(), n);
    Store(length, static_cast<ub4>(n));
  }
  Store(indicator, static_cast<sb2>(null ? -1 : 0));
  Store(code, static_cast<ub2>(returnCode));
}

// One element of a row; `keep` false reads it past without storing.
void ReadElement(TTtcReader& reader, TNetStatement& owner, TNetDataItem& item, ub4 n, bool keep) {
  const int type = item.externalType;
  if (IsLobType(type) && owner.Session().protocolVersion >= 6 && reader.ReadUB4() == 0) {
    const int returnCode = reader.ReadUB2();
    if (keep) Report(item, n, -1, 0, returnCode);
    return;
  }
  const TBytes bytes = reader.ReadChunkedBytes();
  const int returnCode = reader.ReadUB2();
  if (!keep) return;
  auto* bind = dynamic_cast<TNetBind*>(&item);
  if (bind && !bind->value && bind->outCallback) {
    StoreThroughCallback(*bind, bind->IsArray() ? owner.rowIndex : n, bind->IsArray() ? n : 0, bytes,
                         bytes.empty() && !IsLongType(type) && returnCode != kNullButFetched, returnCode);
    return;
  }
  if (bytes.empty() && !IsLongType(type)) {
    Report(item, n, returnCode == kNullButFetched ? 0 : -1, 0, returnCode);
    return;
  }
  const size_t length = StoreValue(owner, item, n, bytes);
  Report(item, n, 0, length, returnCode);
}

// An array entry carries its element count; the elements beyond the
// caller's capacity are read and dropped.
void ReadItem(TTtcReader& reader, TNetStatement& owner, TNetDataItem& item, ub4 row) {
  if (!item.IsArray()) {
    ReadElement(reader, owner, item, row, true);
    return;
  }
  const int64_t count = reader.ReadUB4();
  if (count < 0) throw ENetUnknownError(1);
  const ub4 kept = static_cast<ub4>(std::min<int64_t>(count, item.maxArray));
  for (int64_t i = 0; i < count; ++i) ReadElement(reader, owner, item, static_cast<ub4>(i), i < kept);
  Store(item.currentArray, kept);
}

// The longest UTF-8 form of a UTF-16 bind over the call's rows, plus 1.
int LongestConvertedLength(const TNetDataItem& bind, ub4 rows) {
  size_t longest = 0;
  for (ub4 n = 0; n < std::max<ub4>(rows, 1); ++n) {
    const sb2* indicator = bind.IndicatorAt(n);
    const uint8_t* element = bind.ValueAt(n);
    if (!element || (indicator && Load<sb2>(indicator) == -1)) continue;
    longest = std::max(longest, CharBindBytes(bind, element, n).size());
  }
  return static_cast<int>(std::max<size_t>(longest + 1, 2));
}

// The caller's buffers hold the rows it asked for and no more.
void CheckRowRoom(const TNetStatement& statement, ub4 rows) {
  if (statement.rowIndex >= std::max<ub4>(rows, 1)) throw ENetUnknownError(1);
}

}  // namespace

TWireShape WireShapeOf(const TNetDataItem& item, const TStmtSession& session, bool bind) {
  const int type = item.externalType;
  const int size = std::max(item.valueSize, 0);
  const bool shrink = session.ServerUtf8() && session.clientCharsetId != 0 &&
                      session.clientCharsetId != session.serverCharsetId;
  switch (type) {
    case SQLT_NUM: case SQLT_INT: case SQLT_FLT: return {SQLT_NUM, 22};
    case SQLT_STR: {
      int length = std::max(size - 1, 0);
      if (bind) {
        length = std::min(length, kMaxBindLength);
        if (shrink) length = std::min(length, session.longestString / 3);
      }
      return {SQLT_CHR, length};
    }
    case SQLT_AVC: {
      int length = std::max(size - 1, 0);
      if (bind) {
        length = std::min(length, kMaxAvcBindLength);
        if (shrink) length = std::min(length, session.longestString / 3 - 1);
      }
      return {SQLT_AFC, length};
    }
    case SQLT_CUR: case SQLT_RSET: return {SQLT_CUR, 1};
    case SQLT_CLOB: case SQLT_BLOB: return {type, 4};
    case SQLT_TIMESTAMP: return {kWireTimestamp, 11};
    case SQLT_TIMESTAMP_TZ: return {kWireTimestampTz, 13};
    case SQLT_INTERVAL_YM: return {kWireIntervalYm, 5};
    case SQLT_INTERVAL_DS: return {kWireIntervalDs, 11};
    case SQLT_TIMESTAMP_LTZ: return {kWireTimestampLtz, 11};
    default: return {type, size};
  }
}

void SizeBinds(TNetStatement& statement, ub4 iterations) {
  const TStmtSession& session = statement.Session();
  for (auto& bind : statement.Binds()) {
    bind->wireLength = WireShapeOf(*bind, session, true).length;
    // A UTF-16 bind travels as UTF8: its longest value, and room for the
    // UTF8 form of whatever the buffer can take back (up to three bytes a
    // unit), so that an out value is not cut by the server.
    if (IsCharType(bind->externalType) && bind->charsetId == kCharsetUtf16 && session.clientCharsetId == kCharsetUtf8)
      bind->wireLength = std::max(LongestConvertedLength(*bind, bind->IsArray() ? bind->maxArray : iterations),
                                  std::max(bind->valueSize, 0) / 2 * 3);
  }
}

void WriteItemMetadata(TTtcWriter& writer, const TNetDataItem& item, const TStmtSession& session) {
  const TWireShape shape = WireShapeOf(item, session, dynamic_cast<const TNetBind*>(&item) != nullptr);
  const int type = item.externalType;
  uint8_t flags = type == 0 ? 0x80 : 0x01;
  if (item.IsArray()) flags |= 0x40;
  if (type == SQLT_BIN) flags |= 0x02;
  if (type == SQLT_AFC) flags |= 0x20;
  const bool bind = dynamic_cast<const TNetBind*>(&item) != nullptr;
  writer.WriteUB1(static_cast<uint8_t>(shape.wireType));
  writer.WriteUB1(flags);
  writer.WriteUB1(0);
  writer.WriteUB1(0);
  writer.WriteUB4(static_cast<uint32_t>(bind && item.wireLength > 0 ? item.wireLength : shape.length));
  writer.WriteUB4(item.maxArray);
  writer.WriteUB4(0);
  if (session.From8000()) {
    writer.WriteUB1(0);
    writer.WriteUB2(0);
    writer.WriteUB2(0);
    writer.WriteUB1(1);
  }
}

void WriteBindRow(TTtcWriter& writer, TNetStatement& statement, const std::vector<uint8_t>* vector, ub4 iteration) {
  writer.WriteUB1(kTtcRowData);
  auto& binds = statement.Binds();
  for (size_t i = 0; i < binds.size(); ++i) {
    if (vector && !((*vector)[i] & kBindSendsValue)) continue;
    const TNetBind& bind = *binds[i];
    if (bind.IsArray()) {
      // Never more elements than the caller's array holds.
      const ub4 count = bind.currentArray ? std::min(Load<ub4>(bind.currentArray), bind.maxArray) : 0;
      writer.WriteUB4(count);
      for (ub4 e = 0; e < count; ++e) WriteBindElement(writer, bind, iteration, e);
    } else if (bind.externalType != 0) {
      WriteBindElement(writer, bind, iteration, 0);
    }
  }
}

void ReadDefineRow(TTtcReader& reader, TNetStatement& statement) {
  CheckRowRoom(statement, statement.fetchSize);
  for (auto& define : statement.Defines()) ReadItem(reader, statement, *define, statement.rowIndex);
  ++statement.rowIndex;
}

void ReadOutBindRow(TTtcReader& reader, TNetStatement& statement, const std::vector<uint8_t>& vector) {
  CheckRowRoom(statement, statement.iterations);
  auto& binds = statement.Binds();
  for (size_t i = 0; i < binds.size() && i < vector.size(); ++i)
    if (vector[i] & kBindReturnsValue) ReadItem(reader, statement, *binds[i], statement.rowIndex);
  ++statement.rowIndex;
}

}  // namespace oranet
