#include "app/script_file.h"

#include <QDomDocument>
#include <QFile>
#include <vector>

#include "app/details_log.h"
#include "app/qt_text.h"
#include "app/script_condition.h"
#include "app/macros.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/format.h"
#include "classlib/stream.h"

namespace app {

namespace {

std::string Text(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

bool FlagOn(const QDomElement& element, const char* name) {
  return classlib::Trim(AnsiOf(element.attribute(name))) == "1";
}

// Only elements count as groups and statements: a comment in the file
// neither runs nor takes a share of the bar.
std::vector<QDomElement> ChildElements(const QDomElement& parent) {
  std::vector<QDomElement> children;
  for (QDomElement child = parent.firstChildElement(); !child.isNull();
       child = child.nextSiblingElement())
    children.push_back(child);
  return children;
}

// The statement is the value of the element's first child, a text or a
// CDATA section; an element without one holds the empty statement.
std::string StatementText(const QDomElement& statement) {
  return AnsiOf(statement.firstChild().nodeValue());
}

QDomDocument LoadScriptFile(const std::string& path) {
  QFile file(QString::fromStdString(classlib::NativeFileName(path)));
  if (!file.open(QIODevice::ReadOnly))
    throw EScriptFileError(Text("Не удалось открыть файл скрипта ") + path);
  QDomDocument document;
  QString error;
  int line = 0;
  if (!document.setContent(file.readAll(), &error, &line))
    throw EScriptFileError(Text("Ошибка в файле скрипта ") + path + ", " + AnsiOf(error) +
                           " (" + std::to_string(line) + ")");
  if (document.documentElement().tagName() != "SCRIPTS")
    throw EScriptFileError(Text("В файле скрипта нет элемента SCRIPTS: ") + path);
  return document;
}

class TScriptFileRunner {
 public:
  TScriptFileRunner(const TScriptFileRun& run, const std::string& path)
      : run_(run), path_(path), context_{run.connection, run.view, run.log_check_errors, path} {}

  bool Run();

 private:
  void RunGroup(const QDomElement& group, int g);
  // False when the group must stop here.
  bool RunStatement(const QDomElement& group, const QDomElement& statement, int g, int k);
  void AddShare(double share);
  void Log(const std::string& error, const std::string& extra) {
    AddDetailsLog(run_.view, path_, error, extra);
  }
  void Commit();

  const TScriptFileRun& run_;
  const std::string path_;
  const TScriptContext context_;
  bool result_ = true;
  double start_ = 0;
  double share_ = 0;
  int group_count_ = 0;
  int statement_count_ = 0;  // of the running group
};

bool TScriptFileRunner::Run() {
  run_.connection.Reconnect();
  if (run_.blob_moves != nullptr) run_.blob_moves->Clear();
  start_ = run_.view.ProgressPosition();
  run_.view.SetStatusText(Text("выполнение скриптов"));
  run_.view.ProcessMessages();

  const QDomDocument document = LoadScriptFile(path_);
  const std::vector<QDomElement> groups = ChildElements(document.documentElement());
  group_count_ = static_cast<int>(groups.size());
  for (int g = 1; g <= group_count_; ++g) RunGroup(groups[g - 1], g);

  Commit();
  run_.view.SetStatusText(Text("заполнение BLOB-полей"));
  run_.view.ProcessMessages();
  if (run_.blob_moves != nullptr && !run_.blob_moves->Perform(path_)) result_ = false;
  MoveProgress(run_.view, start_ + run_.item_percent);
  return result_;
}

void TScriptFileRunner::RunGroup(const QDomElement& group, int g) {
  const double group_share = 0.8 * run_.item_percent / group_count_;
  if (!CheckScriptCondition(context_, group)) {
    if (run_.log_check_errors)
      Log(classlib::Format(Text("Не выполнены условия выполнения для группы №%d"), {g}),
          AnsiOf(group.tagName()));
    AddShare(group_share);
    return;
  }
  if (run_.blob_moves != nullptr && FlagOn(group, "MOVE_BLOB")) run_.blob_moves->Collect(group);
  const std::vector<QDomElement> statements = ChildElements(group);
  statement_count_ = static_cast<int>(statements.size());
  for (int k = 1; k <= statement_count_; ++k) {
    if (!RunStatement(group, statements[k - 1], g, k)) return;
  }
}

bool TScriptFileRunner::RunStatement(const QDomElement& group, const QDomElement& statement,
                                     int g, int k) {
  if (!CheckScriptCondition(context_, statement)) {
    if (run_.log_check_errors)
      Log(classlib::Format(Text("Не выполнены условия выполнения для группы №%d скрипт №%d"),
                           {g, k}),
          AnsiOf(group.tagName()) + " " + StatementText(statement));
    return true;
  }
  const bool stop_on_exception = FlagOn(statement, "STOP_ON_EXCEPTION");
  const bool log_error = FlagOn(statement, "LOG_ERROR");
  const std::string raw = StatementText(statement);
  const std::string text = ExpandMacros(raw, {.statement = true});
  run_.view.SetStatusText(classlib::Format(Text("группа %d, элемент %d"), {g, k}));
  run_.view.ProcessMessages();

  std::string error_text;
  if (!ExecuteStatement(run_.connection, text, error_text)) {
    if (log_error || stop_on_exception)
      Log(error_text, ExpandMacros(raw, {.statement = true, .hide_passwords = true}));
    if (stop_on_exception) {
      result_ = false;
      return false;
    }
  }
  AddShare(0.8 * run_.item_percent / (static_cast<double>(group_count_) * statement_count_));
  return true;
}

void TScriptFileRunner::AddShare(double share) {
  share_ += share;
  MoveProgress(run_.view, start_ + share_);
}

void TScriptFileRunner::Commit() {
  try {
    run_.connection.Commit();
  } catch (const std::exception&) {
    result_ = false;
    Log(Text("подтверждение транзакции"), "");
  }
}

}  // namespace

bool RunScriptFile(const TScriptFileRun& run, const std::string& path) {
  return TScriptFileRunner(run, path).Run();
}

}  // namespace app
