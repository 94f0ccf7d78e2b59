// The window's life: creation, the flow between its pages and the close.
#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>

#include "app/ado_command.h"
#include "app/ado_connection.h"
#include "app/ado_query.h"
#include "app/aux_messages.h"
#include "app/drop_down_combo_box.h"
#include "app/login_page.h"
#include "app/page_services.h"
#include "app/shell_open.h"
#include "classlib/ansistr.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_database.h"
#include "fib/zod/zod_query.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "platform/environment.h"

namespace app {

namespace {

enum TPageIndex { kBaseSelectPage = 0, kUserPage = 1, kUpdatePage = 2 };

// How soon a close waiting for a dialog to go away is tried again.
constexpr int kCloseRetryMs = 50;

}  // namespace

TfrmUpdate::TfrmUpdate(QWidget* parent)
    : QWidget(parent),
      zodDB(std::make_unique<fib::TpZODDatabase>(nullptr)),
      zodTrans(std::make_unique<fib::TFIBTransaction>(nullptr)),
      zodQ(std::make_unique<fib::TpZODQuery>(nullptr)),
      zodDS(std::make_unique<TFirebirdBlobDataSet>(nullptr)) {
  zodDB->SetSQLDialect(3);
  zodTrans->SetDefaultDatabase(zodDB.get());
  zodDB->SetDefaultTransaction(zodTrans.get());
  setObjectName(QStringLiteral("frmUpdate"));
  setWindowTitle(QStringLiteral("Обновление данных"));
  setFixedSize(kClientWidth, kClientHeight);

  pcMain = new QTabWidget(this);
  pcMain->setDocumentMode(true);  // the flat-button look of the tabs
  pcMain->setGeometry(0, 0, kClientWidth, kClientHeight);
  tsBaseSelect = new QWidget;
  tsUsrParams = new QWidget;
  tsUpdate = new QWidget;
  pcMain->addTab(tsBaseSelect, QStringLiteral("Выбор базы"));
  pcMain->addTab(tsUsrParams, QStringLiteral("Выбор пользователя"));
  pcMain->addTab(tsUpdate, QStringLiteral("Обновление"));

  CreateComponents();
  CreateBaseSelectPage();
  CreateUserPage();
  CreateUpdatePage();
  FitWindow();

  pcMain->setTabVisible(kUserPage, false);
  pcMain->setTabEnabled(kUserPage, false);
  pcMain->setTabVisible(kUpdatePage, false);
  pcMain->setTabEnabled(kUpdatePage, false);

  ConnectFirstPage();
  connect(ComboBoxUser, &QComboBox::currentIndexChanged, this, &TfrmUpdate::HideUpdatePage);
  connect(ComboBoxGroup, &QComboBox::currentIndexChanged, this, &TfrmUpdate::HideUpdatePage);
  connect(LabeledEditParol, &QLineEdit::textChanged, this, &TfrmUpdate::HideUpdatePage);
  connect(ButtonCancel, &QPushButton::clicked, this, &QWidget::close);
  connect(bbExecute, &QPushButton::clicked, this, &TfrmUpdate::bbExecuteClick);
  connect(sbDetails, &QPushButton::clicked, this, &TfrmUpdate::sbDetailsClick);
  connect(bbInstruction, &QPushButton::clicked, this, &TfrmUpdate::bbInstructionClick);
  connect(bbOpenDir, &QPushButton::clicked, this, &TfrmUpdate::bbOpenDirClick);
  LoginPage = std::make_unique<TLoginPage>(*this);

  FormCreate();
}

TfrmUpdate::~TfrmUpdate() = default;

void TfrmUpdate::CreateComponents() {
  auto named = [](auto* component, const char* name) {
    component->SetName(name);
    return component;
  };
  Con = named(new TADOConnection(&components_), "Con");
  conLX = named(new TADOConnection(&components_), "conLX");
  qLX = named(new TADOQuery(&components_), "qLX");
  qLX->SetConnection(conLX);
  // Statements of the update run are never cut short.
  qEx = named(new TADOCommand(&components_), "qEx");
  qEx->SetConnection(conLX);
  oraSession = named(new oracle::TOraSession(&components_), "oraSession");
  oraQ = named(new oracle::TOraQuery(&components_), "oraQ");
  oraQ->SetSession(oraSession);
  oraQ2 = named(new oracle::TOraQuery(&components_), "oraQ2");
  oraQ2->SetSession(oraSession);
}

void TfrmUpdate::FormCreate() {
  LogCheckErrors = false;
  for (int i = 1; i <= platform::ParamCount(); ++i) {
    if (classlib::UpperCase(platform::ParamStr(i)) == "LOGCHECKERROR") {
      LogCheckErrors = true;
      break;
    }
  }
  pcMain->setCurrentIndex(kBaseSelectPage);
  PrevDBTypeIndex = cbDBType->currentIndex();
  ConnParams.Clear();
  // Filling the list is no choice of the user's: the kind stays unchosen.
  const QSignalBlocker quiet(cbDBType);
  cbDBType->clear();
  cbDBType->addItems({QStringLiteral("FIREBIRD"), QStringLiteral("MSSQL"),
                      QStringLiteral("ORACLE")});
  cbDBType->setCurrentIndex(-1);
}

void TfrmUpdate::ShowUserPage() {
  pcMain->setTabEnabled(kUserPage, true);
  pcMain->setTabVisible(kUserPage, true);
  pcMain->setCurrentIndex(kUserPage);
}

void TfrmUpdate::ShowUpdatePage() {
  FitWindow();  // the login has just written the options' captions
  pcMain->setTabEnabled(kUpdatePage, true);
  pcMain->setTabVisible(kUpdatePage, true);
  pcMain->setCurrentIndex(kUpdatePage);
}

void TfrmUpdate::HideLaterPages() {
  pcMain->setTabEnabled(kUserPage, false);
  pcMain->setTabVisible(kUserPage, false);
  pcMain->setTabVisible(kUpdatePage, false);
}

void TfrmUpdate::HideUpdatePage() {
  pcMain->setTabEnabled(kUpdatePage, false);
  pcMain->setTabVisible(kUpdatePage, false);
}

void TfrmUpdate::closeEvent(QCloseEvent* event) {
  if (running_) {
    event->ignore();
    NoticeCloseAfterRun();
    return;
  }
  FormCloseQuery();
  event->accept();
}

void TfrmUpdate::TerminationRequested() {
  close_requested_ = true;
  CloseWhenIdle();
}

// A dialog's own event loop would keep the program alive, and the code
// after it must finish before the connections close under it: the dialog
// is dismissed and the close tried again from the main loop.
void TfrmUpdate::CloseWhenIdle() {
  if (running_) return;  // bbExecuteClick closes the window when the run ends
  if (QWidget* dialog = QApplication::activeModalWidget(); dialog != nullptr && dialog != this) {
    dialog->close();
    QTimer::singleShot(kCloseRetryMs, this, &TfrmUpdate::CloseWhenIdle);
    return;
  }
  close();
}

void TfrmUpdate::FormCloseQuery() {
  // Nothing here is reported: the window closes in any case.
  BDConnectionBackup.Restore();
  try {
    zodDB->Close();
  } catch (const std::exception&) {
  }
  try {
    conLX->Close();
  } catch (const std::exception&) {
  }
  try {
    oraSession->Close();
  } catch (const std::exception&) {
  }
}

IFileOpenDialog& TfrmUpdate::FileOpenDialog() {
  if (file_dialog_) return *file_dialog_;
  if (!own_file_dialog_) own_file_dialog_ = std::make_unique<TQtFileOpenDialog>();
  return *own_file_dialog_;
}

IDataLinkDialog& TfrmUpdate::DataLinkDialog() {
  if (data_link_dialog_) return *data_link_dialog_;
  if (!own_data_link_dialog_) own_data_link_dialog_ = std::make_unique<TQtDataLinkDialog>();
  return *own_data_link_dialog_;
}

IShellOpen& TfrmUpdate::ShellOpen() {
  if (shell_) return *shell_;
  if (!own_shell_) own_shell_ = std::make_unique<TDesktopShellOpen>();
  return *own_shell_;
}

IServerList& TfrmUpdate::ServerList() {
  if (server_list_) return *server_list_;
  if (!own_server_list_) own_server_list_ = std::make_unique<TConfiguredServerList>();
  return *own_server_list_;
}

}  // namespace app
