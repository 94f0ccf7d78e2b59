// The updater's only window: three pages shown one after the other as the
// administrator chooses the database, logs in and runs the update. It also
// shows the update run's progress (IProgressView).
#pragma once

#include <QPointer>
#include <QWidget>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/blob_transfer_firebird.h"
#include "app/connection_backup.h"
#include "app/execute_statement_native.h"
#include "app/progress_view.h"
#include "app/val_list.h"
#include "classlib/component.h"
#include "classlib/datetime.h"
#include "fib/zod/zod_database.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPixmap;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace fib {
class TFIBTransaction;
class TpZODQuery;
}  // namespace fib

namespace oracle {
class TOraSession;
class TOraQuery;
}  // namespace oracle

namespace app {

class IDataLinkDialog;
class IFileOpenDialog;
class IServerList;
class IShellOpen;
class TADOCommand;
class TChildMessageReceiver;
class TADOConnection;
class TADOQuery;
class TDropDownComboBox;
class TLoginPage;

// Geometry of the window, in pixels.
inline constexpr int kClientWidth = 592;
inline constexpr int kClientHeight = 198;
// The gap between the database-file edit and the browse button.
inline constexpr int kFileButtonGap = 8;

class TfrmUpdate : public QWidget, public IProgressView {
  Q_OBJECT

 public:
  explicit TfrmUpdate(QWidget* parent = nullptr);
  ~TfrmUpdate() override;

  // --- Pages -----------------------------------------------------------
  QTabWidget* pcMain;
  QWidget* tsBaseSelect;
  QWidget* tsUsrParams;
  QWidget* tsUpdate;

  // --- "Выбор базы" ------------------------------------------------------
  QLabel* lDBType;
  QComboBox* cbDBType;
  QCheckBox* cbForDB;
  QLabel* lUserName;
  QLineEdit* eUserName;
  QLabel* lPassword;
  QLineEdit* ePassword;
  QLabel* lServerName;
  TDropDownComboBox* cbServerName;
  QLabel* lForDB;
  QLineEdit* eForDB;
  QPushButton* btnFileDB;
  QPushButton* btnConfigConnection;
  QPushButton* btnCheckConnection;

  // --- "Выбор пользователя" --------------------------------------------
  QLabel* Label2;
  QComboBox* ComboBoxUser;
  QLabel* Label1;
  QComboBox* ComboBoxGroup;
  QLabel* LabeledEditParolLabel;
  QLineEdit* LabeledEditParol;
  QPushButton* ButtonOK;
  QPushButton* ButtonCancel;

  // --- "Обновление" ------------------------------------------------------
  QGroupBox* gnUpdOptions;
  QCheckBox* cbUpdateDB;
  QCheckBox* cbUpdateXML;
  QCheckBox* cbUpdateConf;
  QLabel* imgUpdateDB;
  QLabel* imgUpdateXML;
  QLabel* imgUpdateConf;
  QLabel* lCurOperation;
  QLabel* lInfo;
  QProgressBar* pbCondition;
  QPushButton* bbExecute;
  QPushButton* sbDetails;
  QPlainTextEdit* mDetails;
  QPushButton* bbOpenDir;
  QPushButton* bbInstruction;

  // --- Non-visual components, owned by the window ---------------------------
  // The login connection of every kind; the second page's data sets on it
  // belong to LoginPage.
  TADOConnection* Con;
  // The native MSSQL connection of the update run, its query and command.
  TADOConnection* conLX;
  TADOQuery* qLX;
  TADOCommand* qEx;
  // The native Firebird/InterBase connection of the update run, its
  // transaction and the statement that runs the scripts on it.
  std::unique_ptr<fib::TpZODDatabase> zodDB;
  std::unique_ptr<fib::TFIBTransaction> zodTrans;
  std::unique_ptr<fib::TpZODQuery> zodQ;
  // The buffered data set that fills binary columns from data files;
  // declared after the connection and transaction it is bound to, so it is
  // destroyed first.
  std::unique_ptr<TFirebirdBlobDataSet> zodDS;
  // The native Oracle connection of the update run and its query, with
  // their design defaults: the client library (no direct mode), every
  // statement committed by itself. oraQ2 is kept as designed; nothing uses
  // it.
  oracle::TOraSession* oraSession;
  oracle::TOraQuery* oraQ;
  oracle::TOraQuery* oraQ2;
  // Where the auxiliary programs report to; made when a run first needs it.
  std::unique_ptr<TChildMessageReceiver> ChildMessages;

  // The second page's handlers and state.
  std::unique_ptr<TLoginPage> LoginPage;

  // --- Window state --------------------------------------------------------
  bool LogCheckErrors = false;
  int PrevDBTypeIndex = -1;
  TValList ConnParams;
  // The product's connection key as it was before the login overwrote it.
  TConnectionKeyBackup BDConnectionBackup;
  // Set once a fill of the server list found a name: the list is not filled
  // again.
  bool ServerListFilled = false;

  // --- Services (not owned); null means the window system's own ------------
  void SetFileOpenDialog(IFileOpenDialog* dialog) { file_dialog_ = dialog; }
  void SetDataLinkDialog(IDataLinkDialog* dialog) { data_link_dialog_ = dialog; }
  void SetServerList(IServerList* servers) { server_list_ = servers; }
  void SetShellOpen(IShellOpen* shell) { shell_ = shell; }

