#include "app/program.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

#include "app/connection_backup_record.h"
#include "app/fib_window_hooks.h"
#include "app/instance_guard.h"
#include "app/main_window.h"
#include "app/prepare_update.h"
#include "app/update_description.h"
#include "classlib/stream.h"
#include "app/qt_message_loop.h"
#include "app/run_state.h"
#include "app/termination_signals.h"
#include "platform/environment.h"

namespace app {

void FinalizeUExecute() { ResetRunState(); }

namespace {

// With $UPDATER_QUIT_AFTER_SHOW set the updater says what it shows and
// where its release lies, then closes: scripts and checks can see that it
// starts on a machine without anyone to close the window.
void QuitAfterShowWhenAsked(TfrmUpdate& window) {
  if (qEnvironmentVariableIsEmpty("UPDATER_QUIT_AFTER_SHOW")) return;
  QTimer::singleShot(0, &window, [&window] {
    const std::string description =
        classlib::NativeFileName(ReleaseFolder() + kUpdateDescriptionFile);
    std::printf("window shown: %s\nrelease description: %s (%s)\n",
                window.windowTitle().toUtf8().constData(), description.c_str(),
                QFile::exists(QString::fromStdString(description)) ? "found" : "missing");
    std::fflush(stdout);
    window.close();
  });
}

// A run that was killed left the administrator's login in the product's
// connection key; it goes back before anything else. Nothing here is
// reported: a registry that cannot be read fails the login later anyway.
void PutBackKilledRunsConnectionKey() {
  try {
    RestoreAbandonedConnectionBackup();
  } catch (const std::exception&) {
  }
}

// The guard's box waits for a click with the signals blocked: a signal
// dismisses it, and the refused copy ends as it does after the click.
bool GuardWithSignalsHeard() {
  const TTerminationSignals dismiss([](int) {
    if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) box->reject();
  });
  return InitializeOneHist();
}

}  // namespace

void LoadQtTranslations(QTranslator& translator) {
  if (translator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&translator);
}

std::unique_ptr<TTerminationSignals> CloseOnTerminationSignals(TfrmUpdate& window) {
  return std::make_unique<TTerminationSignals>([&window](int) { window.TerminationRequested(); });
}

int RunUpdater(int argc, char** argv) {
  // Before anything starts a thread: every thread inherits the mask.
  BlockTerminationSignals();
  platform::SetCommandLine(argc, argv);
  // The application object comes first only because a message box needs
  // it; no window exists before the guard has spoken.
  QApplication application(argc, argv);
  // After Qt has read the locale of the environment: the Firebird client
  // opens files by their UTF-8 names only under a UTF-8 character type.
  platform::UseUtf8CharacterType();
  QTranslator translator;
  LoadQtTranslations(translator);
  // Texts Qt writes by the default locale (the file types of the file
  // dialog) follow the window's language too.
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  if (!GuardWithSignalsHeard()) return 1;
  PutBackKilledRunsConnectionKey();

  int code = 0;
  {
    QtMessageLoop loop;
    platform::MessageLoop::SetCurrent(&loop);
    const TFibWindowHooks fib_window_hooks;
    {
      TfrmUpdate window;
      const std::unique_ptr<TTerminationSignals> termination = CloseOnTerminationSignals(window);
      window.show();
      QuitAfterShowWhenAsked(window);
      code = application.exec();
    }
    platform::MessageLoop::SetCurrent(nullptr);
  }
  FinalizeUExecute();
  FinalizeOneHist();
  return code;
}

}  // namespace app
