// A direct-mode session for the statement and LOB tests: the network
// client installed in the Oracle layer's table, the handles a caller
// allocates, and a logon to the fake server. Every call goes through the
// table, as the Oracle layer makes it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "oracle/call_direct.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_values.h"
#include "oracle/call_state.h"
#include "oranet/oci_context.h"
#include "oranet/oci_install.h"
#include "oranet/tests/bounded_run.h"
#include "oranet/tests/fake_server_stmt.h"

namespace oranet::testing {

using namespace oracle;

constexpr auto kCallBound = std::chrono::milliseconds(8000);

class TDirectSession {
 public:
  TDirectSession() {
    RegisterNetClient();
    InstallDirectMode();
    Alloc(&error_, OCI_HTYPE_ERROR);
    Alloc(&context_, OCI_HTYPE_SVCCTX);
    Alloc(&server_, OCI_HTYPE_SERVER);
    Alloc(&session_, OCI_HTYPE_SESSION);
  }
  ~TDirectSession() {
    for (void* handle : {session_, server_, context_, error_}) OCIHandleFree(handle, 0);
    RemoveDirectMode();
    ResetOciEntries();
  }

  OCIError* Err() const { return static_cast<OCIError*>(error_); }
  OCISvcCtx* Svc() const { return static_cast<OCISvcCtx*>(context_); }

  // Logs on to the fake server as scott with `password`; the status.
  sword LogOn(const TFakeServer& fake, std::string password = "tiger") {
    const std::string link = "127.0.0.1:" + std::to_string(fake.Port()) + ":orcl";
    OCIServerAttach(static_cast<OCIServer*>(server_), Err(), reinterpret_cast<const OraText*>(link.data()),
                    static_cast<sb4>(link.size()), 0);
    OCIAttrSet(context_, OCI_HTYPE_SVCCTX, server_, 0, OCI_ATTR_SERVER, Err());
    std::string user = "scott";
    OCIAttrSet(session_, OCI_HTYPE_SESSION, user.data(), static_cast<ub4>(user.size()), OCI_ATTR_USERNAME, Err());
    OCIAttrSet(session_, OCI_HTYPE_SESSION, password.data(), static_cast<ub4>(password.size()), OCI_ATTR_PASSWORD,
               Err());
    static_cast<TNetServiceContext*>(static_cast<TNetHandle*>(context_))
        ->SetClientIdentity({"HOST", "HOST", "alice", "1:2", "updater"});
    sword status = -9;
    RunBounded(kCallBound, [&] {
      status = OCISessionBegin(Svc(), Err(), static_cast<OCISession*>(session_), OCI_CRED_RDBMS, OCI_DEFAULT);
    });
    return status;
  }

  OCIStmt* NewStatement(const std::string& sql) {
    void* statement = nullptr;
    EXPECT_EQ(OCIHandleAlloc(nullptr, &statement, OCI_HTYPE_STMT, 0, nullptr), OCI_SUCCESS);
    auto* stmt = static_cast<OCIStmt*>(statement);
    EXPECT_EQ(OCIStmtPrepare(stmt, Err(), reinterpret_cast<const OraText*>(sql.data()), static_cast<ub4>(sql.size()),
                             OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_SUCCESS);
    return stmt;
  }

  sword Execute(OCIStmt* statement, ub4 iterations, ub4 mode = OCI_DEFAULT) {
    sword status = -9;
    RunBounded(kCallBound,
               [&] { status = OCIStmtExecute(Svc(), statement, Err(), iterations, 0, nullptr, nullptr, mode); });
    return status;
  }

  sword Fetch(OCIStmt* statement, ub4 rows) {
    sword status = -9;
    RunBounded(kCallBound, [&] { status = OCIStmtFetch(statement, Err(), rows, OCI_FETCH_NEXT, OCI_DEFAULT); });
    return status;
  }

  // Frees a statement (which closes its cursor on the server).
  void Free(void* handle, ub4 type) {
    RunBounded(kCallBound, [&] { OCIHandleFree(handle, type); });
  }

  // The error handle's number and text.
  std::pair<int, std::string> LastError() const {
    sb4 code = 0;
    OraText text[256] = {};
    OCIErrorGet(error_, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR);
    return {code, reinterpret_cast<const char*>(text)};
  }

 private:
  void Alloc(void** handle, ub4 type) { ASSERT_EQ(OCIHandleAlloc(nullptr, handle, type, 0, nullptr), OCI_SUCCESS); }

  void *error_ = nullptr, *context_ = nullptr, *server_ = nullptr, *session_ = nullptr;
};

// The message bytes of a DATA packet the client sent.
inline TBytes Payload(const TBytes& packet) { return TBytes(packet.begin() + kTnsDataOffset, packet.end()); }

// The requests after the logon (the first five DATA packets).
inline std::vector<TBytes> Requests(const TFakeServer& fake) {
  std::vector<TBytes> requests;
  const auto data = fake.PacketsOfType(kTnsData);
  for (size_t i = 4; i < data.size(); ++i) requests.push_back(Payload(data[i]));
  return requests;
}

// Everything the client sent after the logon, as one stream.
inline TBytes SentAfterLogon(const TFakeServer& fake) {
  TBytes all;
  for (const TBytes& request : Requests(fake)) all.insert(all.end(), request.begin(), request.end());
  return all;
}

// Bytes as the client writes them after negotiation: a length byte, or
// from 65 bytes on chunks of 64 between 0xFE and 0.
inline TBytes Written(const TBytes& bytes) {
  if (bytes.size() <= 64) return Concat({{static_cast<uint8_t>(bytes.size())}, bytes});
  TBytes out{0xFE};
  for (size_t at = 0; at < bytes.size(); at += 64) {
    const size_t n = std::min<size_t>(64, bytes.size() - at);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
               bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
  }
  out.push_back(0);
  return out;
}

inline bool Holds(const TBytes& stream, const TBytes& part) {
  return std::search(stream.begin(), stream.end(), part.begin(), part.end()) != stream.end();
}

}  // namespace oranet::testing
