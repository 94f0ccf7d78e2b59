// The update run behind "Обновить": the three parts in their fixed order,
// the details log file and the final word to the administrator.
#include <QApplication>
#include <QCheckBox>
#include <QDomElement>
#include <QPushButton>

#include "app/aux_messages.h"
#include "app/aux_programs.h"
#include "app/blob_moves.h"
#include "app/blob_table_native.h"
#include "app/details_log.h"
#include "app/main_window.h"
#include "app/message_boxes.h"
#include "app/qt_text.h"
#include "app/run_state.h"
#include "app/script_file.h"
#include "app/update_database.h"
#include "app/update_description.h"
#include "classlib/codepage.h"
#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_database.h"
#include "fib/zod/zod_query.h"

namespace app {

namespace {

std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

const char kBackupAdvice[] = "Перед обновлением рекомендуется создать резервную копию базы данных.\r\n";

QString ConfirmationText() {
  QString text = QString::fromUtf8(kBackupAdvice);
  if (DBType == kMsSql)
    text += QStringLiteral("Процесс обновления базы данных может занять много времени\r\n");
  else if (DBType == kFirebird || DBType == kInterBase)
    text += QStringLiteral(
        "Процесс обновления базы данных может занять много времени и требует не менее 500 "
        "Мбайт свободного места во временном каталоге.\r\n");
  return text + QStringLiteral("Продолжить обновление?");
}

// The element of a part under ROOT; null when the description has none.
QDomElement PartElement(const char* name) {
  if (!UpdateDescription) return {};
  return UpdateDescription->Document().documentElement().firstChildElement(
      QString::fromLatin1(name));
}

// A part the description cannot run fails with a block that names what is
// missing, so the final message's pointer to the details leads somewhere.
void ReportMissingSection(IProgressView& view, const char* name, bool empty) {
  const std::string what = empty ? Ansi("Раздел ") + name + Ansi(" описания обновления пуст")
                                 : Ansi("В описании обновления нет раздела ") + name;
  AddDetailsLog(view, DisplayPath(ProgramDir + kUpdateDescriptionFile), what, "");
}

std::string MessageOf(const std::exception& error) {
  if (const auto* e = dynamic_cast<const classlib::Exception*>(&error)) return e->Message();
  return error.what();
}

// The name a part's failures are logged under until its first step names
// itself.
std::string PartName(TUpdatePhase phase) {
  switch (phase) {
    case upDatabase: return Ansi("обновление базы данных");
    case upReferenceGroups: return Ansi("импорт справочников");
    case upSettings: return Ansi("обновление настроек ПОНТАРЕКС");
  }
  return {};
}

// Shows the part's state while it runs; a part that raises shows failed.
template <typename Part>
bool RunPart(IProgressView& view, TUpdatePhase phase, Part part) {
  UpdatePhase = phase;
  view.SetStatusText(PartName(phase));
  view.SetStateImage(phase, siRunning);
  bool ok = false;
  try {
    ok = part();
  } catch (...) {
    view.SetStateImage(phase, siFailed);
    throw;
  }
  view.SetStateImage(phase, ok ? siSucceeded : siFailed);
  view.ProcessMessages();
  return ok;
}

const QString kDetailsHint =
    QStringLiteral("Для просмотра отчета нажмите кнопку \"Детали >>\"");

// The cursor and the window's enabled state for the length of a run, put
// back whatever way the run ends.
class TBusyWindow {
 public:
  TBusyWindow(QWidget& window, bool& running) : window_(window), running_(running) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    window_.setEnabled(false);
    running_ = true;
  }
  ~TBusyWindow() {
    running_ = false;
    window_.setEnabled(true);
    QApplication::restoreOverrideCursor();
  }
  TBusyWindow(const TBusyWindow&) = delete;
  TBusyWindow& operator=(const TBusyWindow&) = delete;

 private:
  QWidget& window_;
  bool& running_;
};

}  // namespace

