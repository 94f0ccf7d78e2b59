// No text of the window is cut: every caption and status text fits the
// control that shows it, and every control lies inside its page, also when
// the update page's captions carry their longest suffixes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QTreeView>
#include <filesystem>
#include <fstream>

#include "app/run_state.h"
#include "app/update_description.h"
#include "app/update_options.h"
#include "classlib/codepage.h"
#include "product_environment.h"
#include "window_fixture.h"

namespace app::testing {
namespace {

class WindowTextFitTest : public WindowTest {
 protected:
  // The texts a control shows that do not fit it, as "<class> '<text>'".
  static std::vector<std::string> CutTexts(QWidget* page) {
    std::vector<std::string> cut;
    for (QWidget* control : page->findChildren<QWidget*>()) {
      QString text;
      bool fits = true;
      if (auto* label = qobject_cast<QLabel*>(control); label && !label->text().isEmpty()) {
        text = label->text();
        fits = label->wordWrap() ? label->height() >= label->heightForWidth(label->width())
                                 : label->width() >= label->sizeHint().width();
      } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        text = button->text();
        fits = button->width() >= button->sizeHint().width();
      } else {
        continue;
      }
      const QRect inside = control->parentWidget()->rect();
      if (!control->isVisibleTo(page) || (fits && inside.contains(control->geometry()))) continue;
      cut.push_back(std::string(control->metaObject()->className()) + " '" +
                    text.toStdString() + "'");
    }
    return cut;
  }

  // Controls that lie over one another, so one hides a part of the other,
  // as "'<text>' over '<text>'".
  static std::vector<std::string> Overlaps(QWidget* page) {
    std::vector<std::string> found;
    const QList<QWidget*> controls = page->findChildren<QWidget*>();
    for (QWidget* a : controls) {
      for (QWidget* b : controls) {
        if (a >= b || a->parentWidget() != b->parentWidget() || !a->isVisibleTo(page) ||
            !b->isVisibleTo(page) || !a->geometry().intersects(b->geometry()))
          continue;
        found.push_back("'" + Caption(a) + "' over '" + Caption(b) + "'");
      }
    }
    return found;
  }
  static std::string Caption(QWidget* control) {
    if (auto* label = qobject_cast<QLabel*>(control)) return label->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text().toStdString();
    return control->metaObject()->className();
  }

  // The captions a login gives when neither part can run.
  void FillOptionsThatCannotRun() {
    ::app::UpdateDescription = TUpdateDescription::LoadFromBytes(
        "<ROOT><DB_UPDATE><I SUBD='FIREBIRD' TIME_PERCENT='1'/></DB_UPDATE></ROOT>");
    CurrentDBVersion = "2.9.9";
    StartVersions = "3.1;";
    PontarexInstalled = false;
    FillUpdateOptions({window.cbUpdateDB, window.cbUpdateXML, window.cbUpdateConf,
                       window.bbExecute, &window});
    ShowAllPages();
  }

