#include "oranet/logon_connect.h"

#include "classlib/numconv.h"
#include "oranet/crypt_password.h"
#include "oranet/logon_call.h"

namespace oranet {

namespace {

constexpr int kLongestString8 = 4000;
constexpr int kLongestString7 = 2000;
constexpr int kServerVersion8 = 8000;

void Negotiate(TTnsConnection& tns, TTtcWriter& writer, TTtcReader& reader, int wantedCharset,
               TLogonSession& session) {
  WriteProtocolRequest(writer);
  session.server = ReadProtocolReply(reader);
  int client = wantedCharset != 0 ? wantedCharset : session.server.charsetId;
  if (client == kCharsetAl32Utf8) client = kCharsetUtf8;
  session.clientCharsetId = client;
  tns.SetConversionFlag(client != session.server.charsetId);
  session.longestString = session.server.serverVersion >= kServerVersion8 ? kLongestString8 : kLongestString7;
  WriteDataTypeRequest(writer, tns, client, session.server.protocolVersion);
  ReadDataTypeReply(reader);
}

}  // namespace

TTnsAddress ParseServerText(const std::string& server) {
  TTnsAddress address{"local", 1521, "orcl"};
  const size_t colon = server.find(':');
  if (colon == std::string::npos) {
    if (!server.empty()) address.host = server;
    return address;
  }
  if (colon > 0) address.host = server.substr(0, colon);
  const std::string rest = server.substr(colon + 1);
  const size_t second = rest.find(':');
  address.port = classlib::StrToInt(rest.substr(0, second));
  if (second != std::string::npos && second + 1 < rest.size()) address.sid = rest.substr(second + 1);
  return address;
}

int NetConnect(TTnsConnection& tns, const TLogonRequest& request, TLogonSession& session) {
  const TTnsAddress address = ParseServerText(request.server);
  const TClientIdentity identity = request.identity ? *request.identity : SystemClientIdentity();
  tns.Representation().Reset();
  tns.SetByteStringMode(0);
  tns.Connect(address.host, address.port, request.timeoutMs, address.sid);
  TTtcWriter writer(tns);
  TTtcReader reader(tns);
  Negotiate(tns, writer, reader, request.clientCharsetId, session);

  WriteLogonCall(writer, TLogonPhase::kUser, request.user, "", request.ociMode, identity);
  session.status = ReadLogonReply(reader, TLogonPhase::kUser, session.sessionKeyText);
  if (session.status.Result() != 0) return session.status.Result();

  const std::string passwordText = OraLogonPasswordText(request.user, request.password, session.sessionKeyText);
  WriteLogonCall(writer, TLogonPhase::kPassword, request.user, passwordText, request.ociMode, identity);
  std::string unused;
  session.status = ReadLogonReply(reader, TLogonPhase::kPassword, unused);
  session.connected = session.status.Result() == 0;
  return session.status.Result();
}

}  // namespace oranet
