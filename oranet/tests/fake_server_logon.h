// The fake server's script of a connect and logon up to the answer to the
// logon's second phase, followed by what the test needs next.
#pragma once

#include <initializer_list>

#include "oranet/tests/fake_server.h"
#include "oranet/tests/logon_replies.h"

namespace oranet::testing {

// `charset` is the database's character set the server announces.
inline TFakeScript LogonThen(const TBytes& phase2, std::initializer_list<TFakeStep> then, uint16_t charset = 873) {
  TFakeScript script{TFakeStep::Expect(kTnsConnect), TFakeStep::SendRaw(AcceptPacket()),
                     TFakeStep::Expect(kTnsData),    TFakeStep::SendRaw(DataPacket(ProtocolReply(6, charset))),
                     TFakeStep::Expect(kTnsData),    TFakeStep::SendRaw(DataPacket(DataTypeReply())),
                     TFakeStep::Expect(kTnsData),    TFakeStep::SendRaw(DataPacket(Phase1Reply("0123456789ABCDEF"))),
                     TFakeStep::Expect(kTnsData),    TFakeStep::SendRaw(DataPacket(phase2))};
  script.insert(script.end(), then.begin(), then.end());
  return script;
}

}  // namespace oranet::testing
