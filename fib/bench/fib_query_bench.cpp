// Statements against the raw client calls and Qt SQL's InterBase driver, on
// the embedded engine with the same table and data:
//   Insert*: 100 000 prepared INSERTs with parameters in one transaction;
//   Select*: a SELECT of 100 000 rows of 6 mixed columns fetched to the end,
//            every value read as the program would use it.
// Each runs once per repetition. The time reported is the CPU time of the
// calling thread, which is where the embedded engine does a statement's
// work; wall time on a busy machine mostly measures the neighbours and the
// engine's background threads (it is kept as the counter wall_ms, the
// thread's page faults as minor_faults and major_faults).
// scripts/bench.sh runs them with repetitions and random interleaving and
// prints the ratios of the medians. The Qt variants are built when Qt SQL's
// headers are on the include path (link Qt6::Sql to the benchmark to get
// them).
#include <benchmark/benchmark.h>
#include <ibase.h>

#include <cstdlib>
#include <ctime>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "fib/base/client_library.h"
#include "fib/base/errors.h"
#include "fib/base/param_blocks.h"
#include "fib/bench/bench_database.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"

#if __has_include(<QtSql/QSqlDatabase>)
#include "fib/bench/bench_qt.h"
#include <QtCore/QDateTime>
#include <QtSql/QSqlDatabase>
#include <QtSql/QSqlError>
#include <QtSql/QSqlQuery>
#define FIB_BENCH_QT 1
#endif

namespace {

using fib_bench::IterationTimer;
using fib_bench::RawConnection;

constexpr int kRows = 100000;
constexpr const char* kColumns =
    "(ID integer, NAME varchar(40), AMOUNT numeric(15,2), CREATED timestamp, "
    "RATIO double precision, CODE bigint)";

std::string Name(int i) { return "Row name " + std::to_string(i); }

// ---- the databases ----

// The selects read SOURCE of a database of their own, which the inserts
// never write into: a select that ran right after an insert would share
// the machine with the engine's flushing of it, and only some of the runs
// of either side do.
fib_bench::SourceDatabase& Source() {
  static fib_bench::SourceDatabase source("fibbench");
  return source;
}

// The tables the inserts fill, one per variant, made anew for each run.
class InsertFile {
 public:
  const std::string& Path() const { return database_.Path(); }
  // An empty table for one insert run.
  void FreshTable(const std::string& name) {
    raw_.Execute("recreate table " + name + " " + kColumns);
  }

