// The two negotiations that follow the TNS connect: the protocol version
// (message 1) and the data types with their representation (message 2).
#pragma once

#include "oranet/ttc_reader.h"
#include "oranet/ttc_writer.h"

namespace oranet {

struct TServerProtocol {
  int protocolVersion = 0;  // 4, 5 or 6
  int serverVersion = 0;    // 7230, 8030 or 8100
  int charsetId = 0;
};

void WriteProtocolRequest(TTtcWriter& writer);
// Unknown error 1 for another message, 444 for a protocol version the
// client does not speak.
TServerProtocol ReadProtocolReply(TTtcReader& reader);

// Switches the stream to byte-string mode 2.
void WriteDataTypeRequest(TTtcWriter& writer, TTnsConnection& tns, int clientCharsetId, int protocolVersion);
// Sets the negotiated representation.
void ReadDataTypeReply(TTtcReader& reader);

}  // namespace oranet
