#include "oranet/ttc_status.h"

#include "oranet/net_errors.h"
#include "oranet/ttc_codes.h"

namespace oranet {

TTtcStatus ReadStatusBody(TTtcReader& r) {
  TTtcStatus s;
  s.rowCount = r.ReadUB4();
  s.errorNumber = r.ReadUB2();
  r.ReadUB2();
  r.ReadUB2();
  s.cursorId = r.ReadUB2();
  s.errorPosition = r.ReadUB2();
  s.statementKind = r.ReadUB1();
  r.ReadUB1();
  r.ReadUB2();
  r.ReadUB2();
  r.ReadUB1();
  r.ReadUB1();
  s.rowid.objectId = static_cast<uint32_t>(r.ReadUB4());
  s.rowid.file = static_cast<uint16_t>(r.ReadUB2());
  s.rowid.part = r.ReadUB1();
  s.rowid.block = static_cast<uint32_t>(r.ReadUB4());
  s.rowid.slot = static_cast<uint16_t>(r.ReadUB2());
  r.ReadUB4();
  r.ReadUB1();
  r.ReadUB1();
  r.ReadUB2();
  r.ReadUB4();
  if (s.errorNumber != 0) s.errorText = r.ReadTtcString();
  return s;
}

void ReadWarningBody(TTtcReader& r) {
  const int code = r.ReadUB2();
  const int length = r.ReadUB2();
  r.ReadUB2();  // flags
  if (code != 0 && length != 0) r.ReadTtcString();
  r.Connection().SkipRestOfPacket();
}

TTtcStatus ReadSimpleReply(TTtcReader& r) {
  switch (r.ReadUB1()) {
    case kTtcStatus:
      return ReadStatusBody(r);
    case kTtcEndOfCall:
      return TTtcStatus{};
    default:
      throw ENetUnknownError(1);
  }
}

}  // namespace oranet
