// The first page: the kind of database server, the server, the database and
// the account, kept as the pairs of an ADO connection string.
#include <QCheckBox>
#include <QFileInfo>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/ado_connection.h"
#include "app/drop_down_combo_box.h"
#include "app/main_window.h"
#include "app/main_window_captions.h"
#include "app/message_boxes.h"
#include "app/page_services.h"
#include "app/product_paths.h"
#include "app/qt_text.h"
#include "app/run_state.h"
#include "classlib/ansistr.h"
#include "classlib/stream.h"

namespace app {

namespace {

const QString kDatabaseFileFilter = QStringLiteral("Файл базы данных (*.fdb)|*.fdb|Все файлы|*.*");
const QString kConnectErrorText = QStringLiteral("Ошибка соединения с базой данных: ");
const QString kChooseKindText = QStringLiteral("Выберите тип базы данных");

// The folder part of a path written with either separator, with "/".
QString FolderOf(QString path) {
  path.replace(QLatin1Char('\\'), QLatin1Char('/'));
  return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// Where browsing for a database file starts: the folder of the typed path,
// else the product's folder; a folder that does not exist here (a Windows
// path, a typing slip) would leave the dialog in the process's working
// folder.
QString BrowseFolder(const QString& typed) {
  const QString product =
      QString::fromStdString(classlib::NativeFileName(GetLexariumInstallPath("")));
  for (const QString& folder : {FolderOf(typed), product})
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) return folder;
  return {};
}

// A Firebird location "server:path" names a remote server; a Windows drive
// letter ("D:\db.fdb") or a local path that holds a colon does not. A path
// after the server that holds a drive letter itself is remote in any case.
bool IsRemoteLocation(const std::string& server, const std::string& rest) {
  if (rest.find(':') != std::string::npos) return true;
  return server.size() > 1 && server.front() != '/' && server.find('\\') == std::string::npos;
}

}  // namespace

std::string TfrmUpdate::ChosenKind() const {
  return cbDBType->currentIndex() < 0 ? std::string() : AnsiOf(cbDBType->currentText());
}

void TfrmUpdate::ConnectFirstPage() {
  connect(cbDBType, &QComboBox::currentIndexChanged, this, &TfrmUpdate::cbDBTypeChange);
  // A check box changed by the program runs its handler too, as a click does.
  connect(cbForDB, &QCheckBox::toggled, this, &TfrmUpdate::cbForDBClick);
  connect(cbServerName, &TDropDownComboBox::dropDown, this, &TfrmUpdate::cbServerNameDropDown);
  connect(cbServerName, &QComboBox::currentTextChanged, this, &TfrmUpdate::cbServerNameChange);
  connect(eUserName, &QLineEdit::textChanged, this, &TfrmUpdate::eUserNameChange);
  connect(ePassword, &QLineEdit::textChanged, this, &TfrmUpdate::ePasswordChange);
  connect(eForDB, &QLineEdit::textChanged, this, &TfrmUpdate::eForDBChange);
  connect(btnFileDB, &QPushButton::clicked, this, &TfrmUpdate::btnFileDBClick);
  connect(btnConfigConnection, &QPushButton::clicked, this, &TfrmUpdate::btnConfigConnectionClick);
  connect(btnCheckConnection, &QPushButton::clicked, this, &TfrmUpdate::btnCheckConnectionClick);
}

void TfrmUpdate::EnableKindControls(bool enabled) {
  for (QWidget* control : std::initializer_list<QWidget*>{
           cbForDB, lUserName, eUserName, lPassword, ePassword, lServerName, cbServerName, lForDB,
           eForDB})
    control->setEnabled(enabled);
}

void TfrmUpdate::cbDBTypeChange() {
  const int index = cbDBType->currentIndex();
  const std::string kind = ChosenKind();
  if (index != PrevDBTypeIndex) {
    // Pairs of another kind mean nothing to this one.
    ConnParams.Clear();
    if (kind == kFirebird) cbForDB->setChecked(true);
    if (kind == kMsSql) cbForDB->setChecked(false);
    eForDB->clear();
  }
  const bool chosen = index >= 0;
  btnConfigConnection->setEnabled(chosen);
  btnCheckConnection->setEnabled(chosen);
  if (!chosen) {
    EnableKindControls(false);
    btnFileDB->setEnabled(false);
    return;
  }
  EnableKindControls(true);

  const bool firebird = kind == kFirebird;
  const bool oracle = kind == kOracle;
  cbServerName->setEditable(!firebird);
  cbForDB->setText(firebird ? kLocalServerCaption : kWindowsCredentialsCaption);
  lForDB->setText(firebird ? kDatabaseFileCaption
                  : oracle ? kNetworkServiceCaption
                           : kDatabaseNameCaption);
  cbForDB->setVisible(!oracle);
  lServerName->setVisible(!oracle);
  cbServerName->setVisible(!oracle);
  btnFileDB->setEnabled(firebird);
  btnFileDB->setVisible(firebird);
  FitWindow();  // the captions of this kind may need more room

  cbForDBClick();
  PrevDBTypeIndex = index;
  HideLaterPages();
}

void TfrmUpdate::cbForDBClick() {
  const std::string kind = ChosenKind();
  if (!kind.empty()) {
    const bool checked = cbForDB->isChecked();
    // A local Firebird server needs no server name; Windows credentials
    // need no account.
    const bool server = kind == kFirebird ? !checked : true;
    lServerName->setEnabled(server);
    cbServerName->setEnabled(server);
    const bool account = kind == kMsSql ? !checked : true;
    for (QWidget* control : std::initializer_list<QWidget*>{lUserName, eUserName, lPassword,
                                                            ePassword})
      control->setEnabled(account);
  }
  HideLaterPages();
}

std::string TfrmUpdate::BuildConnectionString() {
  const std::string kind = ChosenKind();
  const std::string user = AnsiOf(eUserName->text());
  const std::string password = AnsiOf(ePassword->text());
  const std::string server = AnsiOf(cbServerName->currentText());
  const std::string database = AnsiOf(eForDB->text());
  const std::string persist = password.empty() ? "False" : "True";
  // A default never overrides a value the connection dialog set.
  auto by_default = [this](const char* name, const char* value) {
    if (ConnParams.GetValue(name).empty()) ConnParams.SetValue(name, value);
  };

  if (kind == kFirebird) {
    by_default("Provider", "LCPI.IBProvider.2");
    ConnParams.SetValue("User Id", user);
    ConnParams.SetValue("Password", password);
    ConnParams.SetValue("Persist Security Info", persist);
    ConnParams.SetValue("Location", cbForDB->isChecked() ? database : server + ":" + database);
    by_default("ctype", "WIN1251");
    by_default("auto_commit", "True");
    by_default("unicode_mode", "False");
    by_default("unicode_stmt", "False");
  } else if (kind == kMsSql) {
    by_default("Provider", "SQLOLEDB.1");
    if (cbForDB->isChecked()) {
      ConnParams.DeleteValue("User Id");
      ConnParams.DeleteValue("Password");
      by_default("Integrated Security", "SSPI");
      ConnParams.SetValue("Persist Security Info", "False");
    } else {
      ConnParams.DeleteValue("Integrated Security");
      ConnParams.SetValue("User Id", user);
      ConnParams.SetValue("Password", password);
      ConnParams.SetValue("Persist Security Info", persist);
    }
    ConnParams.SetValue("Data Source", server);
    ConnParams.SetValue("Initial Catalog", database);
    by_default("Use Procedure for Prepare", "1");
    by_default("Auto Translate", "True");
    by_default("Packet Size", "4096");
    by_default("Use Encryption for Data", "False");
    by_default("Tag with column collation when possible", "False");
  } else if (kind == kOracle) {
    by_default("Provider", "OraOLEDB.Oracle.1");
    ConnParams.SetValue("User Id", user);
    ConnParams.SetValue("Password", password);
    ConnParams.SetValue("Persist Security Info", persist);
    ConnParams.SetValue("Data Source", database);
  }
  return ConnParams.GetText();
}

void TfrmUpdate::ParseConnectionString(const std::string& text) {
  ConnParams.SetText(text);
  const std::string kind = ChosenKind();
  auto value_of = [this](const char* name) { return QStringOfAnsi(ConnParams.GetValue(name)); };
  if (kind == kFirebird) {
    eUserName->setText(value_of("User Id"));
    ePassword->setText(value_of("Password"));
    eForDB->setText(value_of("Location"));
    cbForDB->setChecked(true);
    ParseFirebirdLocation(ConnParams.GetValue("Location"));
  } else if (kind == kMsSql) {
    if (classlib::UpperCase(ConnParams.GetValue("Integrated Security")) == "SSPI") {
      cbForDB->setChecked(true);
    } else {
      cbForDB->setChecked(false);
      eUserName->setText(value_of("User Id"));
      ePassword->setText(value_of("Password"));
    }
    cbServerName->setEditText(value_of("Data Source"));
    eForDB->setText(value_of("Initial Catalog"));
  } else if (kind == kOracle) {
    eUserName->setText(value_of("User Id"));
    ePassword->setText(value_of("Password"));
    eForDB->setText(value_of("Data Source"));
  }
}

void TfrmUpdate::ParseFirebirdLocation(const std::string& location) {
  const std::size_t colon = location.find(':');
  if (colon == std::string::npos) return;
  const std::string server = location.substr(0, colon);
  const std::string rest = location.substr(colon + 1);
  if (!IsRemoteLocation(server, rest)) {
    cbServerName->setCurrentIndex(-1);
    return;
  }
  // The server is added even to a list filled from the network: dropping it
  // would lose the name the string holds.
  const QString name = QStringOfAnsi(server);
  int index = cbServerName->findText(name, Qt::MatchFixedString);
  if (index < 0) {
    cbServerName->addItem(name);
    index = cbServerName->count() - 1;
  }
  cbServerName->setCurrentIndex(index);
  eForDB->setText(QStringOfAnsi(rest));
  cbForDB->setChecked(false);
}

void TfrmUpdate::cbServerNameDropDown() {
  if (ServerListFilled) return;
  const QString kept = cbServerName->currentText();
  FillServerList();
  if (cbServerName->count() > 0) ServerListFilled = true;
  if (cbServerName->isEditable())
    cbServerName->setEditText(kept);
  else
    cbServerName->setCurrentIndex(cbServerName->findText(kept));
}

void TfrmUpdate::FillServerList() {
  cbServerName->clear();
  try {
    ServerList().Enumerate([this](const QString& name) { cbServerName->addItem(name); });
  } catch (const std::exception&) {
    // The names found so far stay; a name can still be typed or picked.
  }
}

void TfrmUpdate::btnFileDBClick() {
  // The typed file's name stands in the dialog's name field, so the
  // administrator sees what he is replacing.
  const QString typed = eForDB->text();
  const QString file =
      FileOpenDialog().Execute(this, QStringLiteral("*.fdb"), kDatabaseFileFilter,
                               BrowseFolder(typed), typed.mid(FolderOf(typed).size()));
  if (!file.isEmpty()) eForDB->setText(file);
}

void TfrmUpdate::btnConfigConnectionClick() {
  const std::string built = BuildConnectionString();
  const std::string edited = AnsiOf(DataLinkDialog().Edit(this, QStringOfAnsi(built)));
  if (edited == built) return;
  ParseConnectionString(edited);
  HideLaterPages();
}

void TfrmUpdate::btnCheckConnectionClick() {
  // Without a kind the connection string names no provider, and the
  // message would be the data-access layer's, not the user's mistake.
  if (cbDBType->currentIndex() < 0) {
    ShowInformationBox(this, kChooseKindText);
    cbDBType->setFocus();
    return;
  }
  BaseConnectionString = BuildConnectionString();
  BaseUserName = AnsiOf(eUserName->text());
  BasePassword = AnsiOf(ePassword->text());
  DBType = classlib::UpperCase(AnsiOf(cbDBType->currentText()));
  try {
    if (Con->Connected()) Con->Close();
    Con->SetConnectionString(BaseConnectionString);
    Con->Open();
  } catch (const std::exception& error) {
    ShowErrorBox(this, kConnectErrorText + QStringOfAnsi(error.what()));
    return;
  }
  ShowUserPage();
}

void TfrmUpdate::eUserNameChange() { HideLaterPages(); }
void TfrmUpdate::ePasswordChange() { HideLaterPages(); }
void TfrmUpdate::cbServerNameChange() { HideLaterPages(); }
void TfrmUpdate::eForDBChange() { HideLaterPages(); }

}  // namespace app
