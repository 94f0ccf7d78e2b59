// What the fake server answers to a statement's calls after a logon, as
// the network client reads them: status messages with their statement
// fields, row headers and rows, bind vectors, describe replies, and the
// four exchanges of a LOB block (open cursor, the call, the bind row the
// server asks for, close cursor).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "oranet/tests/fake_server.h"
#include "oranet/tests/logon_replies.h"
#include "oranet/value_number.h"

namespace oranet::testing {

// An integer after negotiation: a length byte, then its bytes, most
// significant first (0 is the single byte 0).
inline TBytes Int(uint64_t value) {
  TBytes digits;
  for (uint64_t rest = value; rest != 0; rest >>= 8) digits.insert(digits.begin(), static_cast<uint8_t>(rest));
  TBytes bytes{static_cast<uint8_t>(digits.size())};
  bytes.insert(bytes.end(), digits.begin(), digits.end());
  return bytes;
}

struct TStatusFields {
  uint64_t rowCount = 0;
  int error = 0;
  std::string text;
  int cursorId = 0;
  int errorPosition = 0;
  int statementKind = 0;
};

inline TBytes Status(const TStatusFields& f) {
  TBytes m = Concat({Hex("04"),
                     Int(f.rowCount),
                     Int(static_cast<uint64_t>(f.error)),
                     Hex("00 00"),
                     Int(static_cast<uint64_t>(f.cursorId)),
                     Int(static_cast<uint64_t>(f.errorPosition)),
                     {static_cast<uint8_t>(f.statementKind)},
                     TBytes(5 + 5 + 5, 0)});
  if (f.error != 0) m = Concat({m, {static_cast<uint8_t>(f.text.size())}, Bytes(f.text)});
  return m;
}

// A status without error after `rows` rows.
inline TBytes Done(uint64_t rows) {
  TStatusFields f;
  f.rowCount = rows;
  return Status(f);
}

// The open cursor's answer names the new cursor.
inline TBytes CursorOpened(int cursorId) { return Status({0, 0, "", cursorId, 0, 0}); }

inline TBytes RowHeader() { return Hex("06 00 00 00 00 00"); }

// A value of a row: its bytes (chunked from 253 bytes on) and a return
// code of 0.
inline TBytes Value(const TBytes& bytes) {
  TBytes v;
  if (bytes.empty()) {
    v = {0};
  } else if (bytes.size() < 253) {
    v = Concat({{static_cast<uint8_t>(bytes.size())}, bytes});
  } else {
    v = {0xFE};
    for (size_t at = 0; at < bytes.size(); at += 200) {
      const size_t n = std::min<size_t>(200, bytes.size() - at);
      v.push_back(static_cast<uint8_t>(n));
      v.insert(v.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
               bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    v.push_back(0);
  }
  return Concat({v, Hex("00")});
}
inline TBytes NullValue() { return Value({}); }
inline TBytes TextValue(const std::string& text) { return Value(Bytes(text)); }
// A LOB column's value on protocol 6: a non-zero word, then the locator.
inline TBytes LocatorValue(const TBytes& locator) { return Concat({Int(locator.size()), Value(locator)}); }

// The NUMBER bytes the server sends for an integer or a double.
inline TBytes NumberBytes(const OCINumber& n) {
  return TBytes(n.OCINumberPart + 1, n.OCINumberPart + 1 + n.OCINumberPart[0]);
}
inline TBytes IntNumber(int64_t value) {
  OCINumber n{};
  NumberFromInt(value, n);
  return NumberBytes(n);
}
inline TBytes RealNumber(double value) {
  OCINumber n{};
  NumberFromReal(value, n);
  return NumberBytes(n);
}

inline TBytes Row(std::initializer_list<TBytes> values) {
  TBytes row{7};
  for (const TBytes& v : values) row.insert(row.end(), v.begin(), v.end());
  return row;
}

// A bind vector (servers from 8000): one flag per bind, 0x20 asks for
// the value, 0x10 returns it.
inline TBytes BindVector(const std::vector<uint8_t>& flags) {
  return Concat({Hex("0B 00"), Int(flags.size()), Hex("00 00 00"), TBytes(flags.begin(), flags.end())});
}

struct TColumnFields {
  int wireType;
  int size;
  int precision = 0;
  int scale = 0;
  bool nullable = true;
  std::string name;
  int charsetForm = 0;  // 2: NCHAR, NVARCHAR2, NCLOB
};

// A describe reply (servers from 8000), ended by its end of call.
inline TBytes DescribeReply(const std::vector<TColumnFields>& columns) {
  TBytes m = Concat({Hex("08"), Int(columns.size())});
  for (const TColumnFields& c : columns) {
    m = Concat({m,
                {static_cast<uint8_t>(c.wireType), 0, static_cast<uint8_t>(c.precision)},
                c.wireType == 2 ? Int(static_cast<uint64_t>(c.scale)) : TBytes{static_cast<uint8_t>(c.scale)},
                Int(static_cast<uint64_t>(c.size)),
                Hex("00 00  00 00 00"),
                {static_cast<uint8_t>(c.charsetForm)},
                {static_cast<uint8_t>(c.nullable)},
                Hex("00"),
                {static_cast<uint8_t>(c.name.size())},
                Bytes(c.name)});
  }
  return Concat({m, Hex("09")});
}

inline TBytes EndOfCall() { return Hex("09"); }

// One exchange: the client's request, the server's answer (in DATA
// packets that fit the client's buffer).
inline std::vector<TFakeStep> Exchange(const TBytes& answer) {
  std::vector<TFakeStep> steps{TFakeStep::ExpectBurst(kTnsData)};
  for (size_t at = 0; at < answer.size(); at += 2000) {
    const size_t n = std::min<size_t>(2000, answer.size() - at);
    steps.push_back(TFakeStep::SendRaw(DataPacket(TBytes(answer.begin() + static_cast<std::ptrdiff_t>(at),
                                                         answer.begin() + static_cast<std::ptrdiff_t>(at + n)))));
  }
  return steps;
}

inline void Append(TFakeScript& script, const std::vector<TFakeStep>& steps) {
  script.insert(script.end(), steps.begin(), steps.end());
}

// A LOB block: the cursor opens, the call is answered with `vector`; when
// it asks for values the bind row comes, answered with `outRow` (may be
// empty) and `status`; then the cursor closes.
inline void AppendBlock(TFakeScript& script, int cursorId, const std::vector<uint8_t>& vector, const TBytes& outRow,
                        const TStatusFields& status = TStatusFields()) {
  Append(script, Exchange(CursorOpened(cursorId)));
  Append(script, Exchange(BindVector(vector)));
  Append(script, Exchange(Concat({outRow, Status(status)})));
  Append(script, Exchange(EndOfCall()));
}

// A session with a character set asks the server for its settings at
// connect: a block returning the server's release, then one whose bind
// vector asks for the set's name and returns the character length, the
// five formats and the set's id (`charsetId`); each cursor closes after
// its block.
inline void AppendSessionSettings(TFakeScript& script, int cursorId, int64_t charsetId = 871) {
  Append(script, Exchange(CursorOpened(cursorId)));
  Append(script, Exchange(Concat({BindVector({0x10}), Row({Value(Bytes("9.2.0.1.0"))}), Done(1)})));
  Append(script, Exchange(EndOfCall()));
  Append(script, Exchange(CursorOpened(cursorId)));
  Append(script, Exchange(BindVector({0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x20, 0x10})));
  Append(script, Exchange(Concat({Row({Value(IntNumber(1)), Value(Bytes("AMERICAN")), Value(Bytes("DD-MON-RR")),
                                       Value(Bytes(".,")), Value(Bytes("DD-MON-RR HH.MI.SSXFF AM")),
                                       Value(Bytes("DD-MON-RR HH.MI.SSXFF AM TZR")), Value(IntNumber(charsetId))}),
                                  Done(1)})));
  Append(script, Exchange(EndOfCall()));
}

}  // namespace oranet::testing
