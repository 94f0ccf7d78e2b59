#include "oranet/logon_call.h"

#include "oracle/oci_defs.h"
#include "oranet/crypt_password.h"
#include "oranet/net_errors.h"
#include "oranet/ttc_codes.h"

namespace oranet {

namespace {

// Fixed values of the body that servers expect as they stand.
constexpr uint32_t kLogonFixed4096 = 4096;
constexpr uint32_t kLogonFixed16 = 16;

// A text as the call sends it: announced by a flag and its length in the
// body, written after the body.
void Announce(TTtcWriter& writer, const dacore::TBytes& bytes) {
  writer.WriteFlag(!bytes.empty());
  writer.WriteUB4(static_cast<uint32_t>(bytes.size()));
}

}  // namespace

int LogonModeOf(int ociMode) {
  if (ociMode == static_cast<int>(oracle::OCI_SYSDBA)) return 8;
  if (ociMode == static_cast<int>(oracle::OCI_SYSOPER)) return 16;
  return 0;
}

void WriteLogonCall(TTtcWriter& writer, TLogonPhase phase, const std::string& user, const std::string& passwordText,
                    int ociMode, const TClientIdentity& identity) {
  const dacore::Encoding& encoding = writer.TextEncoding();
  const dacore::TBytes texts[] = {encoding.GetBytesAnsi(user),
                                  encoding.GetBytesAnsi(passwordText),
                                  encoding.GetBytesAnsi(identity.computer),
                                  encoding.GetBytesAnsi(identity.machine),
                                  encoding.GetBytesAnsi(identity.osUser),
                                  encoding.GetBytesAnsi(identity.process),
                                  encoding.GetBytesAnsi(identity.program)};
  const uint8_t phaseByte = phase == TLogonPhase::kUser ? 1 : 0;
  WriteFunctionHeader(writer, phase == TLogonPhase::kUser ? kTtcLogonPhase1 : kTtcLogonPhase2);
  Announce(writer, texts[0]);
  Announce(writer, texts[1]);
  writer.WriteUB4(0);
  writer.WriteUB4(static_cast<uint32_t>(LogonModeOf(ociMode)));
  writer.WriteUB4(0);
  writer.WriteUB1(0);
  Announce(writer, texts[2]);
  Announce(writer, texts[3]);
  Announce(writer, texts[4]);
  writer.WriteUB4(kLogonFixed4096);
  Announce(writer, texts[5]);
  Announce(writer, texts[6]);
  writer.WriteUB2(0);
  writer.WriteUB4(0);
  writer.WriteUB1(0);
  writer.WriteUB4(0);
  writer.WriteUB1(phaseByte);
  writer.WriteUB4(kLogonFixed16);
  writer.WriteUB1(phaseByte);
  for (const dacore::TBytes& text : texts) writer.WriteByteArray(text);
}

TTtcStatus ReadLogonReply(TTtcReader& reader, TLogonPhase phase, std::string& sessionKeyText) {
  bool keyRead = false;
  for (;;) {
    switch (reader.ReadUB1()) {
      case kTtcReturnParameters: {
        if (phase != TLogonPhase::kUser || keyRead) throw ENetUnknownError(1);
        reader.ReadUB2();  // the count of values, always one
        const dacore::TBytes key = reader.ReadCountedBytes(kSessionKeyTextLength);
        sessionKeyText.assign(key.begin(), key.end());
        CheckSessionKeyText(sessionKeyText);
        keyRead = true;
        break;
      }
      case kTtcStatus:
        return ReadStatusBody(reader);
      case kTtcWarning:
        ReadWarningBody(reader);
        return TTtcStatus{};
      default:
        throw ENetUnknownError(1);
    }
  }
}

}  // namespace oranet
