#include "app/login_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <vector>

#include "app/admin_login.h"
#include "app/admin_login_missing_table.h"
#include "app/ado_connection_errors.h"
#include "app/ado_connection.h"
#include "app/ado_query.h"
#include "app/connection_backup.h"
#include "app/connection_login.h"
#include "app/main_window.h"
#include "app/message_boxes.h"
#include "app/prepare_update.h"
#include "app/qt_text.h"
#include "app/reg.h"
#include "app/run_state.h"
#include "app/update_options.h"

namespace app {

namespace {

constexpr int kUserPageIndex = 1;

std::unique_ptr<TADOQuery> QueryOn(TADOConnection* connection) {
  auto query = std::make_unique<TADOQuery>(nullptr);
  query->SetConnection(connection);
  return query;
}

// Closes the data set when the scope ends, however it ends.
class TCloseAtEnd {
 public:
  explicit TCloseAtEnd(TADOQuery& query) : query_(query) {}
  ~TCloseAtEnd() {
    try {
      if (query_.Active()) query_.Close();
    } catch (const std::exception&) {
    }
  }

 private:
  TADOQuery& query_;
};

// The box text of a failed statement that reads `tables`: when the server
// says one of them is not there, that the database is no product database,
// then the server's words; otherwise `usual`.
QString StatementFailureText(const std::exception& error, const std::vector<std::string>& tables,
                             const QString& usual) {
  const std::vector<std::string> messages = ConnectionErrorMessages(std::string(error.what()));
  const std::string missing = NotAProductDatabaseText(messages, tables);
  if (missing.empty()) return usual;
  return QStringOfAnsi(ConnectionFailureText(missing, messages));
}

}  // namespace

TLoginPage::TLoginPage(TfrmUpdate& window)
    : dsUsers(QueryOn(window.Con)),
      dsUserGroups(QueryOn(window.Con)),
      dsCheckLogin(QueryOn(window.Con)),
      window_(window) {
  connect(window.pcMain, &QTabWidget::currentChanged, this, [this](int index) {
    if (index == kUserPageIndex) tsUsrParamsShow();
  });
  connect(window.ComboBoxUser, &QComboBox::currentIndexChanged, this,
          &TLoginPage::ComboBoxUserChange);
  connect(window.ComboBoxGroup, &QComboBox::currentIndexChanged, this,
          &TLoginPage::ComboBoxGroupChange);
  connect(window.LabeledEditParol, &QLineEdit::textChanged, this,
          &TLoginPage::LabeledEditParolChange);
  connect(window.ButtonOK, &QPushButton::clicked, this, &TLoginPage::ButtonOKClick);
  window.tsUsrParams->installEventFilter(this);
}

// The page's edits and lists leave Return to their parent, the page.
bool TLoginPage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  if (window_.ButtonOK->isEnabled()) window_.ButtonOK->click();
  return true;
}

TLoginPage::~TLoginPage() = default;

void TLoginPage::tsUsrParamsShow() {
  LoginFailures = 0;
  const std::string users_query = UsersQuery(DBType == kFirebird || DBType == kInterBase);
  const QString chosen = window_.ComboBoxUser->currentText();
  {
    // Filling the list is no choice of the user's.
    const QSignalBlocker quiet(window_.ComboBoxUser);
    window_.ComboBoxUser->clear();
    try {
      if (dsUsers->Active()) dsUsers->Close();
      dsUsers->SQL().SetText(users_query);
      dsUsers->Open();
      for (; !dsUsers->Eof(); dsUsers->Next())
        window_.ComboBoxUser->addItem(QStringOfAnsi(dsUsers->FieldByName("USERNAME").AsString()));
    } catch (const std::exception& error) {
      // A row the server could not deliver fails the open, so the list is
      // never a silently shortened one.
      window_.ComboBoxUser->clear();
      MessageBoxes().Show(nullptr,
                          StatementFailureText(error, {"LOGON_USER"},
                                               QStringOfAnsi(users_query) + QStringLiteral("\r\n") +
                                                   QStringOfAnsi(error.what())),
                          kErrorCaption, MB_OK | MB_ICONERROR);
    }
    window_.ComboBoxUser->setCurrentIndex(-1);
    // Coming back to the page keeps the user chosen before, with his group
    // and password, so OK checks what the page shows.
    if (!chosen.isEmpty() && LocateUser(chosen))
      window_.ComboBoxUser->setCurrentIndex(window_.ComboBoxUser->findText(chosen));
  }
  if (window_.ComboBoxUser->currentIndex() < 0) {
    window_.ComboBoxGroup->clear();
    window_.LabeledEditParol->clear();
  }
}

