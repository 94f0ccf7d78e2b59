#include "oranet/ttc_negotiation.h"

#include "oranet/net_errors.h"
#include "oranet/ttc_codes.h"
#include "oranet/ttc_type_table.h"

namespace oranet {

namespace {

constexpr uint8_t kOfferedVersions[] = {6, 5, 4, 3, 2, 1, 0};
constexpr char kClientName[] = "NET_TTC-8.1.0";  // sent with its terminating 0
constexpr int kBannerMax = 50;
constexpr int kCompileCapabilities = 21;
constexpr int kUnsupportedProtocol = 444;

int ServerVersionOf(int protocolVersion) {
  switch (protocolVersion) {
    case 4:
      return kServer7230;
    case 5:
      return kServer8030;
    case 6:
      return kServer8100;
    default:
      throw ENetUnknownError(kUnsupportedProtocol);
  }
}

// A 16-bit length that is always sent big-endian and uncompressed.
int ReadFixedBigEndian16(TTtcReader& reader) {
  TRepresentation& rep = reader.Connection().Representation();
  const uint8_t saved = rep.R[1];
  rep.R[1] = 0;
  try {
    const int value = reader.ReadUB2();
    rep.R[1] = saved;
    return value;
  } catch (...) {
    rep.R[1] = saved;
    throw;
  }
}

void SkipCounted(TTtcReader& reader) { reader.Skip(reader.ReadUB1()); }

}  // namespace

void WriteProtocolRequest(TTtcWriter& writer) {
  writer.WriteUB1(kTtcProtocol);
  writer.WriteRaw(kOfferedVersions, sizeof kOfferedVersions);
  writer.WriteRaw(reinterpret_cast<const uint8_t*>(kClientName), sizeof kClientName);
}

TServerProtocol ReadProtocolReply(TTtcReader& reader) {
  reader.ExpectCode(kTtcProtocol);
  TServerProtocol server;
  server.protocolVersion = reader.ReadUB1();
  reader.Skip(1);
  reader.ReadZeroTerminated(kBannerMax);
  server.serverVersion = ServerVersionOf(server.protocolVersion);
  server.charsetId = reader.ReadUB2();
  reader.Skip(1);  // server flags
  reader.Skip(static_cast<int64_t>(reader.ReadUB2()) * 5);
  if (server.protocolVersion >= 5) reader.Skip(ReadFixedBigEndian16(reader));
  if (server.protocolVersion >= 6) {
    SkipCounted(reader);
    SkipCounted(reader);
  }
  return server;
}

void WriteDataTypeRequest(TTtcWriter& writer, TTnsConnection& tns, int clientCharsetId, int protocolVersion) {
  writer.WriteUB1(kTtcDataTypes);
  writer.WriteUB2(static_cast<uint16_t>(clientCharsetId));
  writer.WriteUB2(static_cast<uint16_t>(clientCharsetId));
  tns.SetByteStringMode(2);
  writer.WriteUB1(2);  // flags
  if (protocolVersion >= 6) {
    uint8_t capabilities[kCompileCapabilities] = {};
    capabilities[17] = 3;
    writer.WriteUB1(kCompileCapabilities);
    writer.WriteRaw(capabilities, kCompileCapabilities);
    writer.WriteUB1(1);  // one run-time capability
    writer.WriteUB1(2);
  }
  writer.WriteRaw(TtcTypeTable(), kTtcTypeTableSize);
}

void ReadDataTypeReply(TTtcReader& reader) {
  reader.ExpectCode(kTtcDataTypes);
  bool lastWasZero = false;
  for (;;) {
    const bool zero = reader.ReadUB1() == 0;
    if (zero && lastWasZero) break;
    lastWasZero = zero;
  }
  reader.Connection().Representation().SetNegotiated();
}

}  // namespace oranet
