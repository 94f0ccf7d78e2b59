// The Firebird layer's database login dialog, offscreen: a database that
// asks for its account shows it, Cancel leaves the account as it was, OK
// connects with what was typed.
#include "app/db_login_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <string>

#include "app/fib_window_hooks.h"
#include "fib/statements/fib_database.h"
#include "testing/message_of.h"
#include "window_test_support.h"

namespace app::testing {
namespace {

using classlib::testing::MessageOf;

// Acts on the dialog once it is up, from within its own event loop.
void WhenShown(std::function<void(TfrmFIBDBLoginDlg&)> act) {
  QTimer::singleShot(0, [act = std::move(act)] {
    auto* dialog = qobject_cast<TfrmFIBDBLoginDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

TEST(DBLoginDialogTest, AConnectAsksForTheAccountInTheDialog) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("a_database_with_a_rather_long_name.fdb").toStdString();
  ASSERT_GT(path.size(), 45u);
  CreateFirebirdDatabase(path);
  const TFibWindowHooks hooks;
  fib::TFIBDatabase db(nullptr);
  db.SetDBName(path);
  const std::string params = "user_name=SYSDBA\r\nsql_role_name=READER\r\nlc_ctype=WIN1251\r\n";
  db.DBParams().SetText(params);
  db.SetUseLoginPrompt(true);

  WhenShown([](TfrmFIBDBLoginDlg& dialog) { dialog.CancelButton->click(); });
  EXPECT_EQ(MessageOf([&] { db.Connect(); }), "Operation cancelled at user's request.");
  EXPECT_FALSE(db.Connected());
  EXPECT_EQ(db.DBParams().Text(), params);

  WhenShown([&](TfrmFIBDBLoginDlg& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Database login");
    EXPECT_EQ(dialog.lbDBName->text().toStdString(),
              path.substr(0, 10) + "..." + path.substr(path.size() - 33));
    EXPECT_EQ(dialog.EdUserName->text(), "SYSDBA");
    EXPECT_EQ(dialog.EdRole->text(), "READER");
    EXPECT_TRUE(dialog.EdPassword->text().isEmpty());
    EXPECT_EQ(dialog.EdPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.OKButton->text(), "&OK");
    EXPECT_TRUE(dialog.OKButton->isDefault());
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());  // fixed size
    dialog.EdPassword->setText("masterkey");
    dialog.EdRole->clear();
    dialog.OKButton->click();
  });
  db.Connect();
  EXPECT_TRUE(db.Connected());
  EXPECT_EQ(db.GetDBParamValue(isc_dpb_user_name), "SYSDBA");
  EXPECT_EQ(db.GetDBParamValue(isc_dpb_password), "masterkey");
  EXPECT_EQ(db.DBParams().Strings(1), "sql_role_name=");
  db.Close();

  // Without the window's hooks the layer has no dialog to show.
  fib::InstallDBLoginDialog(nullptr);
  EXPECT_EQ(MessageOf([&] { db.Connect(); }).rfind("Unable to find Database login dialog.", 0), 0u);
}

}  // namespace
}  // namespace app::testing