bool TLoginPage::LocateUser(const QString& name) {
  if (!dsUsers->Active()) return false;
  dsUsers->First();
  // The whole name, in any letter case: "Ivan" must not find "Ivanov".
  return dsUsers->Locate("USERNAME", AnsiOf(name), {classlib::loCaseInsensitive});
}

void TLoginPage::ComboBoxUserChange() {
  window_.HideUpdatePage();
  if (!LocateUser(window_.ComboBoxUser->currentText())) return;
  const std::string user_guid = dsUsers->FieldByName("GUID").AsString();
  const std::string default_group = dsUsers->FieldByName("DEFGROUPGUID").AsString();

  const QSignalBlocker quiet(window_.ComboBoxGroup);
  try {
    if (dsUserGroups->Active()) dsUserGroups->Close();
    dsUserGroups->SQL().SetText(UserGroupsQuery(user_guid));
    window_.ComboBoxGroup->clear();
    dsUserGroups->Open();
    for (; !dsUserGroups->Eof(); dsUserGroups->Next())
      window_.ComboBoxGroup->addItem(
          QStringOfAnsi(dsUserGroups->FieldByName("GROUPNAME").AsString()));
    window_.ComboBoxGroup->setCurrentIndex(-1);
    dsUserGroups->First();
    if (!default_group.empty() && dsUserGroups->Locate("GUID", default_group, {}))
      window_.ComboBoxGroup->setCurrentIndex(window_.ComboBoxGroup->findText(
          QStringOfAnsi(dsUserGroups->FieldByName("GROUPNAME").AsString()), Qt::MatchExactly));
  } catch (const std::exception& error) {
    ShowErrorBox(&window_, StatementFailureText(error, {"LOGON_GROUP", "LOGON_LINK"},
                                                QStringOfAnsi(error.what())));
  }
}

void TLoginPage::ComboBoxGroupChange() { window_.HideUpdatePage(); }
void TLoginPage::LabeledEditParolChange() { window_.HideUpdatePage(); }

void TLoginPage::ButtonOKClick() {
  // A failure no step expects is reported like any other of the program's
  // errors; the failure counter does not change.
  try {
    RunOkClick();
  } catch (const std::exception& error) {
    ShowErrorBox(&window_, StatementFailureText(error, {"LOGON_GROUP", "LOGON_PRIVILEGES"},
                                                QStringOfAnsi(error.what())));
  }
  if (LoginFailures >= kMaxLoginFailures) window_.close();
}

void TLoginPage::RunOkClick() {
  bool release_read = true;
  std::string release = DatabaseRelease(release_read);
  const std::string typed = AnsiOf(window_.LabeledEditParol->text());
  const std::string stored = dsUsers->FieldByName("PAROL").AsString();
  // Without the release (no version table) the older forms are assumed; a
  // password stored in the newer form is right all the same, and its form
  // tells how the account is stored.
  if (!release_read && stored != StoredForm(typed, release) &&
      stored == StoredForm(typed, kFirstEncipheredRelease))
    release = kFirstEncipheredRelease;
  if (stored != StoredForm(typed, release)) {
    ShowFailure(kWrongPasswordText);
    return;
  }
  LoginUserName = dsUsers->FieldByName("USERNAME").AsString();
  LoginPassword = typed;
  SqlUserName = PlainOfStoredForm(dsUsers->FieldByName("USERNAMESQL").AsString(), release);
  SqlPassword = PlainOfStoredForm(dsUsers->FieldByName("PASSWORDSQL").AsString(), release);
  LoginGroup = AnsiOf(window_.ComboBoxGroup->currentText());

  IsAdmin = GroupIsAdministrator(LoginGroup);
  if (!IsAdmin) {
    ShowFailure(kNotAdministratorText);
    return;
  }
  if (CompleteLogin()) window_.ShowUpdatePage();
}

