#include "oranet/fuzz/fuzz_targets.h"

#include <algorithm>
#include <memory>

#include "classlib/exceptions.h"
#include "oranet/logon_call.h"
#include "oranet/logon_connect.h"
#include "oranet/tests/scripted_transport.h"
#include "oranet/tests/test_packets.h"
#include "oranet/tns_connection.h"
#include "oranet/ttc_negotiation.h"
#include "oranet/ttc_reader.h"
#include "oranet/ttc_status.h"

namespace oranet::fuzz {

namespace {

using testing::TScriptedTransport;

struct Session {
  TScriptedTransport* net;
  std::unique_ptr<TTnsConnection> tns;

  Session() {
    auto transport = std::make_unique<TScriptedTransport>();
    net = transport.get();
    tns = std::make_unique<TTnsConnection>(std::move(transport));
  }
};

// The server accepts the connect, then says `data` as DATA packets.
void FeedAcceptAndPayload(Session& s, const uint8_t* data, size_t size) {
  s.net->Feed(testing::AcceptPacket());
  const size_t payload = 2048 - kTnsDataOffset;
  for (size_t at = 0; at < size; at += payload) {
    const size_t n = std::min(payload, size - at);
    s.net->Feed(testing::DataPacket(dacore::TBytes(data + at, data + at + n)));
  }
}

// A whole connect and logon; how far it got.
Reached RunConnect(Session& s) {
  TLogonRequest request;
  request.user = "scott";
  request.password = "tiger";
  request.identity = TClientIdentity{"HOST", "DOM\\HOST", "alice", "1:2", "fuzz"};
  TLogonSession session;
  try {
    NetConnect(*s.tns, request, session);
    return Reached::kMessages;
  } catch (const classlib::Exception&) {
    return session.server.serverVersion != 0 ? Reached::kNegotiated : Reached::kNothing;
  }
}

// Runs one field or message reader, chosen by `op`.
void ReadOne(TTtcReader& r, uint8_t op) {
  switch (op % 10) {
    case 0: r.ReadUB2(); break;
    case 1: r.ReadUB4(); break;
    case 2: r.ReadChunkedBytes(); break;
    case 3: r.ReadTtcString(); break;
    case 4: r.ReadCountedBytes(op / 10); break;
    case 5: r.ReadZeroTerminated(50); break;
    case 6: ReadStatusBody(r); break;
    case 7: ReadWarningBody(r); break;
    case 8: ReadSimpleReply(r); break;
    default: r.Skip(r.ReadUB1()); break;
  }
}

}  // namespace

Reached RunPacketReader(const uint8_t* data, size_t size) {
  if (size == 0) return Reached::kNothing;
  Session s;
  s.net->Feed(data + 1, size - 1);
  Reached reached = Reached::kNothing;
  try {
    s.tns->Connect("db", 1521, 0, "orcl");
    reached = Reached::kConnected;
    if (data[0] & 1) s.tns->Representation().SetNegotiated();
    uint8_t byte = 0;
    for (;;) {
      s.tns->ReadData(&byte, 0, 1);
      reached = Reached::kMessages;
    }
  } catch (const classlib::Exception&) {
  }
  return reached;
}

Reached RunTtcReader(const uint8_t* data, size_t size) {
  if (size == 0) return Reached::kNothing;
  Session s;
  FeedAcceptAndPayload(s, data + 1, size - 1);
  const uint8_t flags = data[0];
  Reached reached = Reached::kNothing;
  try {
    s.tns->Connect("db", 1521, 0, "orcl");
    s.tns->SetConversionFlag(flags & 1);
    if (flags & 2) s.tns->SetByteStringMode(2);
    TTtcReader reader(*s.tns);
    if (flags & 4) {
      if (flags & 8) s.tns->Representation().SetNegotiated();
    } else {
      ReadProtocolReply(reader);
      ReadDataTypeReply(reader);
      reached = Reached::kNegotiated;
    }
    for (;;) {
      ReadOne(reader, reader.ReadUB1());
      reached = Reached::kMessages;
    }
  } catch (const classlib::Exception&) {
  }
  return reached;
}

Reached RunLogonReader(const uint8_t* data, size_t size) {
  if (size == 0) return Reached::kNothing;
  Session s;
  FeedAcceptAndPayload(s, data + 1, size - 1);
  const uint8_t flags = data[0];
  if (flags & 1) return RunConnect(s);
  Reached reached = Reached::kNothing;
  try {
    s.tns->Connect("db", 1521, 0, "orcl");
    s.tns->Representation().SetNegotiated();
    s.tns->SetByteStringMode(2);
    s.tns->SetConversionFlag(flags & 2);
    const TLogonPhase phase = flags & 4 ? TLogonPhase::kPassword : TLogonPhase::kUser;
    TTtcReader reader(*s.tns);
    std::string key;
    for (;;) {
      ReadLogonReply(reader, phase, key);
      reached = Reached::kMessages;
    }
  } catch (const classlib::Exception&) {
  }
  return reached;
}

}  // namespace oranet::fuzz
