// 1 000 blobs of 64 KB written into a table and read back, in one
// transaction on the embedded engine, three ways over the same table and
// data: through TFIBBlobStream, through the raw client calls, and through
// Qt SQL's QIBASE driver (built only with FIB_BENCH_QT_SQL, which needs
// Qt6::Sql linked). Rows are inserted and selected with raw prepared
// statements in the first two, so they differ only in how blobs move.
#include <benchmark/benchmark.h>
#include <ibase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "fib/base/errors.h"
#include "fib/statements/fib_blob_stream.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"

#ifdef FIB_BENCH_QT_SQL
#include "fib/bench/bench_qt.h"
#include <QtCore/QVariant>
#include <QtSql/QSqlDatabase>
#include <QtSql/QSqlError>
#include <QtSql/QSqlQuery>
#endif

namespace {

constexpr int kBlobCount = 1000;
constexpr int kBlobSize = 64 * 1024;

// A database file with table BLOBS (K INTEGER, D BLOB), made once for the
// whole run and removed at exit.
class BenchFile {
 public:
  BenchFile() {
    // Memory-backed when possible: the engine's forced writes would
    // otherwise measure the disk rather than the layer.
    std::error_code ignored;
    std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ignored)
                                     ? std::filesystem::path("/dev/shm")
                                     : std::filesystem::temp_directory_path();
    std::string pattern = (base / "fibbench.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    folder_ = pattern;
    path_ = folder_ + "/blobs.fdb";
    fib::TFIBDatabase db(nullptr);
    Configure(db);
    fib::IIBClientLibrary& library = db.ClientLibrary();
    std::string create = "CREATE DATABASE '" + path_ +
                         "' USER 'SYSDBA' PASSWORD 'masterkey' DEFAULT CHARACTER SET WIN1251";
    isc_tr_handle none = 0;
    db.CheckClientCall(library.isc_dsql_execute_immediate(fib::StatusVector(), db.HandleAddress(),
                                                          &none, 0, create.c_str(), 3, nullptr),
                       true);
    fib::TFIBTransaction tr(nullptr);
    tr.SetDefaultDatabase(&db);
    tr.StartTransaction();
    std::string ddl = "CREATE TABLE BLOBS (K INTEGER NOT NULL, D BLOB SUB_TYPE 0)";
    db.CheckClientCall(
        library.isc_dsql_execute_immediate(fib::StatusVector(), db.HandleAddress(),
                                           tr.HandleAddress(), 0, ddl.c_str(), 3, nullptr),
        true);
    tr.Commit();
  }
  ~BenchFile() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  void Configure(fib::TFIBDatabase& db) const {
    db.SetDBName(path_);
    db.DBParams().SetText("user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=WIN1251");
    db.SetSQLDialect(3);
    db.SetSynchronizeTime(false);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string folder_;
  std::string path_;
};

BenchFile& File() {
  static BenchFile file;
  return file;
}

// Descriptor of two columns or parameters: K and the blob id D.
struct RowDescriptor {
  RowDescriptor() {
    sqlda = static_cast<XSQLDA*>(::operator new(XSQLDA_LENGTH(2)));
    std::memset(sqlda, 0, XSQLDA_LENGTH(2));
    sqlda->version = SQLDA_VERSION1;
    sqlda->sqln = sqlda->sqld = 2;
    Bind(sqlda->sqlvar[0], SQL_LONG, &key, sizeof key);
    Bind(sqlda->sqlvar[1], SQL_BLOB, &blob, sizeof blob);
  }
  ~RowDescriptor() { ::operator delete(sqlda); }
  void Bind(XSQLVAR& var, short type, void* data, short length) {
    var.sqltype = static_cast<short>(type + 1);
    var.sqllen = length;
    var.sqldata = static_cast<ISC_SCHAR*>(data);
    var.sqlind = &null_flag;
  }
  XSQLDA* sqlda;
  int32_t key = 0;
  ISC_QUAD blob{};
  short null_flag = 0;
};

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
  void CloseCursor() {
    library_.isc_dsql_free_statement(fib::StatusVector(), &handle_, DSQL_close);
  }

 private:
  void Check(ISC_STATUS status) { db_.CheckClientCall(status, true); }
  fib::TFIBDatabase& db_;
  fib::TFIBTransaction& tr_;
  fib::IIBClientLibrary& library_;
  isc_stmt_handle handle_ = 0;
};

// How a variant moves one blob each way.
struct BlobMover {
  virtual ~BlobMover() = default;
  virtual ISC_QUAD Write(const std::string& content) = 0;
  virtual size_t Read(const ISC_QUAD& id, std::string& into) = 0;
};

class StreamMover : public BlobMover {
 public:
  StreamMover(fib::TFIBDatabase& db, fib::TFIBTransaction& tr) : db_(db), tr_(tr) {}
  ISC_QUAD Write(const std::string& content) override {
    fib::TFIBBlobStream stream;
    stream.SetDatabase(&db_);
    stream.SetTransaction(&tr_);
    stream.SetMode(fib::BlobMode::Write);
    stream.WriteBuffer(content.data(), static_cast<int>(content.size()));
    stream.Finalize();
    return stream.BlobID();
  }
  size_t Read(const ISC_QUAD& id, std::string& into) override {
    fib::TFIBBlobStream stream;
    stream.SetDatabase(&db_);
    stream.SetTransaction(&tr_);
    stream.SetBlobID(id);
    into.resize(static_cast<size_t>(stream.Size()));
    return static_cast<size_t>(stream.Read(into.data(), static_cast<int>(into.size())));
  }

