// 1 000 data files of 64 KB moved into a blob column on the embedded engine,
// two ways over the same table and files: through the updater's transfer
// (the buffered data set, one post per row, then the commit and the drop of
// the key column) and through a loop of raw client calls doing the same work
// (select the keys, read each file, create the blob, update the row by its
// key, commit, drop the key column). The key column and its values are put
// back outside the timed part.
#include <benchmark/benchmark.h>
#include <ibase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/blob_moves.h"
#include "app/blob_transfer_firebird.h"
#include "app/execute_statement_firebird.h"
#include "app/run_state.h"
#include "fib/base/errors.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_database.h"
#include "fib/zod/zod_query.h"

namespace {

constexpr int kRows = 1000;
constexpr int kBlobSize = 64 * 1024;
const char kParams[] = "user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=WIN1251";

std::string KeyOf(int row) {
  char key[16];
  std::snprintf(key, sizeof key, "K%04d", row);
  return key;
}

// A release folder with Data\K0001.lob ... and a database with DOCS, made
// once for the run in memory-backed storage (the engine's forced writes
// would otherwise measure the disk) and removed at exit.
class BenchRelease {
 public:
  BenchRelease() {
    std::error_code ignored;
    std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ignored)
                                     ? std::filesystem::path("/dev/shm")
                                     : std::filesystem::temp_directory_path();
    std::string pattern = (base / "blobmove.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    folder_ = pattern + "/";
    std::filesystem::create_directory(folder_ + "Data");
    for (int row = 1; row <= kRows; ++row) {
      std::string bytes(kBlobSize, static_cast<char>(row));
      std::memcpy(bytes.data(), KeyOf(row).data(), 5);
      std::ofstream(folder_ + "Data/" + KeyOf(row) + ".lob", std::ios::binary) << bytes;
    }
    path_ = folder_ + "docs.fdb";
    fib::TFIBDatabase db(nullptr);
    Configure(db);
    std::string create = "CREATE DATABASE '" + path_ +
                         "' USER 'SYSDBA' PASSWORD 'masterkey' DEFAULT CHARACTER SET WIN1251";
    isc_tr_handle none = 0;
    db.CheckClientCall(
        db.ClientLibrary().isc_dsql_execute_immediate(fib::StatusVector(), db.HandleAddress(),
                                                      &none, 0, create.c_str(), 3, nullptr),
        true);
    Run(db, "CREATE TABLE DOCS (ID INTEGER NOT NULL PRIMARY KEY, BODY BLOB SUB_TYPE 0)");
    Run(db, "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= " + std::to_string(kRows) +
                ") DO BEGIN INSERT INTO DOCS (ID) VALUES (:I); I = I + 1; END END");
  }
  ~BenchRelease() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  void Configure(fib::TFIBDatabase& db) const {
    db.SetDBName(path_);
    db.DBParams().SetText(kParams);
    db.SetSQLDialect(3);
    db.SetSynchronizeTime(false);
  }
  const std::string& Folder() const { return folder_; }

  // The table made anew with every row's key and no blobs: a table whose
  // key column was dropped and added back runs out of format versions after
  // 255 runs.
  void Reset() {
    fib::TFIBDatabase db(nullptr);
    Configure(db);
    db.Connect();
    Run(db, "RECREATE TABLE DOCS (ID INTEGER NOT NULL PRIMARY KEY, BODY BLOB SUB_TYPE 0, "
            "GUID VARCHAR(38))");
    Run(db, "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= " + std::to_string(kRows) +
                ") DO BEGIN INSERT INTO DOCS (ID, GUID) VALUES (:I, 'K' || LPAD(:I, 4, '0')); "
                "I = I + 1; END END");
  }
  // Whether the last run filled every row and dropped the keys.
  bool Done() {
    fib::TFIBDatabase db(nullptr);
    Configure(db);
    db.Connect();
    return db.QueryValue("SELECT COUNT(*) FROM DOCS WHERE OCTET_LENGTH(BODY) = " +
                             std::to_string(kBlobSize),
                         0)
                   .AsInt64() == kRows &&
           db.QueryValue(
                 "SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = "
                 "'DOCS' AND RDB$FIELD_NAME = 'GUID'",
                 0)
                   .AsInt64() == 0;
  }

