// What a server answers during a connect and logon, after the TNS accept:
// the negotiation replies, the session key of phase 1 and the status that
// ends each phase. For the scripted transport, the fake server and the
// fuzz seeds.
#pragma once

#include <string>

#include "oranet/tests/test_packets.h"

namespace oranet::testing {

// The data-type reply that follows ProtocolReply (test_packets.h).
inline TBytes DataTypeReply() { return Hex("02 01 00 01 02 00 00"); }

// A status message after negotiation: no rows, error `error` (0: none)
// with its text.
inline TBytes StatusMessage(int error, const std::string& text = "") {
  TBytes message = Hex("04 00");
  if (error == 0) {
    message.push_back(0);
  } else {
    message = Concat({message, Hex("02"), {static_cast<uint8_t>(error >> 8), static_cast<uint8_t>(error)}});
  }
  message = Concat({message, TBytes(10 + 5 + 5, 0)});
  if (error != 0) message = Concat({message, {static_cast<uint8_t>(text.size())}, Bytes(text)});
  return message;
}

// Return parameters with the session key text, counted by its length byte.
inline TBytes SessionKeyMessage(const std::string& keyText) {
  return Concat({Hex("08 01 01"), {static_cast<uint8_t>(keyText.size())}, Bytes(keyText)});
}

// Phase 1's answer: the key, then a status without error.
inline TBytes Phase1Reply(const std::string& keyText) {
  return Concat({SessionKeyMessage(keyText), StatusMessage(0)});
}

inline const char* kWrongPasswordText = "ORA-01017: invalid username/password; logon denied\n";

}  // namespace oranet::testing
