// What the first page asks of its surroundings: a file to open, an edited
// connection string, the names of database servers. The window uses the
// window-system versions; tests install scripted ones.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace app {

class IFileOpenDialog {
 public:
  virtual ~IFileOpenDialog() = default;
  // filter is "description|patterns|description|patterns..." (several
  // patterns joined by ";"); the file must exist. `file_name` (without a
  // folder) stands in the name field at first. Returns the chosen file, or
  // the empty text when the user cancels.
  virtual QString Execute(QWidget* owner, const QString& default_ext, const QString& filter,
                          const QString& initial_dir, const QString& file_name) = 0;
};

class IDataLinkDialog {
 public:
  virtual ~IDataLinkDialog() = default;
  // Lets the user edit an ADO connection string; a cancelled dialog returns
  // connection_string unchanged.
  virtual QString Edit(QWidget* owner, const QString& connection_string) = 0;
};

class IServerList {
 public:
  virtual ~IServerList() = default;
  // Hands every server name found to `add`, one by one. May raise part way;
  // the caller keeps what was added.
  virtual void Enumerate(const std::function<void(const QString&)>& add) = 0;
};

// The server list of this machine. Linux has no browsable network of
// Windows servers, so the names come from $UPDATER_DB_SERVERS (separated by
// ";", "," or blanks); when it is not set, "localhost" alone.
class TConfiguredServerList : public IServerList {
 public:
  void Enumerate(const std::function<void(const QString&)>& add) override;
  static QStringList Names();
};

// The window system's file dialog.
class TQtFileOpenDialog : public IFileOpenDialog {
 public:
  QString Execute(QWidget* owner, const QString& default_ext, const QString& filter,
                  const QString& initial_dir, const QString& file_name) override;
  // "a|*.x|b|*.y;*.z" -> "a (*.x);;b (*.y *.z)", for the window system's dialog.
  static QString QtFilterOf(const QString& filter);
};

// A table of the string's name/value pairs: the user edits, adds and
// removes pairs.
class TQtDataLinkDialog : public IDataLinkDialog {
 public:
  QString Edit(QWidget* owner, const QString& connection_string) override;
};

}  // namespace app
