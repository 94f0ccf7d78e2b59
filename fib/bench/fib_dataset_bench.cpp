// A buffered data set against the raw client calls and Qt SQL's InterBase
// driver: a SELECT of the first 1 000, 10 000 or 100 000 rows of 6 mixed
// columns, on the embedded engine with the same table and data. Every
// variant does the same steps inside the timed part: start a transaction,
// prepare and open the select, read the 6 values of every row, close the
// cursor and commit.
//   DataSetWalk:     Open, then every record visited and its 6 values read
//                    through the fields as the rows arrive; Close;
//   DataSetFetchAll: Open and FetchAll first, then the same walk; Close;
//   RawFetch:        the client library's fetch loop reading the 6 values;
//   QtForwardOnly:   a forward-only QSqlQuery reading the 6 values.
// The time is the calling thread's CPU time (the embedded engine works on
// it); wall time is the counter wall_ms, the thread's page faults the
// counters minor_faults and major_faults. held_bytes is the heap the variant
// holds once every row is read (the data set keeps its rows, the others
// keep none); held_per_row compares it with the 76 bytes a row's six
// values take in the client's descriptors.
#include <benchmark/benchmark.h>
#include <ibase.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "fib/base/client_library.h"
#include "fib/base/errors.h"
#include "fib/base/param_blocks.h"
#include "fib/bench/bench_database.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"

#if __has_include(<QtSql/QSqlDatabase>)
#include <QtCore/QDateTime>
#include <QtSql/QSqlDatabase>
#include <QtSql/QSqlQuery>

#include "fib/bench/bench_qt.h"
#define FIB_DATASET_BENCH_QT 1
#endif