std::string TLoginPage::DatabaseRelease(bool& read) {
  std::string release;
  read = false;
  try {
    TCloseAtEnd close(*dsCheckLogin);
    if (dsCheckLogin->Active()) dsCheckLogin->Close();
    dsCheckLogin->SQL().SetText(kDatabaseReleaseQuery);
    dsCheckLogin->Open();
    release = dsCheckLogin->Fields(0).AsString();
    read = true;
  } catch (const std::exception&) {
    // A database without its version table is one of the older releases.
    release.clear();
  }
  return release;
}

bool TLoginPage::GroupIsAdministrator(const std::string& group) {
  TCloseAtEnd close(*dsCheckLogin);
  if (dsCheckLogin->Active()) dsCheckLogin->Close();
  dsCheckLogin->SQL().SetText(AdminPrivilegeQuery(group));
  dsCheckLogin->Open();
  return dsCheckLogin->Fields(0).AsInteger() > 0;
}

bool TLoginPage::CompleteLogin() {
  app::LoginUserName = LoginUserName;
  app::LoginPassword = LoginPassword;
  app::LoginGroup = LoginGroup;
  app::SqlUserName = SqlUserName;
  app::SqlPassword = SqlPassword;
  // A blank stored account takes, and hands back, the first page's account.
  ProductConnectionString =
      ApplyLoginToConnectionString(BaseConnectionString, app::SqlUserName, app::SqlPassword);

  // Another copy's login in the key would be taken for the product's own
  // and put back by the last copy to close: this copy waits its turn.
  TBackupOwner other;
  if (!window_.BDConnectionBackup.Saved() && LiveBackupOfAnotherProcess(other)) {
    ShowOtherCopyLoggedIn(other);
    return false;
  }

  TPreparationTarget target;
  target.owner = &window_;
  target.view = &window_;
  target.connections.zodDB = window_.zodDB.get();
  target.connections.conLX = window_.conLX;
  target.connections.oraSession = window_.oraSession;
  target.connections.oraQ = window_.oraQ;
  if (!PrepareUpdate(target)) return false;

  // What stood in the product's key before the first success of this run
  // goes back when the window closes.
  if (!window_.BDConnectionBackup.Save(&other)) {
    ShowOtherCopyLoggedIn(other);
    return false;
  }
  WriteRegBinary(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue,
                 EncipheredConnectionString(ProductConnectionString));
  WriteRegString(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue, DBType);

  TUpdateOptionControls options;
  options.cbUpdateDB = window_.cbUpdateDB;
  options.cbUpdateXML = window_.cbUpdateXML;
  options.cbUpdateConf = window_.cbUpdateConf;
  options.bbExecute = window_.bbExecute;
  options.view = &window_;
  FillUpdateOptions(options);
  return true;
}

void TLoginPage::ShowOtherCopyLoggedIn(const TBackupOwner& other) {
  const QString copy = other.program.empty()
                           ? QStringLiteral("процесс %1").arg(other.pid)
                           : QStringLiteral("%1, процесс %2").arg(QStringOfAnsi(other.program)).arg(other.pid);
  ShowErrorBox(&window_, QStringLiteral("Вход невозможен: другая копия программы обновления (%1) "
                                        "уже выполнила вход и заменила параметры соединения "
                                        "продукта. Закройте ее и повторите вход.")
                             .arg(copy));
}

void TLoginPage::ShowFailure(const char* text_utf8) {
  MessageBoxes().Show(&window_, QString::fromUtf8(text_utf8), kInformationCaption,
                      kLoginFailureStyle);
  ++LoginFailures;
}

}  // namespace app
