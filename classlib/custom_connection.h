// TCustomConnection: the base of components that connect to a database.
//
// Connecting runs BeforeConnect, DoConnect, tells the registered clients
// (SendConnectEvent(true)) and runs AfterConnect. Disconnecting runs
// BeforeDisconnect, tells the clients (SendConnectEvent(false), which also
// closes every registered data set), DoDisconnect and AfterDisconnect.
// Setting Connected to the state it already has does nothing.
//
// While the component is being read from a stored form, SetConnected(true)
// only remembers the wish (StreamedConnected); Loaded connects.
//
// Descendants supply DoConnect, DoDisconnect and GetConnected. Because a
// base destructor cannot reach a descendant's overrides, a descendant that
// can be connected must disconnect in its own destructor; the base one only
// drops its clients.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "classlib/component.h"
#include "classlib/event.h"

namespace classlib {

class TDataSet;

using TConnectChangeEvent = Event<void(TObject* Sender, bool Connecting)>;
using TLoginEvent =
    Event<void(TObject* Sender, const std::string& Username, const std::string& Password)>;

class TCustomConnection : public TComponent {
  CLASSLIB_CLASS(TCustomConnection, TComponent)
 public:
  explicit TCustomConnection(TComponent* owner);
  ~TCustomConnection() override;

  void Open() { SetConnected(true); }
  void Close() { SetConnected(false); }
  bool Connected() const { return GetConnected(); }
  virtual void SetConnected(bool value);

  bool LoginPrompt() const { return login_prompt_; }
  void SetLoginPrompt(bool value) { login_prompt_ = value; }

  // The registered clients that are data sets, in registration order.
  TDataSet* DataSets(int index) const { return GetDataSet(index); }
  int DataSetCount() const { return GetDataSetCount(); }

  // A client (a data set, a statement, anything that uses the connection)
  // registers to hear of connects and disconnects through `event`.
  // Registering a client again replaces its event.
  virtual void RegisterClient(TObject* client, TConnectChangeEvent event = {});
  virtual void UnRegisterClient(TObject* client);
  int ClientCount() const { return static_cast<int>(clients_.size()); }

  const TNotifyEvent& BeforeConnect() const { return before_connect_; }
  void SetBeforeConnect(TNotifyEvent handler) { before_connect_ = std::move(handler); }
  const TNotifyEvent& AfterConnect() const { return after_connect_; }
  void SetAfterConnect(TNotifyEvent handler) { after_connect_ = std::move(handler); }
  const TNotifyEvent& BeforeDisconnect() const { return before_disconnect_; }
  void SetBeforeDisconnect(TNotifyEvent handler) { before_disconnect_ = std::move(handler); }
  const TNotifyEvent& AfterDisconnect() const { return after_disconnect_; }
  void SetAfterDisconnect(TNotifyEvent handler) { after_disconnect_ = std::move(handler); }
  // For descendants that log in: told the account before connecting.
  const TLoginEvent& OnLogin() const { return on_login_; }
  void SetOnLogin(TLoginEvent handler) { on_login_ = std::move(handler); }

 protected:
  virtual void DoConnect() {}
  virtual void DoDisconnect() {}
  virtual bool GetConnected() const { return false; }
  virtual TDataSet* GetDataSet(int index) const;
  virtual int GetDataSetCount() const { return static_cast<int>(data_sets_.size()); }

  // Calls every client's connect-change event; on a disconnect also closes
  // every registered data set that is open.
  virtual void SendConnectEvent(bool connecting);

  // Connects when SetConnected(true) was deferred during loading.
  void Loaded() override;

  bool StreamedConnected() const { return streamed_connected_; }
  void SetStreamedConnected(bool value) { streamed_connected_ = value; }

 private:
  struct Client {
    TObject* object;
    TConnectChangeEvent event;
  };

  TNotifyEvent before_connect_, after_connect_, before_disconnect_, after_disconnect_;
  TLoginEvent on_login_;
  std::vector<Client> clients_;
  std::vector<TDataSet*> data_sets_;
  bool login_prompt_ = false;
  bool streamed_connected_ = false;
};

}  // namespace classlib
