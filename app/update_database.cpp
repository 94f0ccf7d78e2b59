#include "app/update_database.h"

#include <QFile>

#include "app/ado_connection.h"
#include "app/details_log.h"
#include "app/run_state.h"
#include "app/script_file.h"
#include "app/update_library.h"
#include "app/version_record.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/numconv.h"
#include "classlib/stream.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_database.h"
#include "oracle/session_ora_session.h"

namespace app {

namespace {

std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

bool FileExists(const std::string& ansi_path) {
  return QFile::exists(QString::fromStdString(classlib::NativeFileName(ansi_path)));
}

class TDatabaseUpdate {
 public:
  explicit TDatabaseUpdate(const TDatabaseUpdateTarget& target)
      : target_(target), connection_(NativeScriptConnection(DBType, target.components)) {}

  bool Run(const std::vector<TDbUpdateItem>& items);

 private:
  bool RunItem(const TDbUpdateItem& item);
  bool RunScript(const std::string& path);
  bool RunLibrary(const TDbUpdateItem& item, const std::string& path);

  const TDatabaseUpdateTarget& target_;
  std::unique_ptr<IScriptConnection> connection_;
};

bool TDatabaseUpdate::Run(const std::vector<TDbUpdateItem>& items) {
  IProgressView& view = target_.view;
  view.SetProgressRange(0, 100);
  view.SetProgressPosition(0);
  double total = 0;
  for (const TDbUpdateItem& item : items)
    if (ItemApplies(item, DBType)) total += item.Percent();
  view.SetProgressRange(0, static_cast<int>(classlib::Round(total)));

  bool result = true;
  for (const TDbUpdateItem& item : items)
    if (ItemApplies(item, DBType)) result = RunItem(item) && result;
  if (result && !AlwaysUpdateDB) result = WriteVersionRecord(view, target_.components);
  return result;
}

bool TDatabaseUpdate::RunItem(const TDbUpdateItem& item) {
  ItemPercent = item.Percent();
  const int source = classlib::StrToInt(item.Source);
  const std::string path = DisplayPath(ProgramDir + item.FileName);
  if (source == kScriptItem) return RunScript(path);
  if (source == kLibraryItem) return RunLibrary(item, path);
  return true;  // other sources are for tools of later releases
}

bool TDatabaseUpdate::RunScript(const std::string& path) {
  if (!FileExists(path)) {
    AddDetailsLog(target_.view, path, Ansi("Не найден файл скрипта обновления базы данных"), "");
    return false;
  }
  TScriptFileRun run{*connection_, target_.view, target_.log_check_errors, ItemPercent,
                     target_.blob_moves};
  return RunScriptFile(run, path);
}

bool TDatabaseUpdate::RunLibrary(const TDbUpdateItem& item, const std::string& path) {
  IProgressView& view = target_.view;
  view.SetStatusText(item.InfoString);
  view.ProcessMessages();
  ItemBasePosition = view.ProgressPosition();
  bool result = false;
  if (FileExists(path)) {
    result = RunUpdateLibrary(view, path, [this] { CloseNativeConnection(target_.components); });
  } else {
    // A release that names a library it does not ship has not updated the
    // database: the version row must not claim it did.
    AddDetailsLog(view, path, Ansi("Не найден файл"), "");
  }
  MoveProgress(view, ItemBasePosition + ItemPercent);
  return result;
}

void CloseQuietly(const std::function<void()>& close) {
  try {
    close();
  } catch (const std::exception&) {
  }
}

}  // namespace

bool ItemApplies(const TDbUpdateItem& item, const std::string& db_type) {
  return classlib::UpperCase(item.Subd).find(db_type) != std::string::npos;
}

bool UpdateDatabase(const TDatabaseUpdateTarget& target, const std::vector<TDbUpdateItem>& items) {
  struct CloseAtEnd {
    const TScriptComponents& components;
    ~CloseAtEnd() { CloseNativeConnectionsQuietly(components); }
  } close_at_end{target.components};
  return TDatabaseUpdate(target).Run(items);
}

void CloseNativeConnection(const TScriptComponents& c) {
  if (DBType == kFirebird || DBType == kInterBase) {
    if (c.zodDB == nullptr || !c.zodDB->Connected()) return;
    if (c.zodTrans != nullptr && c.zodTrans->Active()) c.zodTrans->Commit();
    c.zodDB->Close();
  } else if (DBType == kMsSql) {
    if (c.conLX != nullptr && c.conLX->Connected()) c.conLX->Close();
  } else if (DBType == kOracle) {
    if (c.oraSession != nullptr && c.oraSession->Connected()) c.oraSession->Close();
  }
}

void CloseNativeConnectionsQuietly(const TScriptComponents& c) {
  if (c.zodDB != nullptr) CloseQuietly([&] { c.zodDB->Close(); });
  if (c.conLX != nullptr) CloseQuietly([&] { c.conLX->Close(); });
  if (c.oraSession != nullptr) CloseQuietly([&] { c.oraSession->Close(); });
}

}  // namespace app
