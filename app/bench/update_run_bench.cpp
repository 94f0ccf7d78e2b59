// A release script of 20 000 statements (inserts and updates, in groups of
// ten, every tenth group under a condition) run once by the update engine
// on the embedded Firebird engine, and the same statements run once by
// isql-fb. The updater commits after every statement, so isql-fb gets a
// COMMIT after each statement too; a second isql-fb run with one COMMIT at
// the end shows what the per-statement commits cost. Prints the ratio.
#include <benchmark/benchmark.h>

#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "app/progress_view.h"
#include "app/run_state.h"
#include "app/update_database.h"
#include "fib/fib_transaction.h"
#include "fib/zod_database.h"
#include "fib/zod_query.h"

namespace {

constexpr int kGroups = 2000;
constexpr int kInsertsPerGroup = 5;
constexpr int kUpdatesPerGroup = 5;
const std::string kPassword = "masterkey";

class SilentView : public app::IProgressView {
 public:
  std::string StatusText() const override { return status_; }
  void SetStatusText(const std::string& text) override { status_ = text; }
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

std::string Insert(int id) {
  return "INSERT INTO BENCH_ROWS (ID, NAME, QTY) VALUES (" + std::to_string(id) + ", 'row " +
         std::to_string(id) + "', 0)";
}
std::string Update(int id) {
  return "UPDATE BENCH_ROWS SET QTY = QTY + 1, NAME = 'changed' WHERE ID = " + std::to_string(id);
}

// The statements of group g, in order.
std::vector<std::string> GroupStatements(int g) {
  std::vector<std::string> statements;
  const int first = g * kInsertsPerGroup;
  for (int i = 0; i < kInsertsPerGroup; ++i) statements.push_back(Insert(first + i));
  for (int i = 0; i < kUpdatesPerGroup; ++i) statements.push_back(Update(first + i));
  return statements;
}

void WriteScriptFile(const std::string& path) {
  std::ofstream out(path);
  out << "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<SCRIPTS>\n";
  for (int g = 0; g < kGroups; ++g) {
    out << (g % 10 == 9 ? "<G CONDITION=\"EXIST_TABLE(BENCH_ROWS);\">\n" : "<G>\n");
    for (const std::string& s : GroupStatements(g))
      out << "<S STOP_ON_EXCEPTION=\"1\" LOG_ERROR=\"1\">" << s << "</S>\n";
    out << "</G>\n";
  }
  out << "</SCRIPTS>\n";
}

void WriteIsqlScript(const std::string& path, const std::string& database, bool commit_each) {
  std::ofstream out(path);
  out << "CONNECT '" << database << "' USER 'SYSDBA' PASSWORD '" << kPassword << "';\n";
  for (int g = 0; g < kGroups; ++g)
    for (const std::string& s : GroupStatements(g))
      out << s << (commit_each ? ";\nCOMMIT;\n" : ";\n");
  out << "COMMIT;\n";
}

void RunIsql(const std::string& script) {
  QProcess isql;
  isql.start("isql-fb", {"-q", "-bail", "-i", QString::fromStdString(script)});
  if (!isql.waitForStarted(10000) || !isql.waitForFinished(-1) || isql.exitCode() != 0)
    throw std::runtime_error("isql-fb failed: " + isql.readAllStandardError().toStdString());
}

void CreateDatabase(const std::string& folder, const std::string& database) {
  const std::string script = folder + "/create.sql";
  std::ofstream(script) << "CREATE DATABASE '" << database << "' USER 'SYSDBA' PASSWORD '"
                        << kPassword << "' DEFAULT CHARACTER SET WIN1251;\n"
                        << "CREATE TABLE BENCH_ROWS (ID INTEGER NOT NULL PRIMARY KEY, "
                           "NAME VARCHAR(60), QTY INTEGER);\nCOMMIT;\n";
  RunIsql(script);
}

int64_t RowCount(const std::string& database) {
  fib::TpZODDatabase db(nullptr);
  db.SetDBName(database);
  db.DBParams().SetText("user_name=SYSDBA\r\npassword=" + kPassword + "\r\nlc_ctype=WIN1251");
  db.Connect();
  return db.QueryValue("SELECT COUNT(*) FROM BENCH_ROWS WHERE QTY = 1", 0).AsInt64();
}

double updater_seconds = 0;

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_UpdaterScript(benchmark::State& state) {
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString();
  const std::string database = folder + "/bench.fdb";
  CreateDatabase(folder, database);
  WriteScriptFile(folder + "/bench.xml");

  fib::TpZODDatabase db(nullptr);
  fib::TFIBTransaction transaction(nullptr);
  fib::TpZODQuery query(nullptr);
  db.SetDBName(database);
  db.DBParams().SetText("user_name=SYSDBA\r\npassword=" + kPassword + "\r\nlc_ctype=WIN1251");
  db.SetSQLDialect(3);
  transaction.SetDefaultDatabase(&db);
  db.SetDefaultTransaction(&transaction);
  app::DBType = app::kFirebird;
  app::ProgramDir = folder + "/";
  app::AlwaysUpdateDB = true;  // the scripts only, no version row
  app::TDbUpdateItem item{"FIREBIRD", "100", "0", "bench.xml", "", "ITEM", 0};
  SilentView view;
  app::TDatabaseUpdateTarget target{view, {&db, &transaction, &query, nullptr, nullptr, nullptr}};

  bool ok = false;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    ok = app::UpdateDatabase(target, {item});
    updater_seconds = Seconds(start);
  }
  state.counters["seconds"] = updater_seconds;
  if (!ok || RowCount(database) != kGroups * kInsertsPerGroup)
    state.SkipWithError("the update engine did not run every statement");
}

void RunIsqlBench(benchmark::State& state, bool commit_each) {
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString();
  const std::string database = folder + "/bench.fdb";
  CreateDatabase(folder, database);
  WriteIsqlScript(folder + "/bench.sql", database, commit_each);
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    RunIsql(folder + "/bench.sql");
    seconds = Seconds(start);
  }
  state.counters["seconds"] = seconds;
  // How many times as long the updater took for the same statements.
  if (updater_seconds > 0 && seconds > 0) state.counters["updater_ratio"] = updater_seconds / seconds;
  if (RowCount(database) != kGroups * kInsertsPerGroup)
    state.SkipWithError("isql-fb did not run every statement");
}

void BM_IsqlCommitEach(benchmark::State& state) { RunIsqlBench(state, true); }
void BM_IsqlCommitOnce(benchmark::State& state) { RunIsqlBench(state, false); }

}  // namespace

BENCHMARK(BM_UpdaterScript)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_IsqlCommitEach)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_IsqlCommitOnce)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