 private:
  static void Run(fib::TFIBDatabase& db, const std::string& sql) {
    if (!db.Connected()) db.Connect();
    fib::TFIBTransaction tr(nullptr);
    tr.SetDefaultDatabase(&db);
    tr.StartTransaction();
    db.CheckClientCall(db.ClientLibrary().isc_dsql_execute_immediate(
                           fib::StatusVector(), db.HandleAddress(), tr.HandleAddress(), 0,
                           sql.c_str(), 3, nullptr),
                       true);
    tr.Commit();
  }

  std::string folder_;
  std::string path_;
};

BenchRelease& Release() {
  static BenchRelease release;
  return release;
}

// The window's progress view, with nothing to show.
class SilentView : public app::IProgressView {
 public:
  std::string StatusText() const override { return ""; }
  void SetStatusText(const std::string&) override {}
  int ProgressMin() const override { return 0; }
  int ProgressMax() const override { return 100; }
  void SetProgressRange(int, int) override {}
  int ProgressPosition() const override { return 0; }
  void SetProgressPosition(int) override {}
  void AddDetailLine(const std::string& line) override { details.push_back(line); }
  std::vector<std::string> DetailLines() const override { return details; }
  void ClearDetails() override { details.clear(); }
  bool DetailsButtonEnabled() const override { return false; }
  void SetDetailsButtonEnabled(bool) override {}
  void SetStateImage(app::TUpdatePhase, app::TStateImage) override {}
  void ProcessMessages() override {}
  std::vector<std::string> details;
};

void BM_TransferThroughUpdater(benchmark::State& state) {
  app::ProgramDir = Release().Folder();
  const app::TScriptElement group{
      "G", {{"MOVE_BLOB", "1"}, {"TABLE_NAME", "DOCS"}, {"BLOB_FIELD_1", "BODY"},
            {"GUID_FIELD_1", "GUID"}}, ""};
  for (auto _ : state) {
    state.PauseTiming();
    Release().Reset();
    state.ResumeTiming();
    fib::TpZODDatabase db(nullptr);
    Release().Configure(db);
    fib::TFIBTransaction tr(nullptr);
    tr.SetDefaultDatabase(&db);
    db.SetDefaultTransaction(&tr);
    fib::TpZODQuery query(nullptr);
    app::TFirebirdBlobDataSet data_set(nullptr);
    app::TFirebirdScriptConnection connection(db, tr, query);
    connection.Reconnect();
    app::TFirebirdBlobTable table(db, tr, query, data_set);
    SilentView view;
    app::TBlobMoves moves(view, table);
    moves.Collect(group);
    const bool done = moves.Perform("bench.xml");
    state.PauseTiming();
    if (!done || !Release().Done()) state.SkipWithError("the transfer failed");
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kRows} * kBlobSize);
}

// A prepared statement through the raw calls.
class RawStatement {
 public:
  RawStatement(fib::TFIBDatabase& db, fib::TFIBTransaction& tr, const std::string& sql)
      : db_(db), tr_(tr), library_(db.ClientLibrary()) {
    Check(library_.isc_dsql_alloc_statement2(fib::StatusVector(), db.HandleAddress(), &handle_));
    Check(library_.isc_dsql_prepare(fib::StatusVector(), tr.HandleAddress(), &handle_, 0,
                                    sql.c_str(), 3, nullptr));
  }
  ~RawStatement() { library_.isc_dsql_free_statement(fib::StatusVector(), &handle_, DSQL_drop); }
  void Execute(const XSQLDA* params) {
    Check(library_.isc_dsql_execute(fib::StatusVector(), tr_.HandleAddress(), &handle_, 1, params));
  }
  bool Fetch(const XSQLDA* columns) {
    ISC_STATUS status = library_.isc_dsql_fetch(fib::StatusVector(), &handle_, 1, columns);
    if (status == 100) return false;
    Check(status);
    return true;
  }

