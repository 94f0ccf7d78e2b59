#include "app/script_file.h"

#include "app/details_log.h"
#include "app/macros.h"
#include "app/progress_view_relay.h"
#include "app/script_condition.h"
#include "app/script_reader.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/format.h"

namespace app {

namespace {

std::string Text(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

bool FlagOn(const TScriptElement& element, const char* name) {
  return classlib::Trim(element.Attribute(name)) == "1";
}

// The statement with its macros put in; false, with the reason, when a
// value cannot be put in safely: the statement then fails like one the
// server refused.
bool ExpandStatement(const std::string& raw, std::string& text, std::string& error_text) {
  try {
    text = ExpandMacros(raw, {.statement = true});
    return true;
  } catch (const EMacroValueError& error) {
    error_text = error.Message();
    return false;
  }
}

// The statement as the details show it: passwords hidden, and as written
// when its macros cannot be put in.
std::string LoggedStatement(const std::string& raw) {
  try {
    return ExpandMacros(raw, {.statement = true, .hide_passwords = true});
  } catch (const EMacroValueError&) {
    return raw;
  }
}

// The groups of one file, with their conditions, statements and progress.
// They run on the statement thread and show through `view`, a relay.
class TGroupRunner {
 public:
  TGroupRunner(const TScriptFileRun& run, const std::string& path, IProgressView& view, double start,
               int group_count)
      : run_(run),
        path_(path),
        view_(view),
        context_{run.connection, view, run.log_check_errors, path},
        start_(start),
        group_count_(group_count) {}

  void RunAll(TScriptReader& reader) {
    TScriptGroup group;
    for (int g = 1; reader.NextGroup(group); ++g) RunGroup(group, g);
  }
  bool Result() const { return result_; }

 private:
  void RunGroup(const TScriptGroup& group, int g);
  // False when the group must stop here.
  bool RunStatement(const TScriptElement& group, const TScriptElement& statement, int g, int k);
  void AddShare(double share);
  void Log(const std::string& error, const std::string& extra) { AddDetailsLog(view_, path_, error, extra); }

  const TScriptFileRun& run_;
  const std::string& path_;
  IProgressView& view_;
  const TScriptContext context_;
  const double start_;
  const int group_count_;
  bool result_ = true;
  double share_ = 0;
  int statement_count_ = 0;  // of the running group
};

class TScriptFileRunner {
 public:
  TScriptFileRunner(const TScriptFileRun& run, const std::string& path) : run_(run), path_(path) {}

  bool Run();

 private:
  void RunGroups();
  void Log(const std::string& error, const std::string& extra) {
    AddDetailsLog(run_.view, path_, error, extra);
  }
  void Commit();

  const TScriptFileRun& run_;
  const std::string path_;
  bool result_ = true;
  double start_ = 0;
};

bool TScriptFileRunner::Run() {
  run_.connection.Reconnect();
  if (run_.blob_moves != nullptr) run_.blob_moves->Clear();
  start_ = run_.view.ProgressPosition();
  run_.view.SetStatusText(Text("выполнение скриптов"));
  run_.view.ProcessMessages();

  RunGroups();

  Commit();
  run_.view.SetStatusText(Text("заполнение BLOB-полей"));
  run_.view.ProcessMessages();
  if (run_.blob_moves != nullptr && !run_.blob_moves->Perform(path_)) result_ = false;
  MoveProgress(run_.view, start_ + run_.item_percent);
  return result_;
}

// The groups run on the statement thread in one go: handing each statement
// over on its own cost more processor time than a short statement itself.
// Meanwhile the window's thread handles its events and shows what the
// groups show. The file is read and checked there too: the reader's
// buffers, as large as its read blocks, are then taken from the memory the
// statement thread uses anyway, not once on each thread. Only the running
// group is held in memory: a long file costs no more than its largest group.
void TScriptFileRunner::RunGroups() {
  TProgressRelay relay(run_.view, HurryEventRound);
  bool groups_result = true;
  const auto read_and_run = [&] {
    TScriptReader reader(path_);
    TGroupRunner groups(run_, path_, relay, start_, reader.GroupCount());
    groups.RunAll(reader);
    groups_result = groups.Result();
  };
  try {
    RunOnStatementThread(run_.connection, read_and_run, [&] { relay.Deliver(); });
  } catch (...) {
    relay.Deliver();
    throw;
  }
  relay.Deliver();
  if (!groups_result) result_ = false;
}

void TGroupRunner::RunGroup(const TScriptGroup& group, int g) {
  const double group_share = 0.8 * run_.item_percent / group_count_;
  if (!CheckScriptCondition(context_, group.element)) {
    if (run_.log_check_errors)
      Log(classlib::Format(Text("Не выполнены условия выполнения для группы №%d"), {g}),
          group.element.name);
    AddShare(group_share);
    return;
  }
  if (run_.blob_moves != nullptr && FlagOn(group.element, "MOVE_BLOB"))
    run_.blob_moves->Collect(group.element);
  statement_count_ = static_cast<int>(group.statements.size());
  for (int k = 1; k <= statement_count_; ++k) {
    if (!RunStatement(group.element, group.statements[k - 1], g, k)) return;
  }
}

bool TGroupRunner::RunStatement(const TScriptElement& group, const TScriptElement& statement, int g,
                                int k) {
  if (!CheckScriptCondition(context_, statement)) {
    if (run_.log_check_errors)
      Log(classlib::Format(Text("Не выполнены условия выполнения для группы №%d скрипт №%d"),
                           {g, k}),
          group.name + " " + statement.text);
    return true;
  }
  const bool stop_on_exception = FlagOn(statement, "STOP_ON_EXCEPTION");
  const bool log_error = FlagOn(statement, "LOG_ERROR");
  const std::string& raw = statement.text;
  std::string text;
  std::string error_text;
  const bool expanded = ExpandStatement(raw, text, error_text);
  static const std::string kStatementPlace = Text("группа %d, элемент %d");
  view_.SetStatusText(classlib::Format(kStatementPlace, {g, k}));
  view_.ProcessMessages();

  if (!expanded || !ExecuteStatement(run_.connection, text, error_text)) {
    if (log_error || stop_on_exception) Log(error_text, LoggedStatement(raw));
    if (stop_on_exception) {
      result_ = false;
      return false;
    }
  }
  AddShare(0.8 * run_.item_percent / (static_cast<double>(group_count_) * statement_count_));
  return true;
}

void TGroupRunner::AddShare(double share) {
  share_ += share;
  MoveProgress(view_, start_ + share_);
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
