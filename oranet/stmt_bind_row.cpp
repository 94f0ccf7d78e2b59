// The client's side of values on the wire: how binds and defines are
// announced in a call and the bind rows that carry the values.
#include <algorithm>
#include <cstring>
#include <string>

#include "oranet/lob_locator.h"
#include "oranet/logon_connect.h"
#include "oranet/net_errors.h"
#include "oranet/stmt_row.h"
#include "oranet/stmt_value_kinds.h"
#include "oranet/ttc_writer.h"
#include "oranet/value_clob_counts.h"
#include "oranet/value_datetime.h"
#include "oranet/value_interval.h"
#include "oranet/value_number.h"

namespace oranet {

using namespace stmt;

namespace {

constexpr int kMaxBindLength = 65536;
constexpr int kMaxAvcBindLength = 65535;
constexpr int kWireTimestamp = 180;
constexpr int kWireTimestampTz = 181;
constexpr int kWireIntervalYm = 182;
constexpr int kWireIntervalDs = 183;
constexpr int kWireTimestampLtz = 231;
constexpr size_t kMaxDynamicBindBytes = size_t{1} << 30;

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
    case 1:
      value = Load<int8_t>(element);
      break;
    case 2:
      value = Load<int16_t>(element);
      break;
    case 4:
      value = Load<int32_t>(element);
      break;
    case 8:
      value = Load<int64_t>(element);
      break;
    default:
      throw ENetUnknownError(1);
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
    if (static_cast<int>(bytes.size()) > bind.wireLength)
      bytes.resize(static_cast<size_t>(std::max(bind.wireLength, 0)));
    return bytes;
  }
  if (type == SQLT_INT) return IntegerBindBytes(element, size);
  if (type == SQLT_FLT) return RealBindBytes(element, size);
  if (type == SQLT_VNU)
    return size < 1 ? TBytes{} : TBytes(element, element + std::min(size, 1 + std::min<int>(element[0], 21)));
  if (IsCursorType(type)) return CursorBindBytes(element);
  if (IsLobType(type) || IsDateTimeType(type) || IsIntervalType(type)) return DescriptorBindBytes(element, type);
  const ub2* length = bind.LengthAt(n);
  const size_t count =
      length ? std::min<size_t>(Load<ub2>(length), static_cast<size_t>(size)) : static_cast<size_t>(size);
  return TBytes(element, element + count);
}

// Hands the pieces of a bind without a buffer, as its callback gives
// them, to `take`; answers whether the value is null.
template <class Take>
bool ForEachPiece(const TNetBind& bind, ub4 iteration, ub4 index, Take take) {
  bool null = false;
  ub1 piece = OCI_ONE_PIECE;
  for (;;) {
    void* buffer = nullptr;
    ub4 length = 0;
    void* indicator = nullptr;
    ub1 given = piece;
    if (bind.inCallback(bind.inContext, reinterpret_cast<OCIBind*>(HandleOf(const_cast<TNetBind*>(&bind))), iteration,
                        index, &buffer, &length, &given, &indicator) != OCI_CONTINUE)
      throw classlib::Exception("The value of bind " + bind.name + " was not given");
    if (indicator && Load<sb2>(indicator) == -1) null = true;
    if (buffer && length > 0 && !null) take(static_cast<const uint8_t*>(buffer), static_cast<size_t>(length));
    if (given != OCI_FIRST_PIECE && given != OCI_NEXT_PIECE) return null;
    piece = OCI_NEXT_PIECE;
  }
}

