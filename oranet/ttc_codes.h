// The codes of the two-task messages inside the DATA stream: each message
// starts with one of the message codes; a function call names its function.
#pragma once

namespace oranet {

enum TtcMessageCode : int {
  kTtcProtocol = 1,
  kTtcDataTypes = 2,
  kTtcFunctionCall = 3,
  kTtcStatus = 4,
  kTtcRowHeader = 6,
  kTtcRowData = 7,
  kTtcReturnParameters = 8,
  kTtcEndOfCall = 9,
  kTtcBindVector = 11,
  kTtcWarning = 15,
};

enum TtcFunctionCode : int {
  kTtcOpenCursor = 2,
  kTtcCloseCursor = 8,
  kTtcLogOff = 9,
  kTtcCommit = 14,
  kTtcRollback = 15,
  kTtcDescribeOld = 43,   // servers before 8.0
  kTtcExecute = 71,       // parse, bind, execute and fetch in one call
  kTtcLogonPhase2 = 81,
  kTtcLogonPhase1 = 82,
  kTtcDescribeText = 98,  // with sub-code 7, servers from 8.0
};

// Server versions as the protocol negotiation reports them.
enum TtcServerVersion : int { kServer7230 = 7230, kServer8030 = 8030, kServer8100 = 8100 };

}  // namespace oranet