  // --- First page --------------------------------------------------------
  std::string BuildConnectionString();
  void ParseConnectionString(const std::string& text);
  void FillServerList();

  // Lays the three pages out for their current captions and status text
  // and sizes the window to them, never below the designed size: no text
  // is cut and no control covers another. Called whenever those texts
  // change.
  void FitWindow();

  // --- Page flow -----------------------------------------------------------
  void ShowUserPage();
  void ShowUpdatePage();
  // Any change on the first page: the later pages no longer apply.
  void HideLaterPages();
  // Any change on the second page: the update page no longer applies.
  void HideUpdatePage();

  // --- IProgressView -------------------------------------------------------
  std::string StatusText() const override;
  void SetStatusText(const std::string& text) override;
  int ProgressMin() const override;
  int ProgressMax() const override;
  void SetProgressRange(int min, int max) override;
  int ProgressPosition() const override;
  void SetProgressPosition(int position) override;
  void AddDetailLine(const std::string& line) override;
  std::vector<std::string> DetailLines() const override;
  void ClearDetails() override;
  bool DetailsButtonEnabled() const override;
  void SetDetailsButtonEnabled(bool enabled) override;
  void SetStateImage(TUpdatePhase part, TStateImage image) override;
  void ProcessMessages() override;
  // The picture each state image shows now.
  TStateImage StateImage(TUpdatePhase part) const;

 public slots:
  void FormCreate();
  void cbDBTypeChange();
  void cbForDBClick();
  void cbServerNameDropDown();
  void btnFileDBClick();
  void btnConfigConnectionClick();
  void btnCheckConnectionClick();
  void eUserNameChange();
  void ePasswordChange();
  void cbServerNameChange();
  void eForDBChange();

  // --- Third page ------------------------------------------------------------
  // The update run: confirmation, the checked parts in order, the log file
  // and the final message.
  void bbExecuteClick();
  void sbDetailsClick();
  void bbInstructionClick();
  void bbOpenDirClick();

 protected:
  // The close request: FormCloseQuery, and the close is allowed, except
  // while an update run is under way (it would close the run's connections
  // under it): then the administrator is told so, and the window closes
  // when the run ends.
  void closeEvent(QCloseEvent* event) override;

 public:
  void FormCloseQuery();
  // A request from outside to end the program (a termination signal): the
  // window closes as when the user closes it, once an open dialog has been
  // dismissed, and after the run when a run is under way.
  void TerminationRequested();

 private:
  void CreateBaseSelectPage();
  void CreateUserPage();
  void CreateUpdatePage();
  void CreateComponents();
  void ConnectFirstPage();
  // The first page's controls that follow the chosen kind.
  void EnableKindControls(bool enabled);
  void ParseFirebirdLocation(const std::string& location);
  std::string ChosenKind() const;
  QLabel* StateImageLabel(TUpdatePhase part) const;

  // Layout (main_window_layout.cpp): each page is laid out for the
  // window's width, which is the widest that a page's texts need.
  // The options box, placed; returns its width.
  int LayOutUpdateOptions();
  // The status column from `column` to the window's `width`, placed;
  // returns the top of the button row below it.
  int LayOutUpdateStatus(int column, int width);
  void LayOutUpdateButtons(int width, int button_top);
  int BaseSelectPageWidth() const;
  void LayOutBaseSelectPage(int width);
  int UserPageWidth() const;
  void LayOutUserPage(int width);
  // The window's size for `width` and the extra height the update page's
  // texts take, with the details list shown or not.
  void SizeWindow(int width, int extra_height);

  // The update run's steps (main_window_run.cpp).
  bool ConfirmUpdate();
  bool RunUpdateParts();
  bool RunDatabasePart();
  bool RunSettingsPart();
  void ReportRunException(const std::exception& error);
  bool SaveRunLog(classlib::TDateTime started);
  void ShowRunResult(bool failed, bool log_saved);
  void ShowIgnoredFailures(bool log_saved);
  QString ReportHint(bool log_saved) const;
  // The status line once the run is over: how it ended, and where its log is.
  void ShowRunEnd(bool failed, bool interrupted, bool log_saved);
  void NoticeCloseAfterRun();
  void EnsureChildMessages();
  IShellOpen& ShellOpen();
  TScriptComponents NativeComponents() const;

  IFileOpenDialog& FileOpenDialog();
  IDataLinkDialog& DataLinkDialog();
  IServerList& ServerList();

  // Frees the non-visual components with the window, as their owner.
  classlib::TComponent components_{nullptr};

  IFileOpenDialog* file_dialog_ = nullptr;
  IDataLinkDialog* data_link_dialog_ = nullptr;
  IServerList* server_list_ = nullptr;
  std::unique_ptr<IFileOpenDialog> own_file_dialog_;
  std::unique_ptr<IDataLinkDialog> own_data_link_dialog_;
  std::unique_ptr<IServerList> own_server_list_;
  IShellOpen* shell_ = nullptr;
  // True while "Обновить" runs: the window must outlive its own run.
  bool running_ = false;
  // Set by a termination request; the window closes as soon as it may.
  bool close_requested_ = false;
  // Set by a close refused during a run: the window closes after it.
  bool close_after_run_ = false;
  // The word that the window closes after the run, while it shows.
  QPointer<QWidget> close_notice_;
  void CloseWhenIdle();
  std::unique_ptr<IShellOpen> own_shell_;
  TStateImage state_images_[3] = {siNotRun, siNotRun, siNotRun};
};

}  // namespace app