TScriptComponents TfrmUpdate::NativeComponents() const {
  return {zodDB.get(), zodTrans.get(), zodQ.get(), conLX, qLX, qEx, oraSession, oraQ};
}

void TfrmUpdate::bbExecuteClick() {
  if ((cbUpdateDB->isChecked() || cbUpdateConf->isChecked()) && !ConfirmUpdate()) return;
  bool failed = false;
  bool interrupted = false;
  bool log_saved = false;
  close_after_run_ = false;
  const classlib::TDateTime started = classlib::Now();
  {
    TBusyWindow busy(*this, running_);
    try {
      bbExecute->setEnabled(false);
      sbDetails->setEnabled(false);
      ClearDetails();
      StatementFailures = 0;
      failed = !RunUpdateParts();
    } catch (const std::exception& error) {
      failed = interrupted = true;
      ReportRunException(error);
    }
    log_saved = SaveRunLog(started);
    if (!log_saved) failed = true;
    ShowRunEnd(failed, interrupted, log_saved);
  }
  if (close_notice_) close_notice_->close();
  // Asked to end while the run went on: the run is done and its log saved,
  // and nobody may be there to answer the final message.
  if (close_requested_) {
    close();
    return;
  }
  ShowRunResult(failed, log_saved);
  // The administrator closed the window during the run and was told it
  // would close when the run ended; the result has been shown.
  if (close_after_run_ && isVisible()) close();
}

void TfrmUpdate::NoticeCloseAfterRun() {
  close_after_run_ = true;
  if (close_notice_) {
    close_notice_->raise();
    return;
  }
  close_notice_ = MessageBoxes().Notify(
      this,
      QStringLiteral("Выполняется обновление данных. Окно будет закрыто, когда обновление "
                     "завершится."),
      kInformationCaption, MB_OK | MB_ICONINFORMATION);
}

void TfrmUpdate::ShowRunEnd(bool failed, bool interrupted, bool log_saved) {
  std::string text = interrupted              ? Ansi("Обновление данных прервано")
                     : failed                 ? Ansi("Обновление данных завершено с ошибками")
                     : StatementFailures > 0  ? Ansi("Обновление данных завершено, при "
                                                     "выполнении скриптов были ошибки")
                                              : Ansi("Обновление данных завершено");
  // A run with nothing to log writes nothing, so only a run with details
  // has a report to point to.
  if (log_saved && !DetailLines().empty())
    text += Ansi(". Отчет сохранен в файле ") + DisplayPath(DetailsLogFileName());
  SetStatusText(text);
}

