// The connect dialog: captions by label set, Execute without a display hook
// (false, account kept) and with one (account and recent servers stored in
// a scratch registry and read back), and a connection whose login prompt
// finds no dialog giving up its connect silently.
#include "dacore/dialog_connect.h"

#include <gtest/gtest.h>

#include "classlib/codepage.h"
#include "dacore/comp_connection.h"
#include "dacore/tests/driver_script_fixture.h"
#include "testing/scratch_folder.h"

namespace dacore {
namespace {

class PromptingConnection : public TCustomDAConnection {
 public:
  using TCustomDAConnection::TCustomDAConnection;
  ~PromptingConnection() override { DestroyConnection(); }

 protected:
  void CreateIConnection() override {
    if (!IConnection()) SetIConnection(new testing::TScriptConnection());
  }
};

class ConnectDialogTest : public platform::scratch::ScratchRegistryTest {
 protected:
  void SetUp() override { SetApplicationNameHook([] { return std::string("Updater"); }); }
  void TearDown() override {
    SetConnectDialogDisplay(nullptr);
    SetApplicationNameHook(nullptr);
  }
  std::string Stored(const std::string& key, const std::string& name) {
    platform::TRegistry registry;
    registry.SetRootKey(platform::HKEY_CURRENT_USER);
    return registry.OpenKey(key, false) ? registry.ReadString(name) : "<no key>";
  }
};

TEST_F(ConnectDialogTest, LabelSets) {
  TCustomConnectDialog dialog(nullptr);
  EXPECT_EQ(dialog.Caption, "Connect");
  EXPECT_EQ(dialog.UsernameLabel, "User Name");
  dialog.SetLabelSet(lsRussian);
  EXPECT_EQ(classlib::Cp1251ToUtf8(dialog.Caption), "Соединение");
  EXPECT_EQ(classlib::Cp1251ToUtf8(dialog.CancelButton), "Отмена");
  dialog.SetLabelSet(lsGerman);  // no German texts: English
  EXPECT_EQ(dialog.ServerLabel, "Server");
  EXPECT_EQ(dialog.ConnectButton, "Connect");
}

TEST_F(ConnectDialogTest, WithoutDisplayHookAnswersFalseAndKeepsTheAccount) {
  TCustomConnectDialog dialog(nullptr);
  EXPECT_THROW(dialog.Execute(), classlib::EDatabaseError);
  PromptingConnection connection(nullptr);
  connection.SetUsername("scott");
  dialog.SetConnection(&connection);
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(connection.Username(), "scott");
}

TEST_F(ConnectDialogTest, ConfirmedDialogStoresTheAccountAndRecentServers) {
  PromptingConnection connection(nullptr);
  TCustomConnectDialog dialog(nullptr);
  connection.SetConnectDialog(&dialog);
  std::string next_server = "alpha";
  SetConnectDialogDisplay([&](TCustomConnectDialog& d) {
    d.Connection()->SetUsername("scott");
    d.Connection()->SetServer(next_server);
    d.Connection()->ConnectWithoutPrompt();
    return true;
  });
  connection.SetConnected(true);
  EXPECT_TRUE(connection.Connected());
  EXPECT_EQ(connection.ConnectCount(), 1);
  connection.Disconnect();
  next_server = "beta";
  connection.SetConnected(true);
  connection.Disconnect();
  next_server = "ALPHA";
  connection.SetConnected(true);
  EXPECT_EQ(Stored("Connect\\Updater", "Username"), "scott");
  EXPECT_EQ(Stored("Connect\\Updater", "Server"), "ALPHA");
  EXPECT_EQ(Stored("Connect\\Updater\\Connect", "Server 1"), "ALPHA");
  EXPECT_EQ(Stored("Connect\\Updater\\Connect", "Server 2"), "beta");
  EXPECT_EQ(Stored("Connect\\Updater\\Connect", "Server 3"), "");
}

TEST_F(ConnectDialogTest, PromptWithoutDisplayGivesUpSilently) {
  PromptingConnection connection(nullptr);
  connection.SetUsername("scott");
  EXPECT_THROW(connection.SetConnected(true), classlib::EAbort);
  EXPECT_FALSE(connection.Connected());
  EXPECT_EQ(connection.ConnectCount(), 0);
  EXPECT_EQ(connection.Username(), "scott");
  connection.SetLoginPrompt(false);
  connection.SetConnected(true);
  EXPECT_TRUE(connection.Connected());
}

}  // namespace
}  // namespace dacore
