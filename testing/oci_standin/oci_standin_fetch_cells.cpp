// A fetched value as a define's external type takes it, as the public call
// interface documents: texts cut to the buffer, with the original length in
// the indicator (-2 when it exceeds 16 bits) and return code 1406; CHAR
// (type 96) blank-padded to the buffer; NUMBER (type 2) as its 21-byte
// internal form with the length in the returned length, VARNUM (type 6)
// with its length byte in front. Plain columns are converted once per
// external type and size, so that a fetch only copies them.
#include <cstdio>
#include <cstring>

#include "testing/oci_standin/oci_standin_fetch.h"
#include "testing/oci_standin/oci_standin_state.h"

namespace standin {

namespace {

constexpr size_t kLargestIndicator = 32767;

// The bytes of a value a buffer of `capacity` bytes can hold; a longer one
// is cut and marked truncated with its original length.
void Fit(Cell& cell, std::string data, size_t capacity) {
  if (data.size() > capacity) {
    cell.indicator = data.size() > kLargestIndicator ? -2 : static_cast<sb2>(data.size());
    cell.code = kFetchedTruncated;
    data.resize(capacity);
  }
  cell.bytes = std::move(data);
  cell.length = static_cast<ub2>(cell.bytes.size());
}

size_t Capacity(sb4 size, sb4 overhead) { return static_cast<size_t>(std::max<sb4>(size - overhead, 0)); }

OCINumber NumberOf(const std::string& value) {
  OCINumber number{};
  NumberFromText(value, &number);
  return number;
}

std::string DateBytes(const std::string& value) {
  const DateTimeValue v = DateOf(value);
  const ub1 d[7] = {static_cast<ub1>(v.year / 100 + 100), static_cast<ub1>(v.year % 100 + 100),
                    static_cast<ub1>(v.month), static_cast<ub1>(v.day), static_cast<ub1>(v.hour + 1),
                    static_cast<ub1>(v.minute + 1), static_cast<ub1>(v.second + 1)};
  return std::string(reinterpret_cast<const char*>(d), 7);
}

}  // namespace

DateTimeValue DateOf(const std::string& text) {
  DateTimeValue v;
  std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &v.year, &v.month, &v.day, &v.hour, &v.minute, &v.second);
  const size_t point = text.find('.');
  if (point != std::string::npos) {
    std::string digits = text.substr(point + 1, 9);
    digits.resize(9, '0');
    v.fraction = static_cast<ub4>(std::stoul(digits));
  }
  return v;
}

bool IsBinary(const QueryColumn& column) { return column.type == SQLT_BIN || column.type == SQLT_LBI; }

std::string Utf16Of(const std::string& text) {
  std::string wide;
  for (unsigned char c : text) wide += {static_cast<char>(c), '\0'};
  return wide;
}

std::string LongBytes(const QueryColumn& column, const QueryValue& value, ub2 charset) {
  if (!value) return {};
  if (IsBinary(column)) return FromHex(*value);
  return charset == kStandinUtf16Id ? Utf16Of(*value) : *value;
}

Cell CellOf(const QueryColumn& column, const std::string& value, ub2 type, sb4 size, ub2 charset) {
  Cell cell;
  const std::string data = IsBinary(column) ? FromHex(value) : value;
  if (type == SQLT_STR && charset == kStandinUtf16Id) {
    Fit(cell, Utf16Of(value), Capacity(size, 2) / 2 * 2);
    cell.bytes += std::string(2, '\0');
    return cell;
  }
  switch (type) {
    case SQLT_STR:  // zero-terminated: the terminator takes a byte of the buffer
      Fit(cell, value, Capacity(size, 1));
      cell.bytes += '\0';
      return cell;
    case SQLT_AFC:  // fixed length: blank-padded to the whole buffer
      Fit(cell, data, Capacity(size, 0));
      cell.bytes.resize(Capacity(size, 0), ' ');
      cell.length = static_cast<ub2>(cell.bytes.size());
      return cell;
    case SQLT_INT: {
      const long long n = std::stoll(value);
      cell.bytes.assign(reinterpret_cast<const char*>(&n), static_cast<size_t>(std::min<sb4>(size, 8)));
      cell.length = static_cast<ub2>(cell.bytes.size());
      return cell;
    }
    case SQLT_FLT: {
      const double d = std::stod(value);
      const float f = static_cast<float>(d);
      cell.bytes = size == 4 ? std::string(reinterpret_cast<const char*>(&f), 4)
                             : std::string(reinterpret_cast<const char*>(&d), 8);
      cell.length = static_cast<ub2>(cell.bytes.size());
      return cell;
    }
    case SQLT_DAT:
      cell.bytes = DateBytes(value);
      cell.length = 7;
      return cell;
    case SQLT_VNU: {  // the length byte, then the number
      const OCINumber number = NumberOf(value);
      Fit(cell, std::string(reinterpret_cast<const char*>(number.OCINumberPart), number.OCINumberPart[0] + 1u),
          Capacity(size, 0));
      return cell;
    }
    case SQLT_NUM: {  // the number without its length byte, which the returned length tells
      const OCINumber number = NumberOf(value);
      Fit(cell, std::string(reinterpret_cast<const char*>(number.OCINumberPart + 1), number.OCINumberPart[0]),
          Capacity(size, 0));
      return cell;
    }
    case SQLT_VBI: {  // a 2-byte length in front of the bytes
      Fit(cell, data, Capacity(size, 2));
      const ub2 count = cell.length;
      cell.bytes.insert(0, reinterpret_cast<const char*>(&count), 2);
      cell.length = static_cast<ub2>(cell.bytes.size());
      return cell;
    }
    default:  // CHR, BIN, LNG, LBI and labels: the bytes as they are
      Fit(cell, data, Capacity(size, 0));
      return cell;
  }
}

PrebuiltColumn& Prebuilt(QueryScript& script, const Define& define) {
  PrebuiltColumn& cells = script.prebuilt[define.position];
  if (cells.type == define.type && cells.size == define.size && cells.charset == define.charset &&
      cells.indicators.size() == script.rows.size())
    return cells;
  const QueryColumn& column = script.columns[define.position - 1];
  cells = PrebuiltColumn{define.type, define.size, define.charset, {}, {}, {}, {}};
  const size_t width = static_cast<size_t>(std::max<sb4>(define.size, 0));
  cells.data.assign(width * script.rows.size(), 0);
  for (size_t row = 0; row < script.rows.size(); ++row) {
    const QueryValue& value = script.rows[row][define.position - 1];
    Cell cell;
    if (value) {
      cell = CellOf(column, *value, define.type, define.size, define.charset);
      std::memcpy(cells.data.data() + row * width, cell.bytes.data(), std::min(cell.bytes.size(), width));
    } else {
      cell.indicator = -1;
      cell.code = kFetchedNull;
    }
    cells.indicators.push_back(cell.indicator);
    cells.lengths.push_back(cell.length);
    cells.codes.push_back(cell.code);
  }
  return cells;
}

}  // namespace standin
