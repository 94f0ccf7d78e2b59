#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "app/page_services.h"
#include "window_test_support.h"

namespace app::testing {
namespace {

TEST(ServerListTest, NamesComeFromTheEnvironmentOrAreLocalhost) {
  {
    ScopedEnv servers("UPDATER_DB_SERVERS", " alpha;beta, gamma\tdelta ");
    EXPECT_EQ(TConfiguredServerList::Names(),
              (QStringList{"alpha", "beta", "gamma", "delta"}));
  }
  unsetenv("UPDATER_DB_SERVERS");
  QStringList found;
  TConfiguredServerList().Enumerate([&](const QString& name) { found << name; });
  EXPECT_EQ(found, QStringList{"localhost"});
}

TEST(FileDialogTest, WindowsFiltersBecomeQtFilters) {
  EXPECT_EQ(TQtFileOpenDialog::QtFilterOf(
                QStringLiteral("Файл базы данных (*.fdb)|*.fdb|Все файлы|*.*")),
            QStringLiteral("Файл базы данных (*.fdb);;Все файлы (*)"));
  EXPECT_EQ(TQtFileOpenDialog::QtFilterOf("Scripts|*.sql;*.txt"),
            QStringLiteral("Scripts (*.sql *.txt)"));
}

// Runs `act` on the modal dialog once it is shown.
void OnModalDialog(std::function<void(QDialog&)> act) {
  QTimer::singleShot(0, [act = std::move(act)] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

TEST(DataLinkDialogTest, EditedPairsAreWrittenBackQuotedWhereNeeded) {
  OnModalDialog([](QDialog& dialog) {
    auto* table = dialog.findChild<QTableWidget*>();
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(1, 1)->text(), QStringLiteral("***"));  // a password
    table->item(0, 1)->setText(QStringLiteral("Сервер"));
    table->insertRow(2);
    table->setItem(2, 0, new QTableWidgetItem("Extra"));
    table->setItem(2, 1, new QTableWidgetItem("x;y"));
    table->insertRow(3);  // a row left without a name is dropped
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
  TQtDataLinkDialog dialog;
  EXPECT_EQ(dialog.Edit(nullptr, QStringLiteral("Data Source=srv;Password=\"a;b\"")),
            QStringLiteral("Data Source=Сервер;Password=\"a;b\";Extra=\"x;y\""));
}

TEST(DataLinkDialogTest, ACancelledDialogGivesTheStringBackUnchanged) {
  OnModalDialog([](QDialog& dialog) {
    dialog.findChild<QTableWidget*>()->item(0, 1)->setText("changed");
    dialog.reject();
  });
  TQtDataLinkDialog dialog;
  EXPECT_EQ(dialog.Edit(nullptr, "a=1;;b"), QStringLiteral("a=1;;b"));
}

// Every text the table shows, row by row.
QStringList ShownTexts(const QTableWidget& table) {
  QStringList texts;
  for (int row = 0; row < table.rowCount(); ++row)
    for (int column = 0; column < table.columnCount(); ++column)
      if (const QTableWidgetItem* item = table.item(row, column)) texts << item->text();
  return texts;
}

// A pair named as a password shows stars, also in its editor, however it
// came to be named so; what was typed goes back into the string.
TEST(DataLinkDialogTest, PasswordValuesShowAsStarsAndAreWrittenBackAsTyped) {
  OnModalDialog([](QDialog& dialog) {
    auto* table = dialog.findChild<QTableWidget*>();
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(ShownTexts(*table),
              QStringList({"User Id", "sa", "Password", "*****", "Mode", "open"}));

    table->editItem(table->item(1, 1));
    auto* editor = table->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->echoMode(), QLineEdit::Password);
    EXPECT_EQ(editor->text(), QStringLiteral("С;к1!"));
    editor->setText(QStringLiteral("Новый1"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor commits by a queued call
    EXPECT_EQ(table->item(1, 1)->text(), QStringLiteral("******"));

    table->item(2, 0)->setText(QStringLiteral("pwd"));  // renamed to a password name
    EXPECT_EQ(table->item(2, 1)->text(), QStringLiteral("****"));
    table->item(1, 0)->setText(QStringLiteral("Passwords"));  // and away from one
    EXPECT_EQ(table->item(1, 1)->text(), QStringLiteral("Новый1"));
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
  TQtDataLinkDialog dialog;
  EXPECT_EQ(dialog.Edit(nullptr, QStringLiteral("User Id=sa;Password=\"С;к1!\";Mode=open")),
            QStringLiteral("User Id=sa;Passwords=Новый1;pwd=open"));
}

}  // namespace
}  // namespace app::testing