bool TfrmUpdate::ConfirmUpdate() {
  return MessageBoxes().Show(this, ConfirmationText(), QStringLiteral("Подтверждение"),
                             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

bool TfrmUpdate::RunUpdateParts() {
  bool ok = true;
  if (cbUpdateDB->isChecked()) ok = RunPart(*this, upDatabase, [this] { return RunDatabasePart(); });
  if (cbUpdateXML->isChecked()) {
    ok = RunPart(*this, upReferenceGroups, [this] {
      const QDomElement node = PartElement("SCHEMA_UPDATE");
      if (node.isNull() || node.firstChildElement().isNull()) {
        ReportMissingSection(*this, "SCHEMA_UPDATE", !node.isNull());
        return false;
      }
      EnsureChildMessages();
      return ImportReferenceGroups(*this, node);
    }) && ok;
  }
  if (cbUpdateConf->isChecked())
    ok = RunPart(*this, upSettings, [this] { return RunSettingsPart(); }) && ok;
  return ok;
}

bool TfrmUpdate::RunDatabasePart() {
  if (!UpdateDescription || !UpdateDescription->HasDbUpdate) {
    ReportMissingSection(*this, "DB_UPDATE", false);
    return false;
  }
  const TScriptComponents components = NativeComponents();
  std::unique_ptr<IBlobTable> blob_table = NativeBlobTable(DBType, components, zodDS.get());
  std::unique_ptr<TBlobMoves> blob_moves;
  if (blob_table) blob_moves = std::make_unique<TBlobMoves>(*this, *blob_table);
  TDatabaseUpdateTarget target{*this, components, LogCheckErrors, blob_moves.get()};
  return UpdateDatabase(target, UpdateDescription->DbUpdate);
}

bool TfrmUpdate::RunSettingsPart() {
  const QDomElement node = PartElement("CONFIG_UPDATE");
  if (node.isNull()) {
    ReportMissingSection(*this, "CONFIG_UPDATE", false);
    return false;
  }
  EnsureChildMessages();
  const bool ok = UpdateSettings(*this, node);
  const std::string rule(48, '-');
  AddDetailLine(rule);
  AddDetailLine(Ansi("Сформирован файл с логом импорта настроек в ") +
                DisplayPath(PtxDir + "Doc\\PFullImportSettings.log"));
  AddDetailLine(rule);
  SetDetailsButtonEnabled(true);
  return ok;
}

// A step that raised ends the run; the administrator learns why from the
// details instead of a run that stops without a word.
void TfrmUpdate::ReportRunException(const std::exception& error) {
  // A refused script file is named where the details name a step's file.
  const auto* script_error = dynamic_cast<const EScriptFileError*>(&error);
  const std::string source = script_error != nullptr ? script_error->File() : std::string();
  AddDetailsLog(*this, source, Ansi("Обновление прервано:") + "\r\n" + MessageOf(error), "");
}

bool TfrmUpdate::SaveRunLog(classlib::TDateTime started) {
  const std::string file_name = DetailsLogFileName();
  try {
    SaveDetailsLog(DetailLines(), file_name, started);
    return true;
  } catch (const std::exception& error) {
    AddDetailsLog(*this, file_name, Ansi("Не удалось сохранить файл отчета:") + "\r\n" +
                                        MessageOf(error), "");
    return false;
  }
}

// Where the administrator finds the report. A window that closes after the
// run (its close was asked for during it) has no details to show: the
// report is its log file.
QString TfrmUpdate::ReportHint(bool log_saved) const {
  if (!close_after_run_) return kDetailsHint;
  const QString file = QStringOfAnsi(DisplayPath(DetailsLogFileName()));
  return log_saved ? QStringLiteral("Отчет сохранен в файле %1").arg(file)
                   : QStringLiteral("Отчет не удалось сохранить в файле %1").arg(file);
}

void TfrmUpdate::ShowRunResult(bool failed, bool log_saved) {
  if (failed) {
    SetDetailsButtonEnabled(true);
    ShowErrorBox(this, QStringLiteral("В процессе обновления данных произошли ошибки. ") +
                           ReportHint(log_saved));
    return;
  }
  if (StatementFailures > 0) {
    ShowIgnoredFailures(log_saved);
    return;
  }
  ShowInformationBox(this, QStringLiteral("Обновление данных завершено"));
  if (!sbDetails->isEnabled()) close();
}

// The release let its scripts go on past failing statements: the update
// counts as done, but the administrator must hear of the failures, in the
// same words and the same kind of box as a failed run.
void TfrmUpdate::ShowIgnoredFailures(bool log_saved) {
  QString text = QStringLiteral(
      "Обновление данных завершено, но при выполнении скриптов произошли ошибки (%1). ")
                     .arg(StatementFailures);
  text += sbDetails->isEnabled() ? ReportHint(log_saved)
                                 : QStringLiteral("Скрипты обновления не записывают эти ошибки "
                                                  "в отчет.");
  ShowErrorBox(this, text);
  if (!sbDetails->isEnabled()) close();
}

void TfrmUpdate::EnsureChildMessages() {
  if (!ChildMessages) ChildMessages = std::make_unique<TChildMessageReceiver>(*this);
}

}  // namespace app
