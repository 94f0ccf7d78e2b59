// Scripted stand-ins for what the window asks of people and of the machine,
// and a Firebird database file to connect to.
#pragma once

#include <QString>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/message_boxes.h"
#include "app/page_services.h"
#include "testing/scratch_folder.h"

class QFileDialog;
class QTreeView;

namespace app::testing {

using platform::scratch::ScopedEnv;
using platform::scratch::ScratchFolder;

struct ShownBox {
  QString text;
  QString caption;
  unsigned style = 0;
  // False for a box shown without waiting for an answer.
  bool waits = true;
};

// Records every box and answers from a script (the default button when the
// script is empty). Installed for its own life.
class ScriptedMessageBoxes : public IMessageBoxes {
 public:
  ScriptedMessageBoxes() { SetMessageBoxes(this); }
  ~ScriptedMessageBoxes() override { SetMessageBoxes(nullptr); }
  int Show(QWidget* owner, const QString& text, const QString& caption, unsigned style) override;
  QWidget* Notify(QWidget* owner, const QString& text, const QString& caption,
                  unsigned style) override;

  std::vector<ShownBox> shown;
  std::deque<int> answers;
};

class ScriptedFileDialog : public IFileOpenDialog {
 public:
  QString Execute(QWidget* owner, const QString& default_ext, const QString& filter,
                  const QString& initial_dir, const QString& file_name) override;
  QString answer;
  int calls = 0;
  QString default_ext, filter, initial_dir, file_name;
};

class ScriptedDataLinkDialog : public IDataLinkDialog {
 public:
  QString Edit(QWidget* owner, const QString& connection_string) override;
  std::function<QString(const QString&)> edit;
  QString received;
};

// Gives its names, then raises when `fail_after` names have gone out.
class ScriptedServerList : public IServerList {
 public:
  void Enumerate(const std::function<void(const QString&)>& add) override;
  QStringList names;
  int fail_after = -1;
  int calls = 0;
};

// The file list of a shown file dialog once it lists at least `rows`
// entries (waiting up to 10 s for the folder to be read); null when the
// dialog has no such list.
QTreeView* ListedFiles(QFileDialog& dialog, int rows);

// True when a Firebird server accepts connections on 127.0.0.1:3050 (the
// one scripts/firebird-server.sh starts; its SYSDBA password is the
// fixture's). Tests of a server's answers skip without it, saying so.
bool LocalFirebirdServerAnswers();
inline constexpr const char* kNoFirebirdServer =
    "no Firebird server answers on 127.0.0.1:3050; start one with scripts/firebird-server.sh start";

// Creates an empty Firebird database (SYSDBA, WIN1251) on the embedded
// engine with isql-fb; fails the test when that cannot be done.
void CreateFirebirdDatabase(const std::string& path);

}  // namespace app::testing
