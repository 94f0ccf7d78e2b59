#include "classlib/custom_connection.h"

#include <algorithm>

#include "classlib/dataset.h"
#include "classlib/exceptions.h"

namespace classlib {

TCustomConnection::TCustomConnection(TComponent* owner) : TComponent(owner) {}

TCustomConnection::~TCustomConnection() {
  Destroying();
  clients_.clear();
  data_sets_.clear();
}

void TCustomConnection::SetConnected(bool value) {
  if (value && ComponentState().Contains(csReading)) {
    streamed_connected_ = true;
    return;
  }
  if (value == GetConnected()) return;
  if (value) {
    if (before_connect_) before_connect_(this);
    DoConnect();
    SendConnectEvent(true);
    if (after_connect_) after_connect_(this);
  } else {
    if (before_disconnect_) before_disconnect_(this);
    SendConnectEvent(false);
    DoDisconnect();
    if (after_disconnect_) after_disconnect_(this);
  }
}

void TCustomConnection::Loaded() {
  TComponent::Loaded();
  if (!streamed_connected_) return;
  // The flag stays set while connecting, so descendants can tell a connect
  // from a stored form apart from one the program asked for.
  try {
    SetConnected(true);
  } catch (...) {
    streamed_connected_ = false;
    throw;
  }
  streamed_connected_ = false;
}

// ---- Clients

void TCustomConnection::RegisterClient(TObject* client, TConnectChangeEvent event) {
  if (!client) return;
  auto it = std::find_if(clients_.begin(), clients_.end(),
                         [client](const Client& c) { return c.object == client; });
  if (it != clients_.end()) {
    it->event = std::move(event);
    return;
  }
  clients_.push_back({client, std::move(event)});
  if (auto* data_set = dynamic_cast<TDataSet*>(client)) data_sets_.push_back(data_set);
}

void TCustomConnection::UnRegisterClient(TObject* client) {
  std::erase_if(clients_, [client](const Client& c) { return c.object == client; });
  std::erase_if(data_sets_, [client](const TDataSet* d) { return d == client; });
}

TDataSet* TCustomConnection::GetDataSet(int index) const {
  if (index < 0 || index >= GetDataSetCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return data_sets_[static_cast<size_t>(index)];
}

void TCustomConnection::SendConnectEvent(bool connecting) {
  // A client's event may register or unregister clients, so the list is
  // walked from a copy and each client is looked up again before it is told.
  std::vector<Client> snapshot = clients_;
  for (const Client& client : snapshot) {
    auto it = std::find_if(clients_.begin(), clients_.end(),
                           [&](const Client& c) { return c.object == client.object; });
    if (it == clients_.end()) continue;
    TConnectChangeEvent event = it->event;
    if (event) event(this, connecting);
    if (connecting) continue;
    // Looked up among the registered data sets, not cast: the event may
    // have freed the client.
    auto ds = std::find_if(data_sets_.begin(), data_sets_.end(),
                           [&](const TDataSet* d) { return d == client.object; });
    if (ds != data_sets_.end() && (*ds)->Active()) (*ds)->Close();
  }
}

}  // namespace classlib