 private:
  fib::TFIBDatabase& db_;
  fib::TFIBTransaction& tr_;
};

class RawMover : public BlobMover {
 public:
  RawMover(fib::TFIBDatabase& db, fib::TFIBTransaction& tr)
      : db_(db), tr_(tr), library_(db.ClientLibrary()) {}
  ISC_QUAD Write(const std::string& content) override {
    isc_blob_handle blob = 0;
    ISC_QUAD id{};
    Check(library_.isc_create_blob2(fib::StatusVector(), db_.HandleAddress(), tr_.HandleAddress(),
                                    &blob, &id, 0, nullptr));
    for (size_t done = 0; done < content.size();) {
      auto chunk = static_cast<unsigned short>(std::min<size_t>(65535, content.size() - done));
      Check(library_.isc_put_segment(fib::StatusVector(), &blob, chunk, content.data() + done));
      done += chunk;
    }
    Check(library_.isc_close_blob(fib::StatusVector(), &blob));
    return id;
  }
  // Sized from the blob's information, as the layer's stream sizes its
  // buffer: one byte more than announced, so the call that reports the end
  // finds room; a blob longer than announced grows the buffer.
  size_t Read(const ISC_QUAD& id, std::string& into) override {
    isc_blob_handle blob = 0;
    ISC_QUAD quad = id;
    Check(library_.isc_open_blob2(fib::StatusVector(), db_.HandleAddress(), tr_.HandleAddress(),
                                  &blob, &quad, 0, nullptr));
    into.resize(TotalLength(blob) + 1);
    size_t filled = 0;
    for (;;) {
      if (filled == into.size()) into.resize(filled + 65535);
      auto room = static_cast<unsigned short>(std::min<size_t>(65535, into.size() - filled));
      unsigned short got = 0;
      ISC_STATUS status =
          library_.isc_get_segment(fib::StatusVector(), &blob, &got, room, into.data() + filled);
      filled += got;
      if (status == isc_segstr_eof) break;
      if (status != isc_segment) Check(status);
    }
    into.resize(filled);
    Check(library_.isc_close_blob(fib::StatusVector(), &blob));
    return filled;
  }

 private:
  size_t TotalLength(isc_blob_handle& blob) {
    const ISC_SCHAR items[] = {isc_info_blob_total_length};
    ISC_SCHAR info[32] = {};
    Check(library_.isc_blob_info(fib::StatusVector(), &blob, sizeof items, items, sizeof info,
                                 info));
    if (info[0] != isc_info_blob_total_length) return 0;
    int length = library_.isc_vax_integer(info + 1, 2);
    return static_cast<size_t>(library_.isc_vax_integer(info + 3, static_cast<short>(length)));
  }
  void Check(ISC_STATUS status) { db_.CheckClientCall(status, true); }
  fib::TFIBDatabase& db_;
  fib::TFIBTransaction& tr_;
  fib::IIBClientLibrary& library_;
};

template <class Mover>
void WriteAndReadBlobs(benchmark::State& state) {
  fib::TFIBDatabase db(nullptr);
  File().Configure(db);
  db.Connect();
  fib::TFIBTransaction tr(nullptr);
  tr.SetDefaultDatabase(&db);
  const std::string content(kBlobSize, 'b');
  std::string read;
  for (auto _ : state) {
    tr.StartTransaction();
    {
      Mover mover(db, tr);
      RawStatement insert(db, tr, "INSERT INTO BLOBS (K, D) VALUES (?, ?)");
      RawStatement select(db, tr, "SELECT K, D FROM BLOBS");
      RowDescriptor row;
      for (int i = 0; i < kBlobCount; ++i) {
        row.key = i;
        row.blob = mover.Write(content);
        insert.Execute(row.sqlda);
      }
      size_t total = 0;
      select.Execute(nullptr);
      while (select.Fetch(row.sqlda)) total += mover.Read(row.blob, read);
      select.CloseCursor();
      if (total != size_t{kBlobCount} * kBlobSize) state.SkipWithError("short read");
    }
    tr.Rollback();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kBlobCount} * kBlobSize * 2);
}

void BM_BlobStream(benchmark::State& state) { WriteAndReadBlobs<StreamMover>(state); }
void BM_BlobRawCalls(benchmark::State& state) { WriteAndReadBlobs<RawMover>(state); }
BENCHMARK(BM_BlobStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlobRawCalls)->Unit(benchmark::kMillisecond);

#ifdef FIB_BENCH_QT_SQL
void BM_BlobQtIBase(benchmark::State& state) {
  fib_bench::EnsureQtApplication();
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QIBASE", "blob_bench");
    db.setDatabaseName(QString::fromStdString(File().Path()));
    db.setUserName("SYSDBA");
    db.setPassword("masterkey");
    if (!db.open()) {
      state.SkipWithError(db.lastError().text().toStdString().c_str());
      return;
    }
    const QByteArray content(kBlobSize, 'b');
    for (auto _ : state) {
      db.transaction();
      QSqlQuery insert(db);
      insert.prepare("INSERT INTO BLOBS (K, D) VALUES (?, ?)");
      for (int i = 0; i < kBlobCount; ++i) {
        insert.bindValue(0, i);
        insert.bindValue(1, content);
        if (!insert.exec()) state.SkipWithError("insert failed");
      }
      QSqlQuery select(db);
      select.setForwardOnly(true);
      select.exec("SELECT K, D FROM BLOBS");
      size_t total = 0;
      while (select.next()) total += static_cast<size_t>(select.value(1).toByteArray().size());
      select.finish();
      db.rollback();
      if (total != size_t{kBlobCount} * kBlobSize) state.SkipWithError("short read");
    }
    db.close();
  }
  QSqlDatabase::removeDatabase("blob_bench");
  state.SetBytesProcessed(state.iterations() * int64_t{kBlobCount} * kBlobSize * 2);
}
BENCHMARK(BM_BlobQtIBase)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
