// The option objects of the connection component.
#pragma once

#include <cstdint>

#include "classlib/persistent.h"

namespace dacore {

class TCustomDAConnection;

class TDAConnectionOptions : public classlib::TPersistent {
  CLASSLIB_CLASS(TDAConnectionOptions, classlib::TPersistent)
 public:
  explicit TDAConnectionOptions(TCustomDAConnection* owner) : owner_(owner) {}

  bool KeepDesignConnected = true;
  bool LocalFailover = false;
  bool DisconnectedMode() const { return disconnected_mode_; }
  // A change disconnects the owner first and reaches its driver connection.
  void SetDisconnectedMode(bool value);

 protected:
  void AssignTo(classlib::TPersistent* dest) const override;

 private:
  TCustomDAConnection* owner_;
  bool disconnected_mode_ = false;
};

class TPoolingOptions : public classlib::TPersistent {
  CLASSLIB_CLASS(TPoolingOptions, classlib::TPersistent)
 public:
  explicit TPoolingOptions(TCustomDAConnection* owner) : owner_(owner) {}

  int MaxPoolSize = 100;
  int MinPoolSize = 0;
  uint32_t ConnectionLifetime = 0;
  bool Validate = false;
  TCustomDAConnection* Owner() const { return owner_; }

 protected:
  void AssignTo(classlib::TPersistent* dest) const override;

 private:
  TCustomDAConnection* owner_;
};

}  // namespace dacore
