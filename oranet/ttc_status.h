// The server's status message (code 4) that ends a call, its warning
// (code 15), and the reply of the calls that return nothing else.
#pragma once

#include <cstdint>
#include <string>

#include "oranet/ttc_reader.h"

namespace oranet {

// The ROWID of the last row a statement touched.
struct TTtcRowid {
  uint32_t objectId = 0;
  uint16_t file = 0;
  uint8_t part = 0;
  uint32_t block = 0;
  uint16_t slot = 0;
};

struct TTtcStatus {
  int64_t rowCount = 0;
  int errorNumber = 0;
  int cursorId = 0;
  int errorPosition = 0;
  int statementKind = 0;
  TTtcRowid rowid;
  std::string errorText;  // empty when errorNumber is 0

  // The call's result: 0, or -1 for a server error.
  int Result() const { return errorNumber == 0 ? 0 : -1; }
};

// Reads a status message after its code.
TTtcStatus ReadStatusBody(TTtcReader& reader);
// Reads a warning message after its code and drops the rest of its
// packet; the call's result is 0.
void ReadWarningBody(TTtcReader& reader);
// Commit, rollback, log off and close: messages until a status (its result
// is the call's) or an end of call (result 0).
TTtcStatus ReadSimpleReply(TTtcReader& reader);

}  // namespace oranet