  ProductEnvironment product;
};

TEST_F(WindowTextFitTest, TheLongestOptionCaptionsAndAStatusOfSeveralLinesAreShownWhole) {
  FillOptionsThatCannotRun();
  ASSERT_TRUE(window.cbUpdateConf->text().endsWith(QStringLiteral("(ПОНТАРЕКС не установлена)")));
  window.SetStatusText(classlib::Utf8ToCp1251(
      "Перенос справочников материалов, инструментов и оснастки из прежней версии базы данных "
      "в новую с проверкой ссылок между ними"));
  EXPECT_EQ(CutTexts(window.tsUpdate), std::vector<std::string>{});
  EXPECT_GE(window.width(), kClientWidth);
  EXPECT_GE(window.height(), kClientHeight);
  // The window grows with its texts, but keeps a fixed border.
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  // The status line shrinking again gives back the height it took.
  window.SetStatusText("x");
  EXPECT_EQ(window.height(), kClientHeight);
}

TEST_F(WindowTextFitTest, EveryKindsCaptionsFitOnTheOtherPagesOfTheWiderWindow) {
  FillOptionsThatCannotRun();
  for (const char* kind : {"FIREBIRD", "MSSQL", "ORACLE"}) {
    Choose(kind);
    EXPECT_EQ(CutTexts(window.tsBaseSelect), std::vector<std::string>{}) << kind;
    // The buttons on the right stay at the window's right edge.
    EXPECT_EQ(window.btnCheckConnection->geometry().right() + 1 + 8, window.width()) << kind;
    if (window.btnFileDB->isVisible()) {
      EXPECT_EQ(window.eForDB->geometry().right() + 1 + kFileButtonGap, window.btnFileDB->x());
    }
  }
  EXPECT_EQ(CutTexts(window.tsUsrParams), std::vector<std::string>{});
  EXPECT_EQ(window.ButtonCancel->geometry().right() + 1 + 8, window.width());
}

// Each page as each kind of server shows it, at the designed size: no
// caption is cut and no control covers another. The tests run again with
// the window system scaled by 1.5 (QT_SCALE_FACTOR), where texts measure
// differently.
TEST_F(WindowTextFitTest, EveryPageOfEveryKindShowsItsCaptionsWhole) {
  if (!qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) {
    EXPECT_EQ(window.devicePixelRatio(), qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
  }
  ShowAllPages();
  for (const char* kind : {"FIREBIRD", "MSSQL", "ORACLE"}) {
    Choose(kind);
    for (QWidget* page : {window.tsBaseSelect, window.tsUsrParams, window.tsUpdate}) {
      window.pcMain->setCurrentWidget(page);  // a page gets the window's size when shown
      EXPECT_EQ(CutTexts(page), std::vector<std::string>{}) << kind;
      EXPECT_EQ(Overlaps(page), std::vector<std::string>{}) << kind;
    }
  }
}

// The columns of a table or list that do not show their texts whole, on
// one line and without scrolling sideways, as "<column>: <width> < <needed>".
std::vector<std::string> NarrowColumns(QAbstractItemView& view, QHeaderView& header,
                                       std::initializer_list<int> columns) {
  std::vector<std::string> narrow;
  for (int column : columns) {
    const int needed = std::max(view.sizeHintForColumn(column), header.sectionSizeHint(column));
    const int right = header.sectionViewportPosition(column) + header.sectionSize(column);
    if (header.sectionSize(column) < needed || right > view.viewport()->width())
      narrow.push_back(std::to_string(column) + ": " + std::to_string(header.sectionSize(column)) +
                       " < " + std::to_string(needed) + " (right edge " + std::to_string(right) +
                       " of " + std::to_string(view.viewport()->width()) + ")");
  }
  return narrow;
}

// "Дополнительно..." as SQL Server's pairs fill it, with its longest default
// name: every name shows whole on one line, and the values keep room.
TEST_F(WindowTextFitTest, TheConnectionDialogShowsEveryNameWhole) {
  window.SetDataLinkDialog(nullptr);
  Choose("MSSQL");
  window.eUserName->setText("sa");
  std::vector<std::string> narrow = {"not shown"};
  int value_width = 0;
  int names = 0;
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    auto* table = dialog->findChild<QTableWidget*>();
    ASSERT_NE(table, nullptr);
    for (int row = 0; row < table->rowCount(); ++row)
      names += table->item(row, 0)->text() == QStringLiteral("Tag with column collation when possible");
    narrow = NarrowColumns(*table, *table->horizontalHeader(), {0});
    value_width = table->columnWidth(1);
    // A name typed longer than any makes room for itself as well.
    table->item(0, 0)->setText(QStringLiteral("A name longer than every name the page writes"));
    const std::vector<std::string> after_rename = NarrowColumns(*table, *table->horizontalHeader(), {0});
    narrow.insert(narrow.end(), after_rename.begin(), after_rename.end());
    dialog->close();
  });
  window.btnConfigConnection->click();
  EXPECT_EQ(names, 1);
  EXPECT_EQ(narrow, std::vector<std::string>{});
  EXPECT_GE(value_width, window.fontMetrics().horizontalAdvance(QStringLiteral("localhost, 4096")));
}

// The file dialog at the size it opens with: the size, type and date of
// each file are readable without widening it, and "Имя файла" holds the
// name of the file typed on the page.
TEST_F(WindowTextFitTest, TheFileDialogShowsSizesTypesAndDatesWhole) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder.File("Папка с базами данных"));
  std::ofstream(folder.File("Лексариум основная база данных.fdb"), std::ios::binary)
      << std::string(123456, 'x');
  window.SetFileOpenDialog(nullptr);
  Choose("FIREBIRD");
  window.eForDB->setText(QString::fromStdString(folder.File("product.fdb")));
  std::vector<std::string> narrow = {"not shown"};
  QString file_name;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    QTreeView* view = ListedFiles(*dialog, 2);
    ASSERT_NE(view, nullptr);
    QCoreApplication::processEvents();
    narrow = NarrowColumns(*view, *view->header(), {1, 2, 3});
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) file_name = edit->text();
    dialog->reject();
  });
  window.btnFileDB->click();
  EXPECT_EQ(narrow, std::vector<std::string>{});
  EXPECT_EQ(file_name, QStringLiteral("product.fdb"));
}

}  // namespace
}  // namespace app::testing
