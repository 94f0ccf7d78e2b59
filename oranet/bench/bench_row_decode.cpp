#include "oranet/bench/bench_row_decode.h"

#include <cstring>

#include "testing/bench_calendar.h"

namespace oranet::bench {

namespace {

constexpr size_t kPacketHeader = 8;
constexpr size_t kDataFlags = 2;
constexpr uint8_t kDataPacket = 6;
constexpr uint8_t kRowHeader = 6;
constexpr uint8_t kRowData = 7;
constexpr uint8_t kStatus = 4;
constexpr uint8_t kChunked = 254;

class TCursor {
 public:
  TCursor(const uint8_t* at, const uint8_t* end) : at_(at), end_(end) {}
  bool Has(size_t n) const { return static_cast<size_t>(end_ - at_) >= n; }
  uint8_t Byte() { return Has(1) ? *at_++ : (ok_ = false, 0); }
  // An integer after negotiation: a length byte (its top bit the sign), then
  // the bytes, most significant first.
  uint64_t Integer() {
    const uint8_t length = Byte() & 0x7F;
    if (length > 8 || !Has(length)) return ok_ = false, 0;
    uint64_t value = 0;
    for (uint8_t i = 0; i < length; ++i) value = value << 8 | *at_++;
    return value;
  }
  // A value's bytes: a length byte (0 for NULL), or 254 and chunks up to a
  // zero length. Chunked values are gathered in `scratch`.
  std::span<const uint8_t> Value(std::vector<uint8_t>& scratch) {
    const uint8_t length = Byte();
    if (length != kChunked) {
      if (length == 0xFF || length == 0) return {};
      if (!Has(length)) return ok_ = false, std::span<const uint8_t>();
      at_ += length;
      return {at_ - length, length};
    }
    scratch.clear();
    for (uint8_t chunk = Byte(); ok_ && chunk != 0; chunk = Byte()) {
      if (!Has(chunk)) return ok_ = false, std::span<const uint8_t>();
      scratch.insert(scratch.end(), at_, at_ + chunk);
      at_ += chunk;
    }
    return scratch;
  }
  bool Ok() const { return ok_; }

 private:
  const uint8_t* at_;
  const uint8_t* end_;
  bool ok_ = true;
};

// NUMBER bytes: an exponent byte, then base-100 digits (positive: digit + 1;
// negative: 101 - digit, ended by 102).
struct TNumberParts {
  bool negative = false;
  int exponent = 0;  // of the first digit, base 100
  int64_t mantissa = 0;
  int digits = 0;
};

TNumberParts NumberParts(std::span<const uint8_t> bytes) {
  TNumberParts parts;
  if (bytes.empty() || bytes[0] == 0x80) return parts;
  parts.negative = (bytes[0] & 0x80) == 0;
  const uint8_t head = parts.negative ? static_cast<uint8_t>(~bytes[0]) : bytes[0];
  parts.exponent = (head & 0x7F) - 65;
  for (size_t i = 1; i < bytes.size() && parts.digits < 9; ++i) {
    if (parts.negative && bytes[i] == 102) break;
    parts.mantissa = parts.mantissa * 100 + (parts.negative ? 101 - bytes[i] : bytes[i] - 1);
    ++parts.digits;
  }
  return parts;
}

constexpr double kPowersOf100[] = {1e0, 1e2, 1e4, 1e6, 1e8, 1e10, 1e12, 1e14, 1e16, 1e18, 1e20, 1e22};

int64_t IntegerOf(std::span<const uint8_t> bytes) {
  TNumberParts parts = NumberParts(bytes);
  int64_t value = parts.mantissa;
  for (int shift = parts.exponent - (parts.digits - 1); shift > 0; --shift) value *= 100;
  for (int shift = parts.exponent - (parts.digits - 1); shift < 0; ++shift) value /= 100;
  return parts.negative ? -value : value;
}

double RealOf(std::span<const uint8_t> bytes) {
  const TNumberParts parts = NumberParts(bytes);
  const int shift = parts.exponent - (parts.digits - 1);
  const auto mantissa = static_cast<double>(parts.mantissa);
  const double value = shift >= 0 ? mantissa * kPowersOf100[shift < 11 ? shift : 11]
                                  : mantissa / kPowersOf100[-shift < 11 ? -shift : 11];
  return parts.negative ? -value : value;
}

// DATE bytes: century + 100, year + 100, month, day, hour + 1, minute + 1,
// second + 1.
double DateTimeOf(std::span<const uint8_t> bytes) {
  if (bytes.size() < 7) return 0;
  const int seconds = ((bytes[4] - 1) * 60 + (bytes[5] - 1)) * 60 + (bytes[6] - 1);
  return ::bench::DateTimeNumber((bytes[0] - 100) * 100 + (bytes[1] - 100), bytes[2], bytes[3], seconds * int64_t{1000});
}

void Store(TBenchRow& row, int column, std::span<const uint8_t> value) {
  switch (column) {
    case 0: row.id = IntegerOf(value); break;
    case 1: row.amount = RealOf(value); break;
    case 2: row.name.assign(value.begin(), value.end()); break;
    case 3: {  // CHAR: the blanks that pad it are cut, as the query's field does
      size_t size = value.size();
      while (size > 0 && value[size - 1] == ' ') --size;
      row.code.assign(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(size));
      break;
    }
    case 4: row.created = DateTimeOf(value); break;
    default:
      row.tag_size = static_cast<uint8_t>(value.size() < row.tag.size() ? value.size() : row.tag.size());
      if (row.tag_size > 0) std::memcpy(row.tag.data(), value.data(), row.tag_size);
  }
}

// The DATA packets' payloads, one after the other.
bool Unpack(std::span<const uint8_t> packets, std::vector<uint8_t>& payload) {
  payload.clear();
  for (size_t at = 0; at < packets.size();) {
    if (packets.size() - at < kPacketHeader + kDataFlags) return false;
    const size_t length = size_t{packets[at]} << 8 | packets[at + 1];
    if (length < kPacketHeader + kDataFlags || length > packets.size() - at || packets[at + 4] != kDataPacket)
      return false;
    payload.insert(payload.end(), packets.begin() + static_cast<std::ptrdiff_t>(at + kPacketHeader + kDataFlags),
                   packets.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  }
  return true;
}

}  // namespace

bool TRowBlockDecoder::Decode(std::span<const uint8_t> packets, std::vector<TBenchRow>& rows) {
  if (!Unpack(packets, payload_)) return false;
  TCursor in(payload_.data(), payload_.data() + payload_.size());
  std::vector<uint8_t>& scratch = chunks_;
  if (in.Byte() != kRowHeader) return false;
  in.Byte();
  for (int i = 0; i < 4; ++i) in.Integer();
  uint8_t code = in.Byte();
  for (; in.Ok() && code == kRowData; code = in.Byte()) {
    TBenchRow& row = rows.emplace_back();
    for (int c = 0; c < 6; ++c) {
      const std::span<const uint8_t> value = in.Value(scratch);
      if (value.empty()) row.nulls |= static_cast<uint8_t>(1 << c);
      Store(row, c, value);
      in.Integer();  // the return code
    }
  }
  return in.Ok() && code == kStatus;
}

}  // namespace oranet::bench
