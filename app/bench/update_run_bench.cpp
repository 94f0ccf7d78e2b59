// A release script of inserts and updates (groups of ten, every tenth group
// under a condition) run by the update engine on the embedded Firebird
// engine, against the same statements run by isql-fb with a COMMIT after
// each (the updater commits after every statement too).
//
// Both sides are measured the same way: each is a whole process on its own
// copy of one fresh database, started by a small launcher program
// (update_run_launcher) that reports the process's wall time from start to
// exit, its user and system CPU time and its peak resident memory. The
// updater side is this program again, running only the update. Started from
// this program directly, both would report at least this program's size as
// their peak. Every run measures both sides, in alternating order from run
// to run, and reports their ratios (updater over isql-fb), so that
// scripts/bench.sh can take the median of paired ratios.
//
//   BM_UpdateRunTmpfs: the database in /dev/shm, so the disk's flushes do
//                      not hide the updater's own cost;
//   BM_UpdateRunDisk:  the database on disk (UPDATE_RUN_DISK_DIR, else the
//                      system's temporary folder), every commit flushed.
// UPDATE_RUN_STATEMENTS sets the number of statements (default 20 000; a
// multiple of ten).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/progress_view.h"
#include "classlib/codepage.h"
#include "app/run_state.h"
#include "app/update_database.h"
#include "fib/sql/sql_trace_hook.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_database.h"
#include "fib/zod/zod_query.h"
#include "testing/bench_rounds.h"

extern char** environ;

namespace {

constexpr int kStatementsPerGroup = 10;  // five inserts, then five updates
const std::string kPassword = "masterkey";
const char kChildVariable[] = "UPDATE_RUN_CHILD";

int StatementCount() {
  const char* text = std::getenv("UPDATE_RUN_STATEMENTS");
  const int count = text != nullptr ? std::atoi(text) : 20000;
  return count >= kStatementsPerGroup ? count : 20000;
}

// With UPDATE_RUN_MEMORY_REPORT=<file>, the updater side writes there its
// memory map (/proc/self/smaps) and the allocator's totals (mallinfo2)
// after the last statement, so the growth from a short to a long run can be
// told apart mapping by mapping and compared with isql-fb's.
void ReportMemory() {
  const char* report = std::getenv("UPDATE_RUN_MEMORY_REPORT");
  if (report == nullptr) return;
  std::ofstream out(report);
  out << std::ifstream("/proc/self/smaps").rdbuf();
  const struct mallinfo2 heap = mallinfo2();
  out << "mallinfo2 arena " << heap.arena << " mmap " << heap.hblkhd << " in_use " << heap.uordblks
      << " free " << heap.fordblks << "\n";
}

class SilentView : public app::IProgressView {
 public:
  std::string StatusText() const override { return status_; }
  // The status the run shows after its last statement, with the database
  // still connected: the moment the memory report describes.
  void SetStatusText(const std::string& text) override {
    static const std::string kAfterStatements = classlib::Utf8ToCp1251("заполнение BLOB-полей");
    status_ = text;
    if (text == kAfterStatements) ReportMemory();
  }
  int ProgressMin() const override { return min_; }
  int ProgressMax() const override { return max_; }
  void SetProgressRange(int min, int max) override { min_ = min, max_ = max; }
  int ProgressPosition() const override { return position_; }
  void SetProgressPosition(int position) override { position_ = position; }
  void AddDetailLine(const std::string& line) override { details_.push_back(line); }
  std::vector<std::string> DetailLines() const override { return details_; }
  void ClearDetails() override { details_.clear(); }
  bool DetailsButtonEnabled() const override { return !details_.empty(); }
  void SetDetailsButtonEnabled(bool) override {}
  void SetStateImage(app::TUpdatePhase, app::TStateImage) override {}
  void ProcessMessages() override {}