 private:
  fib_bench::ScratchDatabase database_{"fibinsert"};
  RawConnection raw_{database_.Path()};
};

InsertFile& Inserts() {
  static InsertFile file;
  return file;
}

// ---- through the layer ----

struct Layer {
  explicit Layer(const std::string& path) {
    fib_bench::ConnectLayer(db, tr, path);
    query.SetDatabase(&db);
    query.SetTransaction(&tr);
  }
  fib::TFIBDatabase db{nullptr};
  fib::TFIBTransaction tr{nullptr};
  fib::TFIBQuery query{nullptr};
};

void InsertLayer(benchmark::State& state) {
  Inserts().FreshTable("INS_LAYER");
  Layer layer(Inserts().Path());
  for (auto _ : state) {
    IterationTimer timer(state);
    layer.tr.StartTransaction();
    layer.query.SQL().SetText(
        "insert into INS_LAYER values (:ID, :NAME, :AMOUNT, :CREATED, :RATIO, :CODE)");
    layer.query.Prepare();
    fib::TFIBXSQLVAR& id = layer.query.ParamByName("ID");
    fib::TFIBXSQLVAR& name = layer.query.ParamByName("NAME");
    fib::TFIBXSQLVAR& amount = layer.query.ParamByName("AMOUNT");
    fib::TFIBXSQLVAR& created = layer.query.ParamByName("CREATED");
    fib::TFIBXSQLVAR& ratio = layer.query.ParamByName("RATIO");
    fib::TFIBXSQLVAR& code = layer.query.ParamByName("CODE");
    for (int i = 0; i < kRows; ++i) {
      id.SetAsInteger(i);
      name.SetAsString(Name(i));
      amount.SetAsDouble(i * 1.25);
      created.SetAsDateTime(45292.0 + i / 86400.0);
      ratio.SetAsDouble(i / 7.0);
      code.SetAsInt64(int64_t{i} * 1000000007);
      layer.query.ExecQuery();
    }
    layer.tr.Commit();
  }
}
BENCHMARK(InsertLayer)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void SelectLayer(benchmark::State& state) {
  Layer layer(Source().Path());
  int64_t checksum = 0;
  for (auto _ : state) {
    IterationTimer timer(state);
    layer.tr.StartTransaction();
    layer.query.SQL().SetText("select ID, NAME, AMOUNT, CREATED, RATIO, CODE from SOURCE");
    layer.query.ExecQuery();
    while (!layer.query.Eof()) {
      checksum += layer.query.Fields(0).AsInteger();
      checksum += static_cast<int64_t>(layer.query.Fields(1).AsString().size());
      checksum += static_cast<int64_t>(layer.query.Fields(2).AsDouble());
      checksum += static_cast<int64_t>(layer.query.Fields(3).AsDateTime());
      checksum += static_cast<int64_t>(layer.query.Fields(4).AsDouble());
      checksum += layer.query.Fields(5).AsInt64();
      layer.query.Next();
    }
    layer.query.Close();
    // The raw loop drops its statement inside its timed part too.
    layer.query.FreeHandle();
    layer.tr.Commit();
  }
  benchmark::DoNotOptimize(checksum);
}
BENCHMARK(SelectLayer)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// ---- through the raw client calls ----

// A descriptor area with a buffer per item, for the raw variants.
struct RawArea {
  explicit RawArea(int count)
      : bytes(XSQLDA_LENGTH(count), 0), data(count), nulls(count, 0) {
    Area()->version = SQLDA_VERSION1;
    Area()->sqln = static_cast<short>(count);
  }
  XSQLDA* Area() { return reinterpret_cast<XSQLDA*>(bytes.data()); }
  // Gives every described item a buffer of its length.
  void Allocate() {
    for (int i = 0; i < Area()->sqld; ++i) {
      XSQLVAR& var = Area()->sqlvar[i];
      int length = var.sqllen + ((var.sqltype & ~1) == SQL_VARYING ? 2 : 0);
      data[i].assign(length, 0);
      var.sqldata = data[i].data();
      var.sqlind = &nulls[i];
    }
  }
  std::vector<char> bytes;
  std::vector<std::vector<char>> data;
  std::vector<short> nulls;
};

// The client remembers where the handle lives (it clears it at detach), so
// the handle must be the caller's own variable.
void RawPrepare(RawConnection& raw, isc_tr_handle& tr, isc_stmt_handle& stmt,
                const std::string& sql, XSQLDA* out) {
  raw.Check(raw.Lib().isc_dsql_alloc_statement2(raw.Status(), raw.Db(), &stmt));
  raw.Check(raw.Lib().isc_dsql_prepare(raw.Status(), &tr, &stmt, 0, sql.c_str(), 3, out));
}

// `kLayersTypes` false: every value goes in the type the server described
// (VARCHAR, NUMERIC as a scaled BIGINT), the best a raw loop can do. True:
// in the types the layer's setters send for the same calls (CHAR of the
// text's length, DOUBLE for the NUMERIC), so the server converts the same
// values on both sides and only the client work differs.
template <bool kLayersTypes>
void InsertRawLoop(benchmark::State& state, const std::string& table) {
  Inserts().FreshTable(table);
  RawConnection raw(Inserts().Path());
  for (auto _ : state) {
    IterationTimer timer(state);
    isc_tr_handle tr = raw.Start();
    isc_stmt_handle stmt = 0;
    RawPrepare(raw, tr, stmt, "insert into " + table + " values (?, ?, ?, ?, ?, ?)", nullptr);
    RawArea in(6);
    raw.Check(raw.Lib().isc_dsql_describe_bind(raw.Status(), &stmt, 1, in.Area()));
    in.Allocate();
    XSQLVAR* v = in.Area()->sqlvar;
    if (kLayersTypes) {
      v[1].sqltype = static_cast<short>(SQL_TEXT | (v[1].sqltype & 1));
      v[2].sqltype = static_cast<short>(SQL_DOUBLE | (v[2].sqltype & 1));
      v[2].sqlscale = 0;
    }
    for (int i = 0; i < kRows; ++i) {
      *reinterpret_cast<int32_t*>(v[0].sqldata) = i;
      std::string name = Name(i);
      if (kLayersTypes) {
        v[1].sqllen = static_cast<short>(name.size());
        std::memcpy(v[1].sqldata, name.data(), name.size());
        *reinterpret_cast<double*>(v[2].sqldata) = i * 1.25;
      } else {
        *reinterpret_cast<int16_t*>(v[1].sqldata) = static_cast<int16_t>(name.size());
        std::memcpy(v[1].sqldata + 2, name.data(), name.size());
        *reinterpret_cast<int64_t*>(v[2].sqldata) = static_cast<int64_t>(i) * 125;
      }
      ISC_TIMESTAMP ts{60310 + i / 86400, static_cast<ISC_TIME>((i % 86400) * 10000)};
      std::memcpy(v[3].sqldata, &ts, sizeof ts);
      *reinterpret_cast<double*>(v[4].sqldata) = i / 7.0;
      *reinterpret_cast<int64_t*>(v[5].sqldata) = int64_t{i} * 1000000007;
      raw.Check(raw.Lib().isc_dsql_execute(raw.Status(), &tr, &stmt, 3, in.Area()));
    }
    raw.Check(raw.Lib().isc_dsql_free_statement(raw.Status(), &stmt, DSQL_drop));
    raw.Commit(tr);
  }
}

void InsertRaw(benchmark::State& state) { InsertRawLoop<false>(state, "INS_RAW"); }
void InsertRawLayersTypes(benchmark::State& state) {
  InsertRawLoop<true>(state, "INS_RAW_TYPES");
}
BENCHMARK(InsertRawLayersTypes)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(InsertRaw)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void SelectRaw(benchmark::State& state) {
  RawConnection raw(Source().Path());
  int64_t checksum = 0;
  for (auto _ : state) {
    IterationTimer timer(state);
    isc_tr_handle tr = raw.Start();
    RawArea out(6);
    isc_stmt_handle stmt = 0;
    RawPrepare(raw, tr, stmt, "select ID, NAME, AMOUNT, CREATED, RATIO, CODE from SOURCE",
               out.Area());
    out.Allocate();
    raw.Check(raw.Lib().isc_dsql_execute(raw.Status(), &tr, &stmt, 3, nullptr));
    XSQLVAR* v = out.Area()->sqlvar;
    while (raw.Lib().isc_dsql_fetch(raw.Status(), &stmt, 3, out.Area()) == 0) {
      checksum += *reinterpret_cast<int32_t*>(v[0].sqldata);
      auto length = *reinterpret_cast<uint16_t*>(v[1].sqldata);
      checksum += static_cast<int64_t>(std::string(v[1].sqldata + 2, length).size());
      checksum += static_cast<int64_t>(*reinterpret_cast<int64_t*>(v[2].sqldata) / 100.0);
      ISC_TIMESTAMP ts;
      std::memcpy(&ts, v[3].sqldata, sizeof ts);
      checksum += static_cast<int64_t>(ts.timestamp_date - 15018 + ts.timestamp_time / 864000000.0);
      checksum += static_cast<int64_t>(*reinterpret_cast<double*>(v[4].sqldata));
      checksum += *reinterpret_cast<int64_t*>(v[5].sqldata);
    }
    raw.Check(raw.Lib().isc_dsql_free_statement(raw.Status(), &stmt, DSQL_drop));
    raw.Commit(tr);
  }
  benchmark::DoNotOptimize(checksum);
}
BENCHMARK(SelectRaw)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// ---- through Qt SQL ----

#ifdef FIB_BENCH_QT
// Connection names of their own: the other Qt benchmarks open and remove
// theirs while these are kept for the whole run.
QSqlDatabase QtConnection(const QString& connection, const std::string& path) {
  fib_bench::EnsureQtApplication();
  QSqlDatabase db = QSqlDatabase::contains(connection)
                        ? QSqlDatabase::database(connection)
                        : QSqlDatabase::addDatabase("QIBASE", connection);
  db.setDatabaseName(QString::fromStdString(path));
  db.setUserName("SYSDBA");
  db.setPassword("masterkey");
  db.setConnectOptions("ISC_DPB_LC_CTYPE=WIN1251");
  if (!db.isOpen() && !db.open()) std::abort();
  return db;
}

void InsertQt(benchmark::State& state) {
  Inserts().FreshTable("INS_QT");
  QSqlDatabase db = QtConnection("query_bench_insert", Inserts().Path());
  for (auto _ : state) {
    IterationTimer timer(state);
    db.transaction();
    QSqlQuery query(db);
    query.prepare("insert into INS_QT values (?, ?, ?, ?, ?, ?)");
    QDateTime start(QDate(2024, 1, 1), QTime(0, 0));
    for (int i = 0; i < kRows; ++i) {
      query.bindValue(0, i);
      query.bindValue(1, QString::fromStdString(Name(i)));
      query.bindValue(2, i * 1.25);
      query.bindValue(3, start.addSecs(i));
      query.bindValue(4, i / 7.0);
      query.bindValue(5, static_cast<qlonglong>(i) * 1000000007);
      if (!query.exec()) std::abort();
    }
    db.commit();
  }
}
BENCHMARK(InsertQt)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void SelectQt(benchmark::State& state) {
  QSqlDatabase db = QtConnection("query_bench", Source().Path());
  int64_t checksum = 0;
  for (auto _ : state) {
    IterationTimer timer(state);
    db.transaction();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec("select ID, NAME, AMOUNT, CREATED, RATIO, CODE from SOURCE")) std::abort();
    while (query.next()) {
      checksum += query.value(0).toInt();
      checksum += query.value(1).toString().size();
      checksum += static_cast<int64_t>(query.value(2).toDouble());
      checksum += query.value(3).toDateTime().toSecsSinceEpoch() / 86400;
      checksum += static_cast<int64_t>(query.value(4).toDouble());
      checksum += query.value(5).toLongLong();
    }
    db.commit();
  }
  benchmark::DoNotOptimize(checksum);
}
BENCHMARK(SelectQt)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
#endif

}  // namespace
