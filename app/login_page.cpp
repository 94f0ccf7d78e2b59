#include "app/login_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>

#include "app/admin_login.h"
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
      MessageBoxes().Show(nullptr,
                          QStringOfAnsi(users_query) + QStringLiteral("\r\n") +
                              QStringOfAnsi(error.what()),
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
    ShowErrorBox(&window_, QStringOfAnsi(error.what()));
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
    ShowErrorBox(&window_, QStringOfAnsi(error.what()));
  }
  if (LoginFailures >= kMaxLoginFailures) window_.close();
}

void TLoginPage::RunOkClick() {
  const std::string release = DatabaseRelease();
  const std::string typed = AnsiOf(window_.LabeledEditParol->text());
  if (dsUsers->FieldByName("PAROL").AsString() != StoredForm(typed, release)) {
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

std::string TLoginPage::DatabaseRelease() {
  std::string release;
  try {
    TCloseAtEnd close(*dsCheckLogin);
    if (dsCheckLogin->Active()) dsCheckLogin->Close();
    dsCheckLogin->SQL().SetText(kDatabaseReleaseQuery);
    dsCheckLogin->Open();
    release = dsCheckLogin->Fields(0).AsString();
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
  window_.BDConnectionBackup.Save();
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

void TLoginPage::ShowFailure(const char* text_utf8) {
  MessageBoxes().Show(&window_, QString::fromUtf8(text_utf8), kInformationCaption,
                      kLoginFailureStyle);
  ++LoginFailures;
}

}  // namespace app
