// The connection dialog: a table of the string's name/value pairs. A
// password pair's value shows as "*" for each character, in the table and
// in its editor, and is written back as typed.
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/page_services.h"
#include "app/pair_quoting.h"
#include "app/password_mask.h"
#include "app/qt_text.h"
#include "app/star_password_style.h"
#include "app/val_list.h"

namespace app {

namespace {

enum TColumn { kNameColumn = 0, kValueColumn = 1 };
// The designed size, and the room a value gets at least, in average
// characters.
constexpr int kDialogWidth = 520;
constexpr int kDialogHeight = 360;
constexpr int kValueChars = 30;

// Where a hidden value's text is kept; the cell itself shows only stars.
constexpr int kHiddenValueRole = Qt::UserRole + 1;

bool IsHidden(const QModelIndex& value) { return value.data(kHiddenValueRole).isValid(); }

QString ValueOf(const QTableWidgetItem* value) {
  if (value == nullptr) return {};
  const QVariant hidden = value->data(kHiddenValueRole);
  return hidden.isValid() ? hidden.toString() : value->text();
}

QString Stars(const QString& value) { return QString(value.size(), QLatin1Char('*')); }

// Hides or shows the value of `row` as its name asks.
void MaskValue(QTableWidget& table, int row) {
  const QTableWidgetItem* name = table.item(row, kNameColumn);
  const bool hide = name != nullptr && IsPasswordName(AnsiOf(name->text()));
  QTableWidgetItem* value = table.item(row, kValueColumn);
  if (value == nullptr) {
    if (!hide) return;
    value = new QTableWidgetItem;
    table.setItem(row, kValueColumn, value);
  }
  const QString text = ValueOf(value);
  value->setData(kHiddenValueRole, hide ? QVariant(text) : QVariant());
  value->setText(hide ? Stars(text) : text);
}

// Edits a hidden value in a password edit, and stores what was typed
// beside the stars the cell shows.
class TPasswordValueDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor); line && IsHidden(index)) {
      line->setEchoMode(QLineEdit::Password);
      line->setStyle(StarPasswordStyle());
    }
    return editor;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (line && IsHidden(index))
      line->setText(index.data(kHiddenValueRole).toString());
    else
      QStyledItemDelegate::setEditorData(editor, index);
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line || !IsHidden(index)) return QStyledItemDelegate::setModelData(editor, model, index);
    model->setData(index, line->text(), kHiddenValueRole);
    model->setData(index, Stars(line->text()), Qt::EditRole);
  }
};

QTableWidget* PairTable(QDialog& dialog, const TValList& pairs) {
  auto* table = new QTableWidget(static_cast<int>(pairs.Count()), 2, &dialog);
  table->setHorizontalHeaderLabels({QStringLiteral("Имя"), QStringLiteral("Значение")});
  table->horizontalHeader()->setStretchLastSection(true);
  table->setWordWrap(false);
  table->setItemDelegateForColumn(kValueColumn, new TPasswordValueDelegate(table));
  for (std::size_t i = 0; i < pairs.Count(); ++i) {
    const int row = static_cast<int>(i);
    table->setItem(row, kNameColumn, new QTableWidgetItem(QStringOfAnsi(pairs.Items(i).Name())));
    table->setItem(row, kValueColumn,
                   new QTableWidgetItem(QStringOfAnsi(pairs.Items(i).Value())));
    MaskValue(*table, row);
  }
  // The names show whole, the longest included ("Tag with column collation
  // when possible"); a pair renamed to or from a password name hides or
  // shows its value.
  table->resizeColumnToContents(kNameColumn);
  QObject::connect(table, &QTableWidget::itemChanged, table, [table](QTableWidgetItem* item) {
    if (item->column() != kNameColumn) return;
    MaskValue(*table, item->row());
    table->resizeColumnToContents(kNameColumn);
  });
  return table;
}

// Wide enough for the names and a value of some length beside them.
int DialogWidth(const QDialog& dialog, const QTableWidget& table) {
  const int value = table.fontMetrics().averageCharWidth() * kValueChars;
  const QMargins margins = dialog.layout()->contentsMargins();
  const int table_width = 2 * table.frameWidth() + table.verticalHeader()->sizeHint().width() +
                          table.columnWidth(kNameColumn) + value +
                          table.verticalScrollBar()->sizeHint().width();
  return std::max(kDialogWidth, margins.left() + table_width + margins.right());
}

// Rows without a name are dropped; the text is written the way the page
// writes it, so values holding ";" read back whole.
QString PairsText(const QTableWidget& table) {
  std::string text;
  for (int row = 0; row < table.rowCount(); ++row) {
    const QTableWidgetItem* name = table.item(row, kNameColumn);
    if (!name || name->text().isEmpty()) continue;
    if (!text.empty()) text += ';';
    text += AnsiOf(name->text()) + '=' + QuotePairValue(AnsiOf(ValueOf(table.item(row, kValueColumn))));
  }
  return QStringOfAnsi(text);
}

}  // namespace

QString TQtDataLinkDialog::Edit(QWidget* owner, const QString& connection_string) {
  TValList pairs;
  pairs.SetText(AnsiOf(connection_string));

  QDialog dialog(owner);
  dialog.setWindowTitle(QStringLiteral("Свойства связи с данными"));
  QTableWidget* table = PairTable(dialog, pairs);
  auto* add = new QPushButton(QStringLiteral("Добавить"), &dialog);
  auto* remove = new QPushButton(QStringLiteral("Удалить"), &dialog);
  QObject::connect(add, &QPushButton::clicked, table,
                   [table] { table->insertRow(table->rowCount()); });
  QObject::connect(remove, &QPushButton::clicked, table, [table] {
    if (table->currentRow() >= 0) table->removeRow(table->currentRow());
  });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* row_buttons = new QHBoxLayout;
  row_buttons->addWidget(add);
  row_buttons->addWidget(remove);
  row_buttons->addStretch();
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(table);
  layout->addLayout(row_buttons);
  layout->addWidget(buttons);
  dialog.resize(DialogWidth(dialog, *table), kDialogHeight);
  if (dialog.exec() != QDialog::Accepted) return connection_string;
  return PairsText(*table);
}

}  // namespace app
