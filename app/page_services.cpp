#include "app/page_services.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cstdlib>

#include "app/pair_quoting.h"
#include "app/qt_text.h"
#include "app/val_list.h"

namespace app {

QStringList TConfiguredServerList::Names() {
  const char* configured = std::getenv("UPDATER_DB_SERVERS");
  if (!configured) return {QStringLiteral("localhost")};
  return QString::fromUtf8(configured).split(QRegularExpression(QStringLiteral("[;,\\s]+")),
                                             Qt::SkipEmptyParts);
}

void TConfiguredServerList::Enumerate(const std::function<void(const QString&)>& add) {
  for (const QString& name : Names()) add(name);
}

QString TQtFileOpenDialog::QtFilterOf(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    // "*.*" means every file on Windows; here a name need not hold a dot.
    for (QString& pattern : patterns) {
      if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
    }
    const QString list = QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    // The dialog reads the patterns from the last parentheses, so a
    // description that already shows them is left as it is.
    entries << (parts[i].endsWith(list) ? parts[i] : parts[i] + QLatin1Char(' ') + list);
  }
  return entries.join(QStringLiteral(";;"));
}

QString TQtFileOpenDialog::Execute(QWidget* owner, const QString& default_ext,
                                   const QString& filter, const QString& initial_dir) {
  QFileDialog dialog(owner, QString(), initial_dir, QtFilterOf(filter));
  dialog.setFileMode(QFileDialog::ExistingFile);
  QString suffix = default_ext;
  suffix.remove(QRegularExpression(QStringLiteral("^[*.]+")));
  dialog.setDefaultSuffix(suffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

QString TQtDataLinkDialog::Edit(QWidget* owner, const QString& connection_string) {
  TValList pairs;
  pairs.SetText(AnsiOf(connection_string));

  QDialog dialog(owner);
  dialog.setWindowTitle(QStringLiteral("Свойства связи с данными"));
  auto* table = new QTableWidget(static_cast<int>(pairs.Count()), 2, &dialog);
  table->setHorizontalHeaderLabels({QStringLiteral("Имя"), QStringLiteral("Значение")});
  table->horizontalHeader()->setStretchLastSection(true);
  for (std::size_t i = 0; i < pairs.Count(); ++i) {
    const int row = static_cast<int>(i);
    table->setItem(row, 0, new QTableWidgetItem(QStringOfAnsi(pairs.Items(i).Name())));
    table->setItem(row, 1, new QTableWidgetItem(QStringOfAnsi(pairs.Items(i).Value())));
  }
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
  dialog.resize(520, 360);
  if (dialog.exec() != QDialog::Accepted) return connection_string;

  // Rows without a name are dropped; the text is written the way the page
  // writes it, so values holding ";" read back whole.
  std::string text;
  for (int row = 0; row < table->rowCount(); ++row) {
    const QTableWidgetItem* name = table->item(row, 0);
    const QTableWidgetItem* value = table->item(row, 1);
    if (!name || name->text().isEmpty()) continue;
    if (!text.empty()) text += ';';
    text += AnsiOf(name->text()) + '=' + QuotePairValue(value ? AnsiOf(value->text()) : "");
  }
  return QStringOfAnsi(text);
}

}  // namespace app
