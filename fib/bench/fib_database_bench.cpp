// What the connection and transaction components cost over the bare client
// library, on the embedded engine: connect/disconnect cycles, and short
// transactions that start, run one single-value query and commit. Each pair
// makes the same client calls; compare the per-iteration times.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "fib/base/client_library.h"
#include "fib/base/errors.h"
#include "fib/base/param_blocks.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"

namespace {

using fib::CheckClientCall;
using fib::StatusVector;

// The runs the comparison is made on; FIB_BENCH_SCALE divides both for a
// quick look.
int Scaled(int count) {
  const char* scale = std::getenv("FIB_BENCH_SCALE");
  int divisor = scale != nullptr ? std::atoi(scale) : 1;
  return divisor > 1 ? count / divisor : count;
}
const int kConnectCycles = Scaled(1000);
const int kTransactions = Scaled(100000);
const char kQuery[] = "select cast(? as integer) + 1 from rdb$database";

fib::IIBClientLibrary& Library() {
  static fib::ClientLibraryRef library = fib::FindOrLoadClientLibrary(fib::DefaultLibraryName());
  return *library;
}

void Check(ISC_STATUS status) { CheckClientCall(status, true, Library(), nullptr); }

// A fresh database file for one benchmark, dropped at its end: the engine
// slows down as a file collects transactions, so no benchmark may inherit
// another's file.
class BenchDatabase {
 public:
  BenchDatabase() {
    std::string folder = (std::filesystem::temp_directory_path() / "fibbench.XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) std::abort();
    folder_ = folder;
    path_ = folder + "/bench.fdb";
    std::string create = "CREATE DATABASE '" + path_ + "' USER 'SYSDBA' PASSWORD 'masterkey'";
    isc_db_handle handle = 0;
    isc_tr_handle none = 0;
    Check(Library().isc_dsql_execute_immediate(StatusVector(), &handle, &none, 0, create.c_str(), 3,
                                               nullptr));
    Check(Library().isc_detach_database(StatusVector(), &handle));
    // Without forced writes the disk's own latency, shared with whatever
    // else runs on the machine, stops drowning the cost being measured.
    classlib::TStringList lines;
    lines.SetText("user_name=SYSDBA\r\npassword=masterkey\r\nforce_write=0");
    std::string dpb = fib::BuildDPB(lines);
    Check(Library().isc_attach_database(StatusVector(), 0, path_.c_str(), &handle,
                                        static_cast<short>(dpb.size()), dpb.data()));
    Check(Library().isc_detach_database(StatusVector(), &handle));
  }
  ~BenchDatabase() {
    isc_db_handle handle = Attach();
    Library().isc_drop_database(StatusVector(), &handle);
    std::filesystem::remove_all(folder_);
  }
  const std::string& Path() const { return path_; }

  std::string DPB() const {
    classlib::TStringList lines;
    lines.SetText("user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=WIN1251");
    return fib::BuildDPB(lines);
  }
  isc_db_handle Attach() const {
    isc_db_handle handle = 0;
    std::string dpb = DPB();
    Check(Library().isc_attach_database(StatusVector(), 0, path_.c_str(), &handle,
                                        static_cast<short>(dpb.size()), dpb.data()));
    return handle;
  }
  void Configure(fib::TFIBDatabase& db) const {
    db.SetDBName(path_);
    db.DBParams().SetText("user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=WIN1251");
    db.SetSQLDialect(3);
    db.SetSynchronizeTime(false);
  }

 private:
  std::string folder_;
  std::string path_;
};


// ---- connect and disconnect -----------------------------------------------

void BM_ConnectLayer(benchmark::State& state) {
  BenchDatabase database;
  fib::TFIBDatabase db(nullptr);
  database.Configure(db);
  for (auto _ : state) {
    db.Connect();
    db.Disconnect(false);
  }
}
BENCHMARK(BM_ConnectLayer)->Iterations(kConnectCycles)->Unit(benchmark::kMicrosecond);

// What Connect and Disconnect call: attach, the dialect item, detach.
void BM_ConnectRaw(benchmark::State& state) {
  BenchDatabase database;
  std::string dpb = database.DPB();
  const std::string& path = database.Path();
  for (auto _ : state) {
    isc_db_handle handle = 0;
    Check(Library().isc_attach_database(StatusVector(), static_cast<short>(path.size()),
                                        path.c_str(), &handle, static_cast<short>(dpb.size()),
                                        dpb.data()));
    const char items[] = {isc_info_db_sql_dialect, isc_info_end};
    char answer[512];
    Check(Library().isc_database_info(StatusVector(), &handle, sizeof items, items, sizeof answer,
                                      answer));
    benchmark::DoNotOptimize(Library().isc_vax_integer(answer + 3, 1));
    Check(Library().isc_detach_database(StatusVector(), &handle));
  }
}
BENCHMARK(BM_ConnectRaw)->Iterations(kConnectCycles)->Unit(benchmark::kMicrosecond);

// ---- start, one query, commit ---------------------------------------------

void BM_TransactionLayer(benchmark::State& state) {
  BenchDatabase database;
  fib::TFIBDatabase db(nullptr);
  database.Configure(db);
  db.Connect();
  fib::TFIBTransaction tr(nullptr);
  tr.SetDefaultDatabase(&db);
  int n = 0;
  for (auto _ : state) {
    tr.StartTransaction();
    classlib::Variant args[] = {classlib::Variant(n++)};
    benchmark::DoNotOptimize(db.QueryValue(kQuery, 0, args, &tr).AsInt64());
    tr.Commit();
  }
}
BENCHMARK(BM_TransactionLayer)->Iterations(kTransactions)->Unit(benchmark::kMicrosecond);

// The same calls on a statement prepared once: start, execute, fetch, close
// the cursor, commit.
void BM_TransactionRaw(benchmark::State& state) {
  BenchDatabase database;
  fib::IIBClientLibrary& lib = Library();
  ISC_STATUS* status = StatusVector();
  isc_db_handle db = database.Attach();
  isc_tr_handle tr = 0;
  fib::TransactionExistenceBlock teb{&db, 0, nullptr};
  Check(lib.isc_start_multiple(status, &tr, 1, &teb));
  isc_stmt_handle stmt = 0;
  Check(lib.isc_dsql_alloc_statement2(status, &db, &stmt));
  Check(lib.isc_dsql_prepare(status, &tr, &stmt, 0, kQuery, 3, nullptr));
  Check(lib.isc_commit_transaction(status, &tr));

  alignas(XSQLDA) char in_area[XSQLDA_LENGTH(1)] = {};
  alignas(XSQLDA) char out_area[XSQLDA_LENGTH(1)] = {};
  auto* in = reinterpret_cast<XSQLDA*>(in_area);
  auto* out = reinterpret_cast<XSQLDA*>(out_area);
  in->version = out->version = SQLDA_VERSION1;
  in->sqln = out->sqln = 1;
  Check(lib.isc_dsql_describe_bind(status, &stmt, 3, in));
  Check(lib.isc_dsql_describe(status, &stmt, 3, out));
  ISC_INT64 param = 0;
  short param_null = 0;
  in->sqlvar[0].sqltype = SQL_INT64 | 1;
  in->sqlvar[0].sqllen = sizeof param;
  in->sqlvar[0].sqlscale = 0;
  in->sqlvar[0].sqldata = reinterpret_cast<char*>(&param);
  in->sqlvar[0].sqlind = &param_null;
  char result[8];
  short result_null = 0;
  out->sqlvar[0].sqldata = result;
  out->sqlvar[0].sqlind = &result_null;

  int n = 0;
  for (auto _ : state) {
    Check(lib.isc_start_multiple(status, &tr, 1, &teb));
    param = n++;
    Check(lib.isc_dsql_execute(status, &tr, &stmt, 3, in));
    if (lib.isc_dsql_fetch(status, &stmt, 3, out) != 0) state.SkipWithError("no row");
    int64_t value = 0;
    std::memcpy(&value, result, out->sqlvar[0].sqllen == 8 ? 8 : 4);
    benchmark::DoNotOptimize(value);
    Check(lib.isc_dsql_free_statement(status, &stmt, DSQL_close));
    Check(lib.isc_commit_transaction(status, &tr));
  }
  Check(lib.isc_dsql_free_statement(status, &stmt, DSQL_drop));
  Check(lib.isc_detach_database(status, &db));
}
BENCHMARK(BM_TransactionRaw)->Iterations(kTransactions)->Unit(benchmark::kMicrosecond);

}  // namespace
