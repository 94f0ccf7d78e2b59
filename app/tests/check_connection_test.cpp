// "Выбрать" against a real Firebird database on the embedded engine.
#include <gtest/gtest.h>

#include <QTest>

#include "app/ado_connection.h"
#include "app/run_state.h"
#include "classlib/codepage.h"
#include "testing/product_fixture.h"
#include "window_fixture.h"

namespace app::testing {
namespace {

class CheckConnectionTest : public WindowTest {
 protected:
  void ChooseLocalFirebird(const std::string& path) {
    Choose("FIREBIRD");
    QTest::keyClicks(window.eUserName, "SYSDBA");
    QTest::keyClicks(window.ePassword, "masterkey");
    window.eForDB->setText(QString::fromStdString(path));
  }
  void PressCheck() { QTest::mouseClick(window.btnCheckConnection, Qt::LeftButton); }

  TempDir folder;
};

TEST_F(CheckConnectionTest, AnExistingDatabaseOpensAndLeadsToTheUserPage) {
  const std::string path = folder.File("product.fdb");
  // The user page lists the product's users as it opens.
  CreateFirebirdProductDatabase(path, ProductDatabase::Standard({"3.1"}));
  ChooseLocalFirebird(path);
  PressCheck();

  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text.toStdString();
  EXPECT_TRUE(window.Con->Connected());
  EXPECT_EQ(window.pcMain->currentIndex(), 1);
  EXPECT_TRUE(UserTabShown());
  EXPECT_TRUE(window.pcMain->isTabEnabled(1));
  EXPECT_FALSE(UpdateTabShown());
  EXPECT_EQ(DBType, "FIREBIRD");
  EXPECT_EQ(BaseUserName, "SYSDBA");
  EXPECT_EQ(BasePassword, "masterkey");
  EXPECT_EQ(BaseConnectionString, window.Con->ConnectionString());
  EXPECT_NE(BaseConnectionString.find(";Location=" + path + ";"), std::string::npos);

  // A second check closes the open connection first.
  PressCheck();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(window.Con->Connected());
}

TEST_F(CheckConnectionTest, AMissingDatabaseShowsTheDriversMessage) {
  const std::string path = folder.File("missing.fdb");
  ChooseLocalFirebird(path);
  const std::string text = window.BuildConnectionString();

  // What the driver says about this string, told by a connection of our own.
  std::string driver_message;
  TADOConnection probe(nullptr);
  probe.SetConnectionString(text);
  try {
    probe.Open();
  } catch (const std::exception& error) {
    driver_message = error.what();
  }
  ASSERT_FALSE(driver_message.empty());

  PressCheck();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Ошибка соединения с базой данных: ") +
                                     QString::fromStdString(classlib::Cp1251ToUtf8(driver_message)));
  EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Ошибка"));
  EXPECT_EQ(boxes.shown[0].style & 0xF0, MB_ICONERROR);
  EXPECT_EQ(window.pcMain->currentIndex(), 0);
  EXPECT_FALSE(UserTabShown());
  EXPECT_FALSE(window.Con->Connected());
  // The run state holds the new choice even so.
  EXPECT_EQ(BaseConnectionString, text);
  EXPECT_EQ(DBType, "FIREBIRD");
}

TEST_F(CheckConnectionTest, AnOracleChoiceFailsAsAnOrdinaryConnectionError) {
  Choose("ORACLE");
  window.eForDB->setText("ORCL");
  PressCheck();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("Ошибка соединения с базой данных: ")));
  EXPECT_TRUE(boxes.shown[0].text.contains("OraOLEDB.Oracle.1")) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(DBType, "ORACLE");
  EXPECT_FALSE(UserTabShown());
}

}  // namespace
}  // namespace app::testing

namespace app::testing {
namespace {

// With no kind chosen the string names no provider: the user is asked to
// choose the kind instead of reading the data-access layer's complaint.
TEST_F(CheckConnectionTest, WithoutAKindTheUserIsAskedToChooseOne) {
  ASSERT_TRUE(window.btnCheckConnection->isEnabled());
  PressCheck();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Выберите тип базы данных"));
  EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Информация"));
  EXPECT_FALSE(window.Con->Connected());
  EXPECT_EQ(window.pcMain->currentIndex(), 0);
  EXPECT_FALSE(UserTabShown());
}

}  // namespace
}  // namespace app::testing
