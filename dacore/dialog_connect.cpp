// TCustomConnectDialog: captions, the registry record of the account and
// the recently used servers, and running the display hook.
#include "dacore/dialog_connect.h"

#include <vector>

#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/dataset.h"
#include "classlib/format.h"
#include "dacore/comp_connection.h"
#include "dacore/messages.h"

namespace dacore {

namespace {

TConnectDialogDisplay g_display;
std::function<std::string()> g_application_name;

struct TCaptions {
  const char* texts[6];  // caption, user name, password, server, connect, cancel
};

const TCaptions kEnglish{{"Connect", "User Name", "Password", "Server", "Connect", "Cancel"}};
const TCaptions kRussian{{"Соединение", "Имя", "Пароль", "Сервер", "Соединить", "Отмена"}};

}  // namespace

void SetConnectDialogDisplay(TConnectDialogDisplay display) { g_display = std::move(display); }
void SetApplicationNameHook(std::function<std::string()> hook) { g_application_name = std::move(hook); }

TCustomConnectDialog::TCustomConnectDialog(classlib::TComponent* owner) : TComponent(owner) {
  SetLabelSet(lsEnglish);
}

// The component's destruction tells every connection that refers to this
// dialog (through the free-notification link, or through a shared owner);
// detaching here first would leave them holding a freed dialog.
TCustomConnectDialog::~TCustomConnectDialog() = default;

// The free-notification link between a dialog and a connection is two-way
// and serves both references: it is dropped only when neither refers to the
// other any more (a connection that took this dialog through Assign while
// its source still holds it must both hear when the dialog goes).
void TCustomConnectDialog::SetConnection(TCustomDAConnection* connection) {
  if (connection_ == connection) return;
  TCustomDAConnection* previous = connection_;
  connection_ = connection;
  if (previous && previous->ConnectDialog() != this) previous->RemoveFreeNotification(this);
  if (connection_) connection_->FreeNotification(this);
}

void TCustomConnectDialog::Notification(classlib::TComponent* component, classlib::TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == classlib::opRemove && component == connection_) connection_ = nullptr;
}

// Texts are kept in UTF-8 here and enter as ANSI once.
void TCustomConnectDialog::SetLabelSet(TLabelSet value) {
  label_set_ = value;
  const TCaptions& captions = value == lsRussian ? kRussian : kEnglish;
  std::string* fields[] = {&Caption, &UsernameLabel, &PasswordLabel, &ServerLabel, &ConnectButton, &CancelButton};
  for (int i = 0; i < 6; ++i) *fields[i] = classlib::Utf8ToCp1251(captions.texts[i]);
}

// ---- Registry -------------------------------------------------------------------

std::string TCustomConnectDialog::KeyPath() const {
  return GetKeyPath() + "Connect\\" + (g_application_name ? g_application_name() : std::string());
}

void TCustomConnectDialog::SaveInfoToRegistry(platform::TRegistry& registry) {
  registry.WriteString("Username", connection_->Username());
  registry.WriteString(GetServerStoreName(), connection_->Server());
}

void TCustomConnectDialog::LoadInfoFromRegistry(platform::TRegistry& registry) {
  if (registry.ValueExists("Username")) connection_->SetUsername(registry.ReadString("Username"));
  if (registry.ValueExists(GetServerStoreName()))
    connection_->SetServer(registry.ReadString(GetServerStoreName()));
}

// The list is read from the same "Connect" sub-key before it is rewritten:
// the current server first, then the others that differ from it (ignoring
// case), numbered on from 2.
void TCustomConnectDialog::StoreServers(platform::TRegistry& registry) {
  const std::string list_key = registry.CurrentPath() + "\\Connect";
  if (!registry.OpenKey("\\" + list_key, true)) return;
  const std::string name = GetServerStoreName();
  std::vector<std::string> servers{connection_->Server()};
  for (int i = 1;; ++i) {
    const std::string value = classlib::Format("%s %d", {name, i});
    if (!registry.ValueExists(value)) break;
    const std::string server = registry.ReadString(value);
    if (!classlib::AnsiSameText(server, connection_->Server())) servers.push_back(server);
  }
  for (size_t i = 0; i < servers.size(); ++i)
    registry.WriteString(classlib::Format("%s %d", {name, static_cast<int>(i + 1)}), servers[i]);
  // A server that moved to the front leaves one number free at the end.
  int stale = static_cast<int>(servers.size()) + 1;
  while (registry.DeleteValue(classlib::Format("%s %d", {name, stale}))) ++stale;
}

// ---- Execute --------------------------------------------------------------------

bool TCustomConnectDialog::Execute() {
  if (!connection_) classlib::DatabaseError(SConnectionNotDefined);
  const std::string username = connection_->Username();
  const std::string password = connection_->Password();
  const std::string server = connection_->Server();
  platform::TRegistry registry;
  registry.SetRootKey(platform::HKEY_CURRENT_USER);
  if (StoreLogInfo && registry.OpenKey(KeyPath(), false)) LoadInfoFromRegistry(registry);
  registry.CloseKey();
  const bool result = g_display ? g_display(*this) : false;
  if (result && StoreLogInfo && registry.OpenKey(KeyPath(), true)) {
    SaveInfoToRegistry(registry);
    StoreServers(registry);
  }
  if (!result) {
    connection_->SetUsername(username);
    connection_->SetPassword(password);
    connection_->SetServer(server);
  }
  return result;
}

}  // namespace dacore
