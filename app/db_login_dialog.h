// The Firebird layer's database login dialog: database name, user name,
// password and role, asked before a database with UseLoginPrompt connects.
#pragma once

#include <QDialog>

#include "fib/zod/zod_database_login.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace app {

class TfrmFIBDBLoginDlg : public QDialog {
  Q_OBJECT

 public:
  // Shows what `fields` hold: their captions, the (shortened) database name,
  // the user name and role; the password edit starts empty.
  explicit TfrmFIBDBLoginDlg(const fib::DBLoginDialogFields& fields, QWidget* parent = nullptr);

  // Copies the user name, password and role the user typed into `fields`.
  void ReadAnswers(fib::DBLoginDialogFields& fields) const;

  QLabel* lbDBName = nullptr;
  QLineEdit* EdUserName = nullptr;
  QLineEdit* EdPassword = nullptr;
  QLineEdit* EdRole = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
};

// Shows the dialog modally on the window's thread (waiting for it from any
// other thread) and answers whether OK was pressed; the layer's login hook
// calls it. False when there is no application to show it in.
bool RunDBLoginDialog(fib::DBLoginDialogFields& fields);

}  // namespace app