 private:
  void Check(ISC_STATUS status) { db_.CheckClientCall(status, true); }
  fib::TFIBDatabase& db_;
  fib::TFIBTransaction& tr_;
  fib::IIBClientLibrary& library_;
  isc_stmt_handle handle_ = 0;
};

// The key as a VARCHAR(38) column and, for the update, the blob id and the
// key as parameters.
struct KeyRow {
  KeyRow() : sqlda(static_cast<XSQLDA*>(::operator new(XSQLDA_LENGTH(2)))) {
    std::memset(sqlda, 0, XSQLDA_LENGTH(2));
    sqlda->version = SQLDA_VERSION1;
    sqlda->sqln = 2;
  }
  ~KeyRow() { ::operator delete(sqlda); }
  void AsKeyColumn() {
    sqlda->sqld = 1;
    Bind(sqlda->sqlvar[0], SQL_VARYING, &key, sizeof key.text);
  }
  void AsUpdateParams() {
    sqlda->sqld = 2;
    Bind(sqlda->sqlvar[0], SQL_BLOB, &blob, sizeof blob);
    Bind(sqlda->sqlvar[1], SQL_VARYING, &key, sizeof key.text);
  }
  void Bind(XSQLVAR& var, short type, void* data, short length) {
    var.sqltype = static_cast<short>(type + 1);
    var.sqllen = length;
    var.sqldata = static_cast<ISC_SCHAR*>(data);
    var.sqlind = &null_flag;
  }
  XSQLDA* sqlda;
  struct {
    short length;
    char text[38];
  } key{};
  ISC_QUAD blob{};
  short null_flag = 0;
};

void BM_TransferRawCalls(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Release().Reset();
    state.ResumeTiming();
    fib::TFIBDatabase db(nullptr);
    Release().Configure(db);
    db.Connect();
    fib::TFIBTransaction tr(nullptr);
    tr.SetDefaultDatabase(&db);
    tr.StartTransaction();
    fib::IIBClientLibrary& library = db.ClientLibrary();
    auto check = [&](ISC_STATUS status) { db.CheckClientCall(status, true); };
    {
      RawStatement select(db, tr, "SELECT GUID FROM DOCS WHERE GUID IS NOT NULL");
      RawStatement update(db, tr, "UPDATE DOCS SET BODY = ? WHERE GUID = ?");
      KeyRow row, params;
      row.AsKeyColumn();
      params.AsUpdateParams();
      std::vector<char> bytes(kBlobSize);
      select.Execute(nullptr);
      while (select.Fetch(row.sqlda)) {
        params.key = row.key;
        const std::string key(row.key.text, static_cast<size_t>(row.key.length));
        std::ifstream file(Release().Folder() + "Data/" + key + ".lob", std::ios::binary);
        file.read(bytes.data(), kBlobSize);
        const auto size = static_cast<size_t>(file.gcount());
        isc_blob_handle blob = 0;
        check(library.isc_create_blob2(fib::StatusVector(), db.HandleAddress(), tr.HandleAddress(),
                                       &blob, &params.blob, 0, nullptr));
        for (size_t done = 0; done < size;) {
          auto chunk = static_cast<unsigned short>(std::min<size_t>(65535, size - done));
          check(library.isc_put_segment(fib::StatusVector(), &blob, chunk, bytes.data() + done));
          done += chunk;
        }
        check(library.isc_close_blob(fib::StatusVector(), &blob));
        update.Execute(params.sqlda);
      }
    }
    tr.Commit();
    tr.StartTransaction();
    const char drop[] = "ALTER TABLE DOCS DROP GUID";
    check(library.isc_dsql_execute_immediate(fib::StatusVector(), db.HandleAddress(),
                                             tr.HandleAddress(), 0, drop, 3, nullptr));
    tr.Commit();
    state.PauseTiming();
    if (!Release().Done()) state.SkipWithError("the raw loop failed");
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kRows} * kBlobSize);
}

BENCHMARK(BM_TransferThroughUpdater)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_TransferRawCalls)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
