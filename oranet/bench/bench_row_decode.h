// The floor of any client for the direct-mode fetch benchmark: a straight
// loop over the DATA packets of a fetch reply that decodes each row's six
// values (NUMBER(18), NUMBER(10,2), VARCHAR2(100), CHAR(10), DATE, RAW(16))
// into machine types and keeps the row, with no handles, defines or
// conversions chosen at run time. The CHAR column loses its padding blanks,
// as the query's field gives it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace oranet::bench {

struct TBenchRow {
  int64_t id = 0;
  double amount = 0;
  std::string name;
  std::string code;
  double created = 0;  // days since 1899-12-30, the time of day as the fraction
  std::array<uint8_t, 16> tag{};
  uint8_t tag_size = 0;
  uint8_t nulls = 0;  // bit c: column c is NULL
};

class TRowBlockDecoder {
 public:
  // Appends the rows of one reply (whole TNS packets: a row header, rows,
  // then a status) to `rows`; false when the reply is not such a block.
  bool Decode(std::span<const uint8_t> packets, std::vector<TBenchRow>& rows);

 private:
  std::vector<uint8_t> payload_;  // the packets' data, reused from reply to reply
  std::vector<uint8_t> chunks_;   // a value sent in chunks, gathered
};

}  // namespace oranet::bench
