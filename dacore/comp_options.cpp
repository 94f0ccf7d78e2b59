// The connection component's option objects.
#include "dacore/comp_options.h"

#include "dacore/comp_connection.h"

namespace dacore {

void TDAConnectionOptions::SetDisconnectedMode(bool value) {
  if (value == disconnected_mode_) return;
  if (owner_) owner_->Disconnect();
  disconnected_mode_ = value;
  if (owner_ && owner_->IConnection()) owner_->IConnection()->SetProp(prDisconnectedMode, value);
}

void TDAConnectionOptions::AssignTo(classlib::TPersistent* dest) const {
  auto* to = dynamic_cast<TDAConnectionOptions*>(dest);
  if (!to) {
    TPersistent::AssignTo(dest);
    return;
  }
  to->KeepDesignConnected = KeepDesignConnected;
  to->SetDisconnectedMode(disconnected_mode_);
}

void TPoolingOptions::AssignTo(classlib::TPersistent* dest) const {
  auto* to = dynamic_cast<TPoolingOptions*>(dest);
  if (!to) {
    TPersistent::AssignTo(dest);
    return;
  }
  to->MaxPoolSize = MaxPoolSize;
  to->MinPoolSize = MinPoolSize;
  to->ConnectionLifetime = ConnectionLifetime;
  to->Validate = Validate;
}

}  // namespace dacore
