// The message level of the fake server's checks: reads a request the way
// the server reads it, by the layouts the fake server serves, and says
// what is wrong with it; reads from the start of a server reply what the
// next request depends on.
#pragma once

#include <cstdint>
#include <string>

#include "oranet/tests/fake_server_checks.h"

namespace oranet::testing {

class TRequestDecoder {
 public:
  TRequestDecoder(TRequestChecker& checker, const TBytes& bytes) : checker_(checker), bytes_(bytes) {}

  // Empty when the request reads whole and as laid out; else what is wrong.
  std::string Run();
  // The protocol version of a protocol reply, the flags of a bind vector.
  void ReadServerReply();

 private:
  struct TBad {
    std::string what;
  };
  [[noreturn]] void Bad(const std::string& what) const;
  void Expect(bool ok, const std::string& what) const {
    if (!ok) Bad(what);
  }

  // The client's encodings.
  uint8_t Byte();
  void ExpectByte(uint8_t value, const std::string& what);
  uint32_t UB4();
  // A 16-bit value as the client writes it: 0 alone, else low byte first.
  unsigned UB2();
  // A flag and the count it announces.
  uint32_t FlagAndCount(const std::string& what);
  // A byte string: a length byte (at most 64), or 0xFE, chunks of 1 to 64
  // bytes after their length, and a 0.
  TBytes ClientBytes();
  TBytes Chunks();
  // A compressed integer as the server writes it.
  int64_t ServerInt();

  void ProtocolRequest();
  void DataTypeRequest();
  void FunctionCall();
  void Logon(int function);
  void AllInOne();
  void Describe();
  void DescribeOld();
  TCheckedItem Metadata();
  std::vector<TCheckedValue> BindRow(const TCheckedCall& call, const std::vector<uint8_t>* vector);
  TBytes Element(const TCheckedItem& item);
  void BindRowsAnswer();
  bool SentAfterRow(const TCheckedItem& item) const;

  TRequestChecker& checker_;
  const TBytes& bytes_;
  size_t pos_ = 0;
};

}  // namespace oranet::testing