 private:
  std::string status_;
  int min_ = 0, max_ = 100, position_ = 0;
  std::vector<std::string> details_;
};

// ---- the statements, for both sides ----

std::vector<std::string> GroupStatements(int g) {
  std::vector<std::string> statements;
  const int first = g * kStatementsPerGroup / 2;
  for (int i = first; i < first + kStatementsPerGroup / 2; ++i)
    statements.push_back("INSERT INTO BENCH_ROWS (ID, NAME, QTY) VALUES (" + std::to_string(i) +
                         ", 'row " + std::to_string(i) + "', 0)");
  for (int i = first; i < first + kStatementsPerGroup / 2; ++i)
    statements.push_back("UPDATE BENCH_ROWS SET QTY = QTY + 1, NAME = 'changed' WHERE ID = " +
                         std::to_string(i));
  return statements;
}

void WriteScriptFile(const std::string& path, int groups) {
  std::ofstream out(path);
  out << "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<SCRIPTS>\n";
  for (int g = 0; g < groups; ++g) {
    // The first group of every ten: a run of one group checks a condition
    // too, so the memory runs of 10 and 60 000 statements do the same kinds
    // of work and differ only in how much of it.
    out << (g % 10 == 0 ? "<G CONDITION=\"EXIST_TABLE(BENCH_ROWS);\">\n" : "<G>\n");
    for (const std::string& s : GroupStatements(g))
      out << "<S STOP_ON_EXCEPTION=\"1\" LOG_ERROR=\"1\">" << s << "</S>\n";
    out << "</G>\n";
  }
  out << "</SCRIPTS>\n";
}

void WriteIsqlScript(const std::string& path, const std::string& database, int groups) {
  std::ofstream out(path);
  out << "CONNECT '" << database << "' USER 'SYSDBA' PASSWORD '" << kPassword << "';\n";
  for (int g = 0; g < groups; ++g)
    for (const std::string& s : GroupStatements(g)) out << s << ";\nCOMMIT;\n";
}

// ---- processes ----

struct ProcessRun {
  double seconds = 0;
  double user_seconds = 0;
  double system_seconds = 0;
  double peak_mib = 0;
  double CpuSeconds() const { return user_seconds + system_seconds; }
};

// Runs `arguments` through the launcher and reads what it measured.
ProcessRun RunProcess(const std::vector<std::string>& arguments, const std::string& result_file,
                      const std::vector<std::string>& extra_environment = {}) {
  std::vector<std::string> launch{UPDATE_RUN_LAUNCHER, result_file};
  launch.insert(launch.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : launch) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment_texts(extra_environment);
  for (char** variable = environ; *variable != nullptr; ++variable)
    environment_texts.emplace_back(*variable);
  std::vector<char*> envp;
  for (std::string& text : environment_texts) envp.push_back(text.data());
  envp.push_back(nullptr);

  std::filesystem::remove(result_file);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0)
    throw std::runtime_error("cannot start the launcher for " + arguments[0]);
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error(arguments[0] + " failed");
  ProcessRun run;
  double peak_kib = 0;
  std::ifstream result(result_file);
  if (!(result >> run.seconds >> run.user_seconds >> run.system_seconds >> peak_kib))
    throw std::runtime_error("no measurement of " + arguments[0]);
  run.peak_mib = peak_kib / 1024.0;
  return run;
}

void RunIsql(const std::string& script) {
  QProcess isql;
  isql.start("isql-fb", {"-q", "-bail", "-i", QString::fromStdString(script)});
  if (!isql.waitForStarted(10000) || !isql.waitForFinished(-1) || isql.exitCode() != 0)
    throw std::runtime_error("isql-fb failed: " + isql.readAllStandardError().toStdString());
}

void ConfigureDatabase(fib::TpZODDatabase& db, const std::string& path) {
  db.SetDBName(path);
  db.DBParams().SetText("user_name=SYSDBA\r\npassword=" + kPassword + "\r\nlc_ctype=WIN1251");
  db.SetSQLDialect(3);
}

int64_t ChangedRows(const std::string& database) {
  fib::TpZODDatabase db(nullptr);
  ConfigureDatabase(db, database);
  db.Connect();
  return db.QueryValue("SELECT COUNT(*) FROM BENCH_ROWS WHERE QTY = 1", 0).AsInt64();
}

// The updater side: the update engine runs "bench.xml" of `folder` on
// "updater.fdb" there; the exit code says whether every statement ran. The
// components are left to the process's end.
int RunUpdaterChild(const std::string& folder) {
  const std::string database = folder + "/updater.fdb";
  auto& db = *new fib::TpZODDatabase(nullptr);
  auto& transaction = *new fib::TFIBTransaction(nullptr);
  auto& query = *new fib::TpZODQuery(nullptr);
  ConfigureDatabase(db, database);
  transaction.SetDefaultDatabase(&db);
  db.SetDefaultTransaction(&transaction);
  app::DBType = app::kFirebird;
  app::ProgramDir = folder + "/";
  app::AlwaysUpdateDB = true;  // the scripts only, no version row
  app::TDbUpdateItem item{"FIREBIRD", "100", "0", "bench.xml", "", "ITEM", 0};
  SilentView view;
  app::TDatabaseUpdateTarget target{view, {&db, &transaction, &query, nullptr, nullptr, nullptr}};
  return app::UpdateDatabase(target, {item}) ? 0 : 1;
}

// ---- the paired benchmark ----

