// The window system's file dialog, speaking the window's language in its
// file list as well: Qt's own list shows types, sizes and dates in the
// system's locale (English here), whatever the translations say.
#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTreeView>
#include <algorithm>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QRegularExpression>

#include "app/page_services.h"

namespace app {

namespace {

enum TFileColumn { kSizeColumn = 1, kTypeColumn = 2, kDateColumn = 3 };
// The dialog's width at first, in average characters: a long name, a size,
// a file type and a date side by side.
constexpr int kDialogChars = 110;

const QLocale& WindowLocale() {
  static const QLocale locale(QLocale::Russian, QLocale::Russia);
  return locale;
}

// Sizes as the window's language writes them: "3 Б", "4,88 кБ".
QString SizeText(qint64 bytes) {
  if (bytes < 1024) return WindowLocale().toString(bytes) + QStringLiteral(" Б");
  return WindowLocale().formattedDataSize(bytes, 2, QLocale::DataSizeTraditionalFormat);
}

// The dialog's file list with the size, type and date columns written in
// the window's language; everything else, sorting included, is the file
// system model's.
class TWindowLanguageFileColumns : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || files == nullptr || index.column() < kSizeColumn)
      return QIdentityProxyModel::data(index, role);
    const QFileInfo info = files->fileInfo(mapToSource(index));
    switch (index.column()) {
      case kSizeColumn:
        return info.isDir() ? QString() : SizeText(info.size());
      case kTypeColumn:
        // A file's type is its MIME comment, which follows the default
        // locale; a folder's is a fixed word Qt does not translate.
        return info.isDir() ? QStringLiteral("Папка") : QIdentityProxyModel::data(index, role);
      case kDateColumn:
        return WindowLocale().toString(info.lastModified(), QLocale::ShortFormat);
      default:
        return QIdentityProxyModel::data(index, role);
    }
  }
};

// The size, type and date columns as wide as what they show, the name
// taking the rest, and the dialog wide enough at first for all four:
// Qt's default widths cut the Russian dates and file types.
void ShowFileColumnsWhole(QFileDialog& dialog) {
  auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (view == nullptr) return;
  QHeaderView* header = view->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  for (int column : {kSizeColumn, kTypeColumn, kDateColumn})
    header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  const QFontMetrics metrics = view->fontMetrics();
  dialog.resize(std::max(dialog.sizeHint().width(), metrics.averageCharWidth() * kDialogChars),
                dialog.sizeHint().height());
}

}  // namespace

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
                                   const QString& filter, const QString& initial_dir,
                                   const QString& file_name) {
  QFileDialog dialog(owner, QString(), initial_dir, QtFilterOf(filter));
  // Qt's own dialog, so its file list is the one written in Russian above.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setProxyModel(new TWindowLanguageFileColumns(&dialog));
  dialog.setFileMode(QFileDialog::ExistingFile);
  ShowFileColumnsWhole(dialog);
  if (!file_name.isEmpty()) dialog.selectFile(file_name);
  QString suffix = default_ext;
  suffix.remove(QRegularExpression(QStringLiteral("^[*.]+")));
  dialog.setDefaultSuffix(suffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

}  // namespace app
