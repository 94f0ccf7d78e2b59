#include "app/db_login_dialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>

#include "app/qt_text.h"
#include "app/star_password_style.h"

namespace app {
namespace {

QLabel* BuddyLabel(const std::string& caption, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(QStringOfAnsi(caption), parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

TfrmFIBDBLoginDlg::TfrmFIBDBLoginDlg(const fib::DBLoginDialogFields& fields, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("frmFIBDBLoginDlg"));
  setWindowTitle(QStringOfAnsi(fields.caption));
  setModal(true);

  lbDBName = new QLabel(QStringOfAnsi(fields.db_name), this);
  lbDBName->setObjectName(QStringLiteral("lbDBName"));
  EdUserName = new QLineEdit(QStringOfAnsi(fields.user_name), this);
  EdUserName->setObjectName(QStringLiteral("EdUserName"));
  EdPassword = new QLineEdit(this);
  EdPassword->setObjectName(QStringLiteral("EdPassword"));
  EdPassword->setEchoMode(QLineEdit::Password);
  EdPassword->setStyle(StarPasswordStyle());
  EdRole = new QLineEdit(QStringOfAnsi(fields.role), this);
  EdRole->setObjectName(QStringLiteral("EdRole"));

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringOfAnsi(fields.db_label), this), 0, 0);
  grid->addWidget(lbDBName, 0, 1);
  grid->addWidget(BuddyLabel(fields.user_label, EdUserName, this), 1, 0);
  grid->addWidget(EdUserName, 1, 1);
  grid->addWidget(BuddyLabel(fields.password_label, EdPassword, this), 2, 0);
  grid->addWidget(EdPassword, 2, 1);
  grid->addWidget(BuddyLabel(fields.role_label, EdRole, this), 3, 0);
  grid->addWidget(EdRole, 3, 1);
  grid->setColumnMinimumWidth(1, 220);

  OKButton = new QPushButton(QStringOfAnsi(fields.ok_caption), this);
  OKButton->setDefault(true);
  CancelButton = new QPushButton(QStringOfAnsi(fields.cancel_caption), this);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  // A fixed size, centred on the screen.
  layout->setSizeConstraint(QLayout::SetFixedSize);
  adjustSize();
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  EdUserName->setFocus();
}

void TfrmFIBDBLoginDlg::ReadAnswers(fib::DBLoginDialogFields& fields) const {
  fields.user_name = AnsiOf(EdUserName->text());
  fields.password = AnsiOf(EdPassword->text());
  fields.role = AnsiOf(EdRole->text());
}

bool RunDBLoginDialog(fib::DBLoginDialogFields& fields) {
  QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr) return false;
  bool accepted = false;
  auto show = [&] {
    TfrmFIBDBLoginDlg dialog(fields, QApplication::activeWindow());
    accepted = dialog.exec() == QDialog::Accepted;
    if (accepted) dialog.ReadAnswers(fields);
  };
  if (QThread::currentThread() == application->thread())
    show();
  else
    QMetaObject::invokeMethod(application, show, Qt::BlockingQueuedConnection);
  return accepted;
}

}  // namespace app
