// TCRConnectionParameters: the key of a connection pool. Connections are
// shared only between equal parameters.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "classlib/persistent.h"

namespace dacore {

class TCRConnectionParameters : public classlib::TPersistent {
  CLASSLIB_CLASS(TCRConnectionParameters, classlib::TPersistent)
 public:
  TCRConnectionParameters() = default;

  // A new, default object of this object's class (a driver's parameters
  // override it together with AssignTo and Equals).
  virtual std::unique_ptr<TCRConnectionParameters> Create() const;
  // Same sizes, lifetime and validation, the same server, the same user
  // name ignoring case and the same password exactly: a password that
  // differs in case must not get another account's authenticated session.
  virtual bool Equals(const TCRConnectionParameters* other) const;

  int MinPoolSize = 0;
  int MaxPoolSize = 100;
  std::string Username, Password, Server;
  uint32_t ConnectionLifetime = 0;  // milliseconds, 0 = unlimited
  bool Validate = false;

 protected:
  void AssignTo(classlib::TPersistent* dest) const override;
};

}  // namespace dacore
