// A connected TTnsConnection on the scripted transport with a message
// writer and reader, for the byte-exact message tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "oranet/net_errors.h"
#include "oranet/tests/expect_error.h"
#include "oranet/tests/scripted_transport.h"
#include "oranet/tests/test_packets.h"
#include "oranet/tns_connection.h"
#include "oranet/ttc_reader.h"
#include "oranet/ttc_writer.h"

namespace oranet::testing {

class TtcTest : public ::testing::Test {
 protected:
  TtcTest() {
    auto transport = std::make_unique<TScriptedTransport>();
    net = transport.get();
    tns = std::make_unique<TTnsConnection>(std::move(transport));
    net->Feed(AcceptPacket());
    tns->Connect("db", 1521, 0, "orcl");
    writer = std::make_unique<TTtcWriter>(*tns);
    reader = std::make_unique<TTtcReader>(*tns);
  }

  // The server's next DATA packet.
  void ServerSays(const TBytes& payload) { net->Feed(DataPacket(payload)); }
  void Negotiated() { tns->Representation().SetNegotiated(); }

  // Sends what was written and returns its payload.
  TBytes Written() {
    tns->FlushData(0);
    const TBytes& packet = net->Sent().back();
    return TBytes(packet.begin() + kTnsDataOffset, packet.end());
  }

  TScriptedTransport* net;
  std::unique_ptr<TTnsConnection> tns;
  std::unique_ptr<TTtcWriter> writer;
  std::unique_ptr<TTtcReader> reader;
};

template <class Call>
void ExpectUnknownError(int code, Call call) {
  ExpectErrorCode<ENetUnknownError>(code, call);
}

}  // namespace oranet::testing
