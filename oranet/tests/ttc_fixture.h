// A connected TTnsConnection on the scripted transport with a message
// writer and reader, for the byte-exact message tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
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

  // The server's next DATA packets: as many as a payload of this length
  // needs within the session data unit.
  void ServerSays(const TBytes& payload) {
    const size_t most = static_cast<size_t>(tns->SDU() - kTnsDataOffset);
    for (size_t at = 0; at == 0 || at < payload.size(); at += most)
      net->Feed(DataPacket(TBytes(payload.begin() + static_cast<std::ptrdiff_t>(at),
                                  payload.begin() + static_cast<std::ptrdiff_t>(std::min(payload.size(), at + most)))));
  }
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