namespace {

using fib_bench::IterationTimer;
using fib_bench::RawConnection;

constexpr int kTableRows = fib_bench::SourceDatabase::kSourceRows;
constexpr int kRawRowBytes = 4 + 40 + 8 + 8 + 8 + 8;

std::string Select(int rows) {
  return "select first " + std::to_string(rows) +
         " ID, NAME, AMOUNT, CREATED, RATIO, CODE from SOURCE";
}

// Large blocks are mapped outside the heap arena: count both.
size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

void ReportHeld(benchmark::State& state, size_t before, int rows) {
  const size_t now = HeapInUse();
  const double held = now > before ? static_cast<double>(now - before) : 0.0;
  state.counters["held_bytes"] = held;
  state.counters["held_per_row"] = held / rows / kRawRowBytes;
}

void CheckRows(benchmark::State& state, int read, int expected) {
  if (read != expected) state.SkipWithError("rows missing");
}

// ---- the database ----

fib_bench::SourceDatabase& Source() {
  static fib_bench::SourceDatabase source("fibdsbench");
  return source;
}

// ---- through the data set ----

struct Layer {
  Layer() {
    fib_bench::ConnectLayer(db, tr, Source().Path());
  }
  fib::TFIBDatabase db{nullptr};
  fib::TFIBTransaction tr{nullptr};
};

// Opens the data set, reads every field of every record, closes it and
// commits; the heap it held with every row read is reported.
template <bool kFetchAllFirst>
void WalkDataSet(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  Layer layer;
  int64_t checksum = 0;
  for (auto _ : state) {
    const size_t before = HeapInUse();
    // The data set is made, given its text and destroyed (which drops its
    // statement) inside the timed part, as the raw loop allocates and drops
    // its statement inside its own.
    IterationTimer timer(state);
    fib::TFIBDataSet ds(nullptr);
    ds.SetDatabase(&layer.db);
    ds.SelectSQL().SetText(Select(rows));
    layer.tr.StartTransaction();
    ds.Open();
    if (kFetchAllFirst) ds.FetchAll();
    classlib::TField* id = ds.FieldByName("ID");
    classlib::TField* name = ds.FieldByName("NAME");
    classlib::TField* amount = ds.FieldByName("AMOUNT");
    classlib::TField* created = ds.FieldByName("CREATED");
    classlib::TField* ratio = ds.FieldByName("RATIO");
    classlib::TField* code = ds.FieldByName("CODE");
    int read = 0;
    for (; !ds.Eof(); ds.Next()) {
      ++read;
      checksum += id->AsInteger();
      checksum += static_cast<int64_t>(name->AsString().size());
      checksum += static_cast<int64_t>(amount->AsFloat());
      checksum += static_cast<int64_t>(created->AsDateTime());
      checksum += static_cast<int64_t>(ratio->AsFloat());
      checksum += code->AsLargeInt();
    }
    CheckRows(state, read, rows);
    ReportHeld(state, before, rows);
    ds.Close();
    layer.tr.Commit();
  }
  benchmark::DoNotOptimize(checksum);
}

void DataSetWalk(benchmark::State& state) { WalkDataSet<false>(state); }
void DataSetFetchAll(benchmark::State& state) { WalkDataSet<true>(state); }
BENCHMARK(DataSetWalk)->Arg(1000)->Arg(10000)->Arg(kTableRows)->Iterations(1)->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(DataSetFetchAll)->Arg(kTableRows)->Iterations(1)->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// ---- through the raw client calls ----

void RawFetch(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const std::string select = Select(rows);
  RawConnection raw(Source().Path());
  int64_t checksum = 0;
  for (auto _ : state) {
    const size_t before = HeapInUse();
    IterationTimer timer(state);
    isc_tr_handle tr = raw.Start();
    std::vector<char> area(XSQLDA_LENGTH(6), 0);
    auto* out = reinterpret_cast<XSQLDA*>(area.data());
    out->version = SQLDA_VERSION1;
    out->sqln = 6;
    isc_stmt_handle stmt = 0;
    raw.Check(raw.Lib().isc_dsql_alloc_statement2(raw.Status(), raw.Db(), &stmt));
    raw.Check(raw.Lib().isc_dsql_prepare(raw.Status(), &tr, &stmt, 0, select.c_str(), 3, out));
    std::vector<std::vector<char>> data(6);
    std::vector<short> nulls(6, 0);
    for (int i = 0; i < 6; ++i) {
      XSQLVAR& var = out->sqlvar[i];
      data[i].assign(var.sqllen + ((var.sqltype & ~1) == SQL_VARYING ? 2 : 0), 0);
      var.sqldata = data[i].data();
      var.sqlind = &nulls[i];
    }
    raw.Check(raw.Lib().isc_dsql_execute(raw.Status(), &tr, &stmt, 3, nullptr));
    XSQLVAR* v = out->sqlvar;
    int read = 0;
    while (raw.Lib().isc_dsql_fetch(raw.Status(), &stmt, 3, out) == 0) {
      ++read;
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
    CheckRows(state, read, rows);
    ReportHeld(state, before, rows);
    raw.Check(raw.Lib().isc_dsql_free_statement(raw.Status(), &stmt, DSQL_drop));
    raw.Commit(tr);
  }
  benchmark::DoNotOptimize(checksum);
}
BENCHMARK(RawFetch)->Arg(1000)->Arg(10000)->Arg(kTableRows)->Iterations(1)->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// ---- through Qt SQL ----

#ifdef FIB_DATASET_BENCH_QT
void QtForwardOnly(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const QString select = QString::fromStdString(Select(rows));
  fib_bench::EnsureQtApplication();
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QIBASE", "dataset_bench");
    db.setDatabaseName(QString::fromStdString(Source().Path()));
    db.setUserName("SYSDBA");
    db.setPassword("masterkey");
    db.setConnectOptions("ISC_DPB_LC_CTYPE=WIN1251");
    if (!db.open()) std::abort();
    int64_t checksum = 0;
    for (auto _ : state) {
      const size_t before = HeapInUse();
      IterationTimer timer(state);
      db.transaction();
      QSqlQuery query(db);
      query.setForwardOnly(true);
      if (!query.exec(select)) std::abort();
      int read = 0;
      while (query.next()) {
        ++read;
        checksum += query.value(0).toInt();
        checksum += query.value(1).toString().size();
        checksum += static_cast<int64_t>(query.value(2).toDouble());
        checksum += query.value(3).toDateTime().toSecsSinceEpoch() / 86400;
        checksum += static_cast<int64_t>(query.value(4).toDouble());
        checksum += query.value(5).toLongLong();
      }
      CheckRows(state, read, rows);
      ReportHeld(state, before, rows);
      query.finish();
      db.commit();
    }
    benchmark::DoNotOptimize(checksum);
    db.close();
  }
  QSqlDatabase::removeDatabase("dataset_bench");
}
BENCHMARK(QtForwardOnly)->Arg(1000)->Arg(10000)->Arg(kTableRows)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
#endif

}  // namespace