// A folder with the template database, both scripts and the two working
// copies of the database.
class RunFolder {
 public:
  explicit RunFolder(const std::filesystem::path& base) : groups_(StatementCount() / kStatementsPerGroup) {
    std::string pattern = (base / "updaterun.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no folder in " + base.string());
    folder_ = pattern;
    const std::string create = folder_ + "/create.sql";
    std::ofstream(create) << "CREATE DATABASE '" << Template() << "' USER 'SYSDBA' PASSWORD '"
                          << kPassword << "' DEFAULT CHARACTER SET WIN1251;\n"
                          << "CREATE TABLE BENCH_ROWS (ID INTEGER NOT NULL PRIMARY KEY, "
                             "NAME VARCHAR(60), QTY INTEGER);\nCOMMIT;\n";
    RunIsql(create);
    WriteScriptFile(folder_ + "/bench.xml", groups_);
    WriteIsqlScript(folder_ + "/bench.sql", IsqlDatabase(), groups_);
  }
  ~RunFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  ProcessRun Updater() {
    Fresh(UpdaterDatabase());
    ProcessRun run = RunProcess({std::filesystem::read_symlink("/proc/self/exe").string()}, Result(),
                                {std::string(kChildVariable) + "=" + folder_});
    Verify(UpdaterDatabase());
    return run;
  }
  ProcessRun Isql() {
    Fresh(IsqlDatabase());
    ProcessRun run = RunProcess({"isql-fb", "-q", "-bail", "-i", folder_ + "/bench.sql"}, Result());
    Verify(IsqlDatabase());
    return run;
  }

 private:
  std::string Template() const { return folder_ + "/template.fdb"; }
  std::string UpdaterDatabase() const { return folder_ + "/updater.fdb"; }
  std::string IsqlDatabase() const { return folder_ + "/isql.fdb"; }
  std::string Result() const { return folder_ + "/measured.txt"; }
  void Fresh(const std::string& database) const {
    std::filesystem::copy_file(Template(), database,
                               std::filesystem::copy_options::overwrite_existing);
  }
  void Verify(const std::string& database) const {
    if (ChangedRows(database) != int64_t{groups_} * kStatementsPerGroup / 2)
      throw std::runtime_error("not every statement ran on " + database);
  }

  int groups_;
  std::string folder_;
};

void SetRatio(benchmark::State& state, const std::string& name, double updater, double isql) {
  state.counters["updater_" + name] = updater;
  state.counters["isql_" + name] = isql;
  state.counters[name + "_ratio"] = updater / isql;
}

void PairedUpdateRun(benchmark::State& state, const std::filesystem::path& base) {
  RunFolder folder(base);
  // Alternates from run to run: each run of a benchmark has one iteration.
  static bool updater_first = true;
  for (auto _ : state) {
    ProcessRun updater, isql;
    if (updater_first) {
      updater = folder.Updater();
      isql = folder.Isql();
    } else {
      isql = folder.Isql();
      updater = folder.Updater();
    }
    updater_first = !updater_first;
    state.SetIterationTime(updater.seconds);
    state.counters["isql_s"] = isql.seconds;
    state.counters["ratio"] = updater.seconds / isql.seconds;
    SetRatio(state, "cpu_s", updater.CpuSeconds(), isql.CpuSeconds());
    SetRatio(state, "user_s", updater.user_seconds, isql.user_seconds);
    SetRatio(state, "sys_s", updater.system_seconds, isql.system_seconds);
    SetRatio(state, "peak_mib", updater.peak_mib, isql.peak_mib);
  }
}

void BM_UpdateRunTmpfs(benchmark::State& state) { PairedUpdateRun(state, "/dev/shm"); }

void BM_UpdateRunDisk(benchmark::State& state) {
  const char* folder = std::getenv("UPDATE_RUN_DISK_DIR");
  PairedUpdateRun(state, folder != nullptr ? std::filesystem::path(folder)
                                           : std::filesystem::temp_directory_path());
}

}  // namespace

BENCHMARK(BM_UpdateRunTmpfs)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_UpdateRunDisk)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The benchmark program; started with UPDATE_RUN_CHILD=<folder> it is the
// updater side of one paired run instead.
int main(int argc, char** argv) {
  if (const char* folder = std::getenv(kChildVariable)) {
    // The process ends as soon as the update has: tearing the components
    // down is no part of what isql-fb is compared on either.
    int code = 2;
    try {
      code = RunUpdaterChild(folder);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "%s\n", error.what());
    }
    std::fflush(nullptr);
    _exit(code);
  }
  // The updater side runs where this program runs: it says whether a
  // monitor's block is there to be looked at.
  std::fprintf(stderr, fib::MonitorBlockExists()
                           ? "SQL monitor: a shared block exists; the updater's figures include its cost\n"
                           : "SQL monitor: no shared block\n");
  return bench::RunBenchmarkRounds(argc, argv);
}
