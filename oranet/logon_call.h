// The two logon calls and their replies. Phase 1 names the user and gets
// the session key text; phase 2 sends the password encrypted under the
// session key.
#pragma once

#include <string>

#include "oranet/logon_identity.h"
#include "oranet/ttc_reader.h"
#include "oranet/ttc_status.h"
#include "oranet/ttc_writer.h"

namespace oranet {

enum class TLogonPhase { kUser = 1, kPassword = 2 };

// The logon mode the call carries for an OCI session mode.
int LogonModeOf(int ociMode);

// Writes the logon call of a phase: the function header and its body.
// passwordText is empty in phase 1.
void WriteLogonCall(TTtcWriter& writer, TLogonPhase phase, const std::string& user, const std::string& passwordText,
                    int ociMode, const TClientIdentity& identity);

// Reads the reply of a logon call up to its status or warning, which gives
// the result. In phase 1 the server's session key text is kept in
// sessionKeyText; it must be exactly 16 hexadecimal digits (Unknown error
// 210 when empty, 106 otherwise). A second key, or one in phase 2, and any
// other message are Unknown error 1.
TTtcStatus ReadLogonReply(TTtcReader& reader, TLogonPhase phase, std::string& sessionKeyText);

}  // namespace oranet