// A bind without a buffer whose values come from its callback, in as many
// pieces as the callback hands over.
void WriteDynamicBindElement(TTtcWriter& writer, const TNetBind& bind, ub4 iteration, ub4 index) {
  TBytes bytes;
  const bool null = ForEachPiece(bind, iteration, index, [&](const uint8_t* from, size_t length) {
    if (bytes.size() + length > kMaxDynamicBindBytes) throw ENetUnknownError(1);
    bytes.insert(bytes.end(), from, from + length);
  });
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

// A LONG value sent after its row, as one chunked string: the chunks go
// out as the pieces come, never gathered. Null (or empty) is a 0 byte.
void WriteLongAfterRow(TTtcWriter& writer, const TNetBind& bind, ub4 iteration) {
  if (bind.value || !bind.inCallback) {
    const sb2* indicator = bind.IndicatorAt(iteration);
    const TBytes bytes = indicator && Load<sb2>(indicator) == -1 ? TBytes{} : BindValueBytes(bind, iteration);
    if (!bytes.empty()) writer.WriteUB1(kTtcChunkedMarker);
    writer.WriteChunks(bytes.data(), bytes.size());
    writer.WriteUB1(0);
    return;
  }
  bool started = false;
  ForEachPiece(bind, iteration, 0, [&](const uint8_t* from, size_t length) {
    if (!started) writer.WriteUB1(kTtcChunkedMarker);
    started = true;
    writer.WriteChunks(from, length);
  });
  writer.WriteUB1(0);
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

}  // namespace

TWireShape WireShapeOf(const TNetDataItem& item, const TStmtSession& session, bool bind) {
  const int type = item.externalType;
  const int size = std::max(item.valueSize, 0);
  const bool shrink =
      session.ServerUtf8() && session.clientCharsetId != 0 && session.clientCharsetId != session.serverCharsetId;
  switch (type) {
    case SQLT_NUM:
    case SQLT_INT:
    case SQLT_FLT:
      return {SQLT_NUM, 22};
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
    case SQLT_VBI:
      // A define's length word is the client's own: the value travels as RAW.
      if (!bind) return {SQLT_BIN, std::max(size - 2, 0)};
      return {type, size};
    case SQLT_CUR:
    case SQLT_RSET:
      return {SQLT_CUR, 1};
    case SQLT_CLOB:
    case SQLT_BLOB:
      return {type, 4};
    case SQLT_TIMESTAMP:
      return {kWireTimestamp, 11};
    case SQLT_TIMESTAMP_TZ:
      return {kWireTimestampTz, 13};
    case SQLT_INTERVAL_YM:
      return {kWireIntervalYm, 5};
    case SQLT_INTERVAL_DS:
      return {kWireIntervalDs, 11};
    case SQLT_TIMESTAMP_LTZ:
      return {kWireTimestampLtz, 11};
    default:
      return {type, size};
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
  if (shape.wireType == SQLT_BIN) flags |= 0x02;
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
    // The character set form: a national value announced as implicit
    // would be converted through the database's own set, losing what that
    // set lacks.
    writer.WriteUB1(static_cast<uint8_t>(item.charsetForm));
  }
}

bool SentAfterRow(const TNetDataItem& bind, const TStmtSession& session) {
  return IsLongType(bind.externalType) && !bind.IsArray() && bind.valueSize > session.longestString;
}

void WriteBindRow(TTtcWriter& writer, TNetStatement& statement, const std::vector<uint8_t>* vector, ub4 iteration) {
  writer.WriteUB1(kTtcRowData);
  auto& binds = statement.Binds();
  std::vector<const TNetBind*> afterRow;
  for (size_t i = 0; i < binds.size(); ++i) {
    if (vector && !((*vector)[i] & kBindSendsValue)) continue;
    const TNetBind& bind = *binds[i];
    if (SentAfterRow(bind, statement.Session())) {
      afterRow.push_back(&bind);
    } else if (bind.IsArray()) {
      // Never more elements than the caller's array holds.
      const ub4 count = bind.currentArray ? std::min(Load<ub4>(bind.currentArray), bind.maxArray) : 0;
      writer.WriteUB4(count);
      for (ub4 e = 0; e < count; ++e) WriteBindElement(writer, bind, iteration, e);
    } else if (bind.externalType != 0) {
      WriteBindElement(writer, bind, iteration, 0);
    }
  }
  for (const TNetBind* bind : afterRow) WriteLongAfterRow(writer, *bind, iteration);
}

}  // namespace oranet
