// TCustomConnectDialog: asks the user for the account before a connection
// component connects. It holds the dialog's captions in a label set,
// remembers the last account and the recently used servers in the
// registry, and shows the dialog through a display hook; without a hook
// installed, Execute answers false and nothing is shown.
#pragma once

#include <functional>
#include <string>

#include "classlib/component.h"
#include "platform/registry.h"

namespace dacore {

class TCustomDAConnection;
class TCustomConnectDialog;

// The caption languages. Only English and Russian have texts here; the
// others show the English captions.
enum TLabelSet { lsCustom = 0, lsEnglish, lsFrench, lsGerman, lsItalian, lsPolish, lsPortuguese,
                 lsRussian, lsSpanish };

// Shows the dialog and connects its connection; answers whether it did.
using TConnectDialogDisplay = std::function<bool(TCustomConnectDialog& dialog)>;
void SetConnectDialogDisplay(TConnectDialogDisplay display);
// The application's name for the registry key (empty without a hook).
void SetApplicationNameHook(std::function<std::string()> hook);

class TCustomConnectDialog : public classlib::TComponent {
  CLASSLIB_CLASS(TCustomConnectDialog, classlib::TComponent)
 public:
  explicit TCustomConnectDialog(classlib::TComponent* owner);
  ~TCustomConnectDialog() override;

  TCustomDAConnection* Connection() const { return connection_; }
  void SetConnection(TCustomDAConnection* connection);
  int16_t Retries = 3;
  bool StoreLogInfo = true;
  TLabelSet LabelSet() const { return label_set_; }
  virtual void SetLabelSet(TLabelSet value);
  std::string Caption, UsernameLabel, PasswordLabel, ServerLabel, ConnectButton, CancelButton;

  // EDatabaseError "Connection is not defined" without a connection. Puts
  // the account back when the dialog answers false.
  virtual bool Execute();

 protected:
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;
  virtual std::string GetKeyPath() const { return ""; }
  virtual std::string GetServerStoreName() const { return "Server"; }
  virtual void SaveInfoToRegistry(platform::TRegistry& registry);
  virtual void LoadInfoFromRegistry(platform::TRegistry& registry);

 private:
  std::string KeyPath() const;
  void StoreServers(platform::TRegistry& registry);

  TCustomDAConnection* connection_ = nullptr;
  TLabelSet label_set_ = lsEnglish;
};

}  // namespace dacore
