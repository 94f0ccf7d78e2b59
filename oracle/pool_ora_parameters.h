// TOraConnectionParameters: the key of an Oracle connection pool. Pools are
// shared between equal parameters; the proxy credentials ride along with a
// request but never key a pool.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "dacore/pool_parameters.h"

namespace oracle {

enum TOraPoolingType : uint8_t {
  optLocal = 0,  // the layer keeps connected sessions and reuses them
  optOCI = 1,    // the client library pools the sessions
  optMTS = 2     // the distributed-transaction service hands out sessions
};

class TOraConnectionParameters : public dacore::TCRConnectionParameters {
  CLASSLIB_CLASS(TOraConnectionParameters, dacore::TCRConnectionParameters)
 public:
  std::unique_ptr<dacore::TCRConnectionParameters> Create() const override;
  // Same sizes, lifetime, validation, server (ignoring case), mode, style,
  // pool type, statement cache and session settings; and the same user (ignoring case) with
  // exactly the same password, unless the client library pools the
  // sessions: its pool authenticates every request, so it serves every user.
  bool Equals(const dacore::TCRConnectionParameters* other) const override;

  uint8_t ConnectMode = 0;
  bool UseOCI7 = false;
  uint8_t PoolType = optLocal;
  bool StatementCache = false;
  uint32_t StatementCacheSize = 0;
  // The end user of a proxy session over the pooled one.
  std::string ProxyUsername, ProxyPassword;
  // The settings every session of the pool applies when it connects (its
  // client identifier and language settings): a connection that went back
  // with them suits only a user who asks for the same.
  std::string SessionSettings;

 protected:
  void AssignTo(classlib::TPersistent* dest) const override;
};

}  // namespace oracle
