// What the fake server checks of every request it receives, against the
// layouts it serves: the TNS packets (header fields, the CONNECT packet and
// its connect data, markers, DATA packets within the agreed session data
// unit) and, at the message level, every two-task message a client sends
// (negotiations, logon calls, function calls with their counts, metadata
// records and bind rows read by the metadata). It also reads from the
// server's own replies what the next request depends on: the protocol
// version, the accepted SDU, the cursors opened and the bind vectors.
// What it decoded of each call is kept for the tests to assert.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dacore/util_bytes.h"

namespace oranet::testing {

using dacore::TBytes;

// How deep the checks go: packets only (for tests that write raw bytes
// into the data stream), or packets and messages.
enum class TRequestChecks { kPackets, kMessages };

// A bind or define as its metadata record announced it.
struct TCheckedItem {
  int wireType = 0;
  int flags = 0;
  uint32_t maxLength = 0;
  uint32_t maxArray = 0;
  int charsetForm = 1;  // 1 implicit, 2 national
};

// A bind's value in one row: its elements (one for a plain bind, the
// array's for an array bind); an empty element is null. `sent` is false
// for a bind the server did not ask for.
// `stored` holds, for a character value, the text the server keeps of
// each element (fake_server_charsets.h), as UTF-8.
struct TCheckedValue {
  bool sent = false;
  std::vector<TBytes> elements;
  std::vector<std::string> stored;
};

// What a request held: a function call with what it announced, and the
// bind rows that came with it or answered the server's bind vector.
struct TCheckedCall {
  int function = 0;
  uint32_t options = 0;
  uint32_t cursor = 0;
  std::string sql;
  std::vector<uint32_t> optionValues;
  std::vector<TCheckedItem> defines;
  std::vector<TCheckedItem> binds;
  std::vector<std::vector<TCheckedValue>> rows;  // rows[row][bind]
  std::vector<std::string> logonTexts;           // user, password text, identity
};

class TRequestChecker {
 public:
  explicit TRequestChecker(TRequestChecks checks) : checks_(checks) {}

  // A whole packet the client sent.
  void ClientPacket(const TBytes& packet);
  // Bytes the server sent (whole packets, or broken ones, which are not
  // read): the end of the client's request.
  void ServerBytes(const TBytes& bytes);
  // The connection ends: what the client sent last is checked too.
  void EndOfConnection();

  std::vector<std::string> TakeFailures();
  const std::vector<TCheckedCall>& Calls() const { return calls_; }
  // The character set the client announced (the database's when it named
  // none): the set the server sends text in.
  int AnnouncedCharset() const { return client_charset_ != 0 ? client_charset_ : database_charset_; }

 private:
  void CheckConnect(const TBytes& packet);
  void CheckData(const TBytes& packet);
  void CheckRequest();
  void ReadServerPayload(const TBytes& payload);
  void Fail(const std::string& what);

  TRequestChecks checks_;
  std::vector<std::string> failures_;
  std::vector<TCheckedCall> calls_;
  // The connection as the packets so far left it.
  int offered_sdu_ = 0;
  int agreed_sdu_ = 0;
  bool accepted_ = false;
  bool last_packet_seen_ = false;
  int connect_data_due_ = 0;  // long connect data still to come in a DATA packet
  // The request being gathered: its payload and the length of each packet.
  TBytes request_;
  std::vector<int> request_packets_;
  int requests_ = 0;
  // What the message level learned: the protocol version, the database's
  // character set (the server's protocol reply) and the client's (its
  // data-type request, 0: the database's), whether the data-type
  // negotiation is done, and the last bind vector the server sent.
  int protocol_version_ = 6;
  int database_charset_ = 0;
  int client_charset_ = 0;
  bool negotiated_ = false;
  std::vector<uint8_t> bind_vector_;
  bool reply_started_ = false;

  friend class TRequestDecoder;
};

}  // namespace oranet::testing
