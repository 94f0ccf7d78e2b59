// The window's second page, "Выбор пользователя": the product's users and
// their groups over the login connection, the password check, the
// administration privilege, and on success the prepared update and the
// third page. Three failed attempts close the window.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

namespace app {

class TADOQuery;
struct TBackupOwner;
class TfrmUpdate;

// Shown for a wrong password and for a group without the privilege.
inline const char* const kWrongPasswordText = "Введен неверный пароль";
inline const char* const kNotAdministratorText = "Пользователь не обладает правами администратора";
inline constexpr int kMaxLoginFailures = 3;
// Information icon, system-modal.
inline constexpr unsigned kLoginFailureStyle = 0x1040;

class TLoginPage : public QObject {
  Q_OBJECT

 public:
  // Connects itself to the window's second-page controls.
  explicit TLoginPage(TfrmUpdate& window);
  ~TLoginPage() override;

  // Data sets on the window's login connection.
  std::unique_ptr<TADOQuery> dsUsers;
  std::unique_ptr<TADOQuery> dsUserGroups;
  std::unique_ptr<TADOQuery> dsCheckLogin;

  int LoginFailures = 0;
  bool IsAdmin = false;
  // What the last attempt entered (ANSI).
  std::string LoginUserName;
  std::string LoginPassword;
  std::string LoginGroup;
  std::string SqlUserName;
  std::string SqlPassword;

  void tsUsrParamsShow();
  void ComboBoxUserChange();
  void ComboBoxGroupChange();
  void LabeledEditParolChange();
  void ButtonOKClick();

 protected:
  // Return and keypad Enter on the page press OK, as on a dialog.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Moves dsUsers to the user of that name; false when there is none.
  bool LocateUser(const QString& name);
  // The release that decides the stored forms; empty, and `read` false,
  // when it cannot be read.
  std::string DatabaseRelease(bool& read);
  bool GroupIsAdministrator(const std::string& group);
  // Everything after a right password of an administrator; false when the
  // update could not be prepared.
  bool CompleteLogin();
  void ShowFailure(const char* text_utf8);
  // Another copy of the updater is logged in: this one may not log in.
  void ShowOtherCopyLoggedIn(const TBackupOwner& other);
  void RunOkClick();

  TfrmUpdate& window_;
};

}  // namespace app
