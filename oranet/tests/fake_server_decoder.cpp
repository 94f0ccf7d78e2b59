#include "oranet/tests/fake_server_decoder.h"

#include <algorithm>

#include "oranet/tests/fake_server_charsets.h"
#include "oranet/ttc_type_table.h"

namespace oranet::testing {

namespace {

const uint8_t kProtocolRequest[] = {1, 6, 5, 4, 3, 2, 1, 0, 'N', 'E', 'T', '_', 'T', 'T', 'C',
                                    '-', '8', '.', '1', '.', '0', 0};
constexpr int kCapabilities = 21;
constexpr size_t kMaxShort = 64;

// Wire types of the metadata records, by what their values hold.
bool IsKnownWireType(int t) {
  switch (t) {
    case 0: case 1: case 2: case 6: case 8: case 12: case 23: case 24: case 96: case 102:
    case 112: case 113: case 114: case 180: case 181: case 182: case 183: case 231:
      return true;
    default:
      return false;
  }
}

bool IsDateTimeWire(int t) { return t == 180 || t == 181 || t == 182 || t == 183 || t == 231; }

// CHAR, VARCHAR2, LONG and CLOB values: the ones with a character set form.
bool IsCharacterWire(int t) { return t == 1 || t == 8 || t == 96 || t == 112; }

}  // namespace

void TRequestDecoder::Bad(const std::string& what) const {
  throw TBad{what + " (at byte " + std::to_string(pos_) + ")"};
}

uint8_t TRequestDecoder::Byte() {
  Expect(pos_ < bytes_.size(), "the request ends early");
  return bytes_[pos_++];
}

void TRequestDecoder::ExpectByte(uint8_t value, const std::string& what) {
  const uint8_t got = Byte();
  Expect(got == value, what + ": " + std::to_string(got) + " where " + std::to_string(value) + " belongs");
}

uint32_t TRequestDecoder::UB4() {
  const uint8_t length = Byte();
  Expect(length <= 4, "an integer of " + std::to_string(length) + " bytes");
  uint32_t value = 0;
  for (int i = 0; i < length; ++i) value = value << 8 | Byte();
  return value;
}

unsigned TRequestDecoder::UB2() {
  const uint8_t low = Byte();
  if (low == 0) return 0;
  return low | unsigned{Byte()} << 8;
}

uint32_t TRequestDecoder::FlagAndCount(const std::string& what) {
  const uint8_t flag = Byte();
  const uint32_t count = UB4();
  Expect(flag == (count > 0 ? 1 : 0), what + ": flag " + std::to_string(flag) + " for " + std::to_string(count));
  return count;
}

TBytes TRequestDecoder::Chunks() {
  TBytes bytes;
  for (;;) {
    const uint8_t length = Byte();
    if (length == 0) return bytes;
    Expect(length <= kMaxShort, "a chunk of " + std::to_string(length) + " bytes");
    Expect(pos_ + length <= bytes_.size(), "a chunk beyond the request");
    bytes.insert(bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
                 bytes_.begin() + static_cast<std::ptrdiff_t>(pos_ + length));
    pos_ += length;
  }
}

TBytes TRequestDecoder::ClientBytes() {
  const uint8_t length = Byte();
  if (length == 0xFE) {
    TBytes bytes = Chunks();
    Expect(bytes.size() > kMaxShort, "a chunked string of " + std::to_string(bytes.size()) + " bytes");
    return bytes;
  }
  Expect(length <= kMaxShort, "a string length byte " + std::to_string(length));
  Expect(pos_ + length <= bytes_.size(), "a string beyond the request");
  TBytes bytes(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
               bytes_.begin() + static_cast<std::ptrdiff_t>(pos_ + length));
  pos_ += length;
  return bytes;
}

int64_t TRequestDecoder::ServerInt() {
  const uint8_t lead = Byte();
  int64_t value = 0;
  for (int i = 0; i < (lead & 0x7F); ++i) value = value << 8 | Byte();
  return lead & 0x80 ? -value : value;
}

std::string TRequestDecoder::Run() {
  try {
    switch (Byte()) {
      case 1:
        ProtocolRequest();
        break;
      case 2:
        DataTypeRequest();
        break;
      case 3:
        Expect(checker_.negotiated_, "a function call before the negotiations");
        FunctionCall();
        break;
      case 7:
        pos_ = 0;
        BindRowsAnswer();
        break;
      default:
        pos_ = 0;
        Bad("a request with message code " + std::to_string(bytes_[0]));
    }
    Expect(pos_ == bytes_.size(), std::to_string(bytes_.size() - pos_) + " bytes after the request's messages");
  } catch (const TBad& bad) {
    return bad.what;
  }
  return {};
}

void TRequestDecoder::ProtocolRequest() {
  pos_ = 0;
  for (const uint8_t b : kProtocolRequest) ExpectByte(b, "the protocol request");
}

void TRequestDecoder::DataTypeRequest() {
  const unsigned charset = UB2();
  Expect(UB2() == charset, "the two character sets of the data-type request differ");
  checker_.client_charset_ = static_cast<int>(charset);
  ExpectByte(2, "the data-type request's flags");
  if (checker_.protocol_version_ >= 6) {
    ExpectByte(kCapabilities, "the count of compile-time capabilities");
    for (int i = 1; i <= kCapabilities; ++i) ExpectByte(i == 18 ? 3 : 0, "compile-time capability " + std::to_string(i));
    ExpectByte(1, "the count of run-time capabilities");
    ExpectByte(2, "the run-time capability");
  }
  // The representation table the fake server serves, as it stands, with
  // the 0 that ends it.
  Expect(pos_ + kTtcTypeTableSize <= bytes_.size(), "a data-type table cut short");
  Expect(std::equal(TtcTypeTable(), TtcTypeTable() + kTtcTypeTableSize, bytes_.begin() + static_cast<std::ptrdiff_t>(pos_)),
         "a data-type table other than the one served");
  pos_ += kTtcTypeTableSize;
  checker_.negotiated_ = true;
}

void TRequestDecoder::FunctionCall() {
  TCheckedCall call;
  call.function = Byte();
  ExpectByte(0, "the call's sequence number");
  checker_.calls_.push_back(call);
  switch (call.function) {
    case 2:  // open cursor
      ExpectByte(1, "open cursor");
      ExpectByte(0, "open cursor");
      return;
    case 8:  // close cursor
      checker_.calls_.back().cursor = UB4();
      Expect(checker_.calls_.back().cursor != 0, "closing cursor 0");
      return;
    case 9:
    case 14:
    case 15:  // log off, commit, roll back: the header alone
      return;
    case 43:
      return DescribeOld();
    case 71:
      return AllInOne();
    case 81:
    case 82:
      return Logon(call.function);
    case 98:
      return Describe();
    default:
      Bad("function " + std::to_string(call.function));
  }
}

void TRequestDecoder::Logon(int function) {
  TCheckedCall& call = checker_.calls_.back();
  const uint8_t phase = function == 82 ? 1 : 0;
  uint32_t lengths[7];
  lengths[0] = FlagAndCount("the user name");
  lengths[1] = FlagAndCount("the password text");
  Expect(UB4() == 0, "the logon's third field");
  const uint32_t mode = UB4();
  Expect(mode == 0 || mode == 8 || mode == 16, "logon mode " + std::to_string(mode));
  Expect(UB4() == 0, "the logon's fifth field");
  ExpectByte(0, "the logon's sixth field");
  for (int i = 2; i <= 4; ++i) lengths[i] = FlagAndCount("an identity text");
  Expect(UB4() == 4096, "the logon's 4096");
  for (int i = 5; i <= 6; ++i) lengths[i] = FlagAndCount("an identity text");
  ExpectByte(0, "the logon's 16-bit 0");
  Expect(UB4() == 0, "the logon's zero");
  ExpectByte(0, "the logon's zero byte");
  Expect(UB4() == 0, "the logon's zero");
  ExpectByte(phase, "the logon's phase");
  Expect(UB4() == 16, "the logon's 16");
  ExpectByte(phase, "the logon's phase");
  Expect(phase == 1 ? lengths[1] == 0 : lengths[1] > 0, "a password text in the wrong phase");
  for (const uint32_t length : lengths) {
    if (length == 0) continue;
    const TBytes text = ClientBytes();
    Expect(text.size() == length, "a logon text of " + std::to_string(text.size()) + " bytes announced as " +
                                      std::to_string(length));
    call.logonTexts.emplace_back(text.begin(), text.end());
  }
}

void TRequestDecoder::Describe() {
  TCheckedCall& call = checker_.calls_.back();
  ExpectByte(7, "the describe's sub-code");
  call.cursor = UB4();
  const uint32_t length = FlagAndCount("the describe's text");
  Expect(UB4() == 2, "the describe's 2");
  ExpectByte(1, "the describe's first 1");
  ExpectByte(1, "the describe's second 1");
  Expect(length > 0 || call.cursor != 0, "a describe of neither a text nor a cursor");
  if (length == 0) return;
  const TBytes text = ClientBytes();
  Expect(text.size() == length, "a describe text of the wrong length");
  call.sql.assign(text.begin(), text.end());
}

void TRequestDecoder::DescribeOld() {
  TCheckedCall& call = checker_.calls_.back();
  call.cursor = UB4();
  Expect(call.cursor != 0, "describing cursor 0");
  UB4();  // the columns known so far
  for (const uint32_t block : {32u, 960u}) {
    ExpectByte(1, "the old describe's 1");
    ExpectByte(1, "the old describe's 1");
    Expect(UB4() == block, "the old describe's block sizes");
  }
  ExpectByte(1, "the old describe's last 1");
}

TCheckedItem TRequestDecoder::Metadata() {
  TCheckedItem item;
  item.wireType = Byte();
  item.flags = Byte();
  ExpectByte(0, "a metadata record's third byte");
  ExpectByte(0, "a metadata record's fourth byte");
  item.maxLength = UB4();
  item.maxArray = UB4();
  Expect(UB4() == 0, "a metadata record's last integer");
  if (checker_.protocol_version_ >= 5) {
    ExpectByte(0, "a metadata record's tail");
    Expect(UB2() == 0 && UB2() == 0, "a metadata record's tail");
    item.charsetForm = Byte();
  }
  const int t = item.wireType;
  Expect(IsKnownWireType(t), "wire type " + std::to_string(t));
  Expect(item.charsetForm == 1 || (item.charsetForm == 2 && IsCharacterWire(t)),
         "character set form " + std::to_string(item.charsetForm) + " for wire type " + std::to_string(t));
  int expected = t == 0 ? 0x80 : 0x01;
  if (item.maxArray > 0) expected |= 0x40;
  if (t == 23) expected |= 0x02;
  if (t == 96) expected |= 0x20;
  Expect(item.flags == expected, "flags " + std::to_string(item.flags) + " for wire type " + std::to_string(t));
  return item;
}

bool TRequestDecoder::SentAfterRow(const TCheckedItem& item) const {
  const uint32_t longest = checker_.protocol_version_ >= 5 ? 4000 : 2000;
  return (item.wireType == 8 || item.wireType == 24) && item.maxArray == 0 && item.maxLength > longest;
}

TBytes TRequestDecoder::Element(const TCheckedItem& item) {
  const TBytes value = ClientBytes();
  const int t = item.wireType;
  const std::string what = "a value of " + std::to_string(value.size()) + " bytes for wire type " + std::to_string(t);
  if (t == 2) {
    Expect(value.size() <= 21, what);
  } else if (t == 102) {
    Expect(value.size() <= 3 && (value.empty() || value.size() == static_cast<size_t>(value[0]) + 1), what);
  } else if (IsDateTimeWire(t)) {
    Expect(value.size() <= 13, what);
  } else if (t != 112 && t != 113 && t != 114) {
    Expect(value.size() <= item.maxLength, what + " announced with at most " + std::to_string(item.maxLength));
  }
  return value;
}

// A bind row: every bind, or those the server's vector asks for; LONG
// values beyond the longest string after the others, chunked.
std::vector<TCheckedValue> TRequestDecoder::BindRow(const TCheckedCall& call, const std::vector<uint8_t>* vector) {
  ExpectByte(7, "a bind row's code");
  std::vector<TCheckedValue> row(call.binds.size());
  std::vector<size_t> after;
  for (size_t i = 0; i < call.binds.size(); ++i) {
    if (vector && !((*vector)[i] & 0x20)) continue;
    const TCheckedItem& bind = call.binds[i];
    row[i].sent = true;
    if (SentAfterRow(bind)) {
      after.push_back(i);
    } else if (bind.maxArray > 0) {
      const uint32_t count = UB4();
      Expect(count <= bind.maxArray, "an array of " + std::to_string(count) + " for " + std::to_string(bind.maxArray));
      for (uint32_t e = 0; e < count; ++e) row[i].elements.push_back(Element(bind));
    } else if (bind.wireType != 0) {
      row[i].elements.push_back(Element(bind));
    }
  }
  for (const size_t i : after) {
    const uint8_t first = Byte();
    Expect(first == 0 || first == 0xFE, "a LONG value after its row that is not chunked");
    const TBytes value = first == 0 ? TBytes{} : Chunks();
    Expect(value.size() <= call.binds[i].maxLength, "a LONG value longer than announced");
    row[i].elements.push_back(value);
  }
  for (size_t i = 0; i < row.size(); ++i) {
    if (!IsCharacterWire(call.binds[i].wireType)) continue;
    for (const TBytes& element : row[i].elements)
      row[i].stored.push_back(
          StoredText(element, checker_.client_charset_, checker_.database_charset_, call.binds[i].charsetForm));
  }
  return row;
}

void TRequestDecoder::AllInOne() {
  TCheckedCall& call = checker_.calls_.back();
  call.options = UB4();
  call.cursor = UB4();
  const uint32_t o = call.options;
  Expect((o & ~0x8479u) == 0, "options " + std::to_string(o));
  Expect(call.cursor != 0, "a call on cursor 0");
  const uint32_t textLength = FlagAndCount("the SQL text");
  for (int i = 0; i < 2; ++i) Expect(FlagAndCount("a reserved field") == 0, "a reserved field");
  ExpectByte(1, "the call's fixed 1");
  Expect(UB4() == 2, "the call's fixed 2");
  ExpectByte(0, "the call's fixed 0");
  const uint32_t defines = FlagAndCount("the define count");
  const uint32_t binds = FlagAndCount("the bind count");
  Expect((textLength > 0) == ((o & 0x01) != 0), "a text that does not match the parse option");
  Expect((defines > 0) == ((o & 0x10) != 0) && (!(o & 0x10) || (o & 0x40)), "defines that do not match the options");
  Expect((binds > 0) == ((o & 0x08) != 0) && (!(o & 0x08) || (o & 0x20)), "binds that do not match the options");
  Expect(!((o & 0x8000) && (o & 0x400)), "a call both a block and not");
  if (textLength > 0) {
    const TBytes text = ClientBytes();
    Expect(text.size() == textLength, "a text of " + std::to_string(text.size()) + " bytes announced as " +
                                          std::to_string(textLength));
    call.sql.assign(text.begin(), text.end());
  }
  for (int i = 0; i < 7; ++i) call.optionValues.push_back(UB4());
  const auto& v = call.optionValues;
  Expect(v[0] == 1 && std::all_of(v.begin() + 2, v.end(), [](uint32_t x) { return x == 0; }), "the option values");
  Expect(!(o & 0x40) || v[1] > 0, "a fetch of 0 rows");
  for (uint32_t i = 0; i < defines; ++i) call.defines.push_back(Metadata());
  for (uint32_t i = 0; i < binds; ++i) call.binds.push_back(Metadata());
  // A statement that is no block sends its bind rows with the call; a
  // block waits for the server's bind vector.
  if (binds == 0 || !(o & 0x8000)) return;
  const uint32_t rows = std::max<uint32_t>(v[1], 1);
  for (uint32_t r = 0; r < rows; ++r) call.rows.push_back(BindRow(call, nullptr));
}

// The bind rows that answer the server's bind vector: one per iteration of
// the call that drew it, holding the binds the vector asks for.
void TRequestDecoder::BindRowsAnswer() {
  auto& calls = checker_.calls_;
  Expect(!calls.empty() && calls.back().function == 71 && !calls.back().binds.empty(), "bind rows without a call");
  const std::vector<uint8_t>& vector = checker_.bind_vector_;
  TCheckedCall& call = calls.back();
  Expect(vector.size() == call.binds.size(), "bind rows without a bind vector of the call's binds");
  const uint32_t rows = std::max<uint32_t>(call.optionValues[1], 1);
  for (uint32_t r = 0; r < rows; ++r) call.rows.push_back(BindRow(call, &vector));
}

void TRequestDecoder::ReadServerReply() {
  try {
    switch (Byte()) {
      case 1: {
        checker_.protocol_version_ = Byte();
        Byte();
        while (Byte() != 0) {
        }
        const unsigned low = Byte();
        checker_.database_charset_ = static_cast<int>(low | (Byte() << 8));
        return;
      }
      case 11: {
        Byte();
        const int64_t count = checker_.protocol_version_ >= 5 ? ServerInt() : Byte();
        for (int i = 0; i < 3; ++i) ServerInt();
        checker_.bind_vector_.clear();
        for (int64_t i = 0; i < count; ++i) checker_.bind_vector_.push_back(Byte());
        return;
      }
      default:
        return;
    }
  } catch (const TBad&) {
    // A reply broken on purpose tells nothing.
  }
}

}  // namespace oranet::testing
