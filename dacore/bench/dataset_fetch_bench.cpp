// 100 000 rows of six mixed columns (integer, 64-bit integer, real, short
// text, longer text, date-time text) opened and fetched whole through the SQL
// data set on the SQLite test driver, against a peer that does what a
// program keeping the rows does: a sqlite3_step loop that reads every column
// in its type, copies the texts, converts the date-time text and keeps each
// row in a vector of structures. Our side then reads every value of every
// record back through its field, in its type, as a program reads the rows it
// kept. Both sides are timed from the statement's start to the rows' release
// (the data set's or the vector's destruction).
// The "MB" counter is the memory the rows hold once fetched: the allocator's
// bytes in use, taken the same way on both sides.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "dacore/dataset_component.h"
#include "testing/bench_calendar.h"
#include "testing/bench_counted.h"
#include "testing/sqlite_driver/sqlite_driver_session.h"

namespace {

constexpr int kRows = 100000;
constexpr const char* kSelect = "SELECT ID, QTY, PRICE, CODE, NOTE, WHEN_AT FROM B ORDER BY ID";

size_t BytesInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// The database file, filled once per process and removed at its end. The
// path outlives the removal, which runs after the statics are destroyed.
const std::string& DatabasePath() {
  static const std::string& path = *new std::string([] {
    const std::string file =
        (std::filesystem::temp_directory_path() / ("dacore_fetch_bench_" + std::to_string(::getpid()) + ".db")).string();
    std::filesystem::remove(file);
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE B (ID INTEGER PRIMARY KEY, QTY BIGINT, PRICE REAL, CODE VARCHAR(12), "
                 "NOTE VARCHAR(60), WHEN_AT DATETIME); BEGIN",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO B VALUES (?, ?, ?, ?, ?, ?)", -1, &insert, nullptr);
    for (int i = 1; i <= kRows; ++i) {
      const std::string code = "C" + std::to_string(1000000 + i);
      const std::string note = "note " + std::string(static_cast<size_t>(i % 40), 'n') + std::to_string(i);
      char when[32];
      std::snprintf(when, sizeof when, "2024-%02d-%02d %02d:%02d:%02d.000", i % 12 + 1, i % 28 + 1, i % 24, i % 60,
                    i % 60);
      sqlite3_bind_int(insert, 1, i);
      sqlite3_bind_int64(insert, 2, int64_t{i} * 1000003);
      sqlite3_bind_double(insert, 3, i * 0.25);
      sqlite3_bind_text(insert, 4, code.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(insert, 5, note.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(insert, 6, when, -1, SQLITE_TRANSIENT);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::atexit([] { std::filesystem::remove(DatabasePath()); });
    return file;
  }());
  return path;
}

// ---- our side ----

std::unique_ptr<dacore::TCustomDADataSet> OpenDataSet(sqlite_driver::TSQLiteSession& session) {
  auto data_set = session.CreateDataSet();
  data_set->SetSQL(kSelect);
  data_set->SetFetchAll(true);
  data_set->Open();
  return data_set;
}

// Reads every value of every record through its field, in its type; the
// records read.
int ReadEveryValue(dacore::TCustomDADataSet& data_set, double& sum) {
  const classlib::TFields& f = data_set.Fields();
  int read = 0;
  for (data_set.First(); !data_set.Eof(); data_set.Next(), ++read) {
    sum += f[0]->AsInteger();
    sum += static_cast<double>(f[1]->AsLargeInt());
    sum += f[2]->AsFloat();
    sum += static_cast<double>(f[3]->AsString().size());
    sum += static_cast<double>(f[4]->AsString().size());
    sum += f[5]->AsDateTime();
  }
  return read;
}

void BM_DataSetOpenFetch(benchmark::State& state) {
  sqlite_driver::TSQLiteSession session(nullptr);
  session.SetServer(DatabasePath());
  session.SetConnected(true);
  size_t bytes = 0;
  double sum = 0;
  for (auto _ : state) {
    bench::TCountedSpan counted;
    const size_t before = BytesInUse();
    auto data_set = OpenDataSet(session);
    bytes = BytesInUse() - before;
    if (data_set->RecordCount() != kRows || ReadEveryValue(*data_set, sum) != kRows) state.SkipWithError("rows lost");
  }
  benchmark::DoNotOptimize(sum);
  state.counters["MB"] = static_cast<double>(bytes) / (1 << 20);
}

// ---- the peer: the rows kept as a program keeps them ----

struct TKeptRow {
  int32_t id = 0;
  int64_t qty = 0;
  double price = 0;
  std::string code;
  std::string note;
  double when_at = 0;  // days since 1899-12-30, the time of day as the fraction
  uint8_t nulls = 0;   // bit c: column c is NULL
};

int Digits(const unsigned char* text, int count) {
  int value = 0;
  for (int i = 0; i < count; ++i) value = value * 10 + (text[i] - '0');
  return value;
}

// "YYYY-MM-DD HH:MM:SS.mmm" as a date-time number.
double DateTimeOf(const unsigned char* text, int size) {
  if (size < 23) return 0;
  const int msecs = ((Digits(text + 11, 2) * 60 + Digits(text + 14, 2)) * 60 + Digits(text + 17, 2)) * 1000 +
                    Digits(text + 20, 3);
  return bench::DateTimeNumber(Digits(text, 4), Digits(text + 5, 2), Digits(text + 8, 2), msecs);
}

std::string TextOf(sqlite3_stmt* stmt, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
  return std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt, column)));
}

TKeptRow RowOf(sqlite3_stmt* stmt) {
  TKeptRow row;
  for (int c = 0; c < 6; ++c)
    if (sqlite3_column_type(stmt, c) == SQLITE_NULL) row.nulls |= static_cast<uint8_t>(1 << c);
  row.id = sqlite3_column_int(stmt, 0);
  row.qty = sqlite3_column_int64(stmt, 1);
  row.price = sqlite3_column_double(stmt, 2);
  row.code = TextOf(stmt, 3);
  row.note = TextOf(stmt, 4);
  row.when_at = DateTimeOf(sqlite3_column_text(stmt, 5), sqlite3_column_bytes(stmt, 5));
  return row;
}

// The vector is reserved for the rows it will hold, so that its memory is
// the rows' and not the spare capacity of a vector grown by doubling.
std::vector<TKeptRow> StepIntoRows(sqlite3* db) {
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, kSelect, -1, &stmt, nullptr);
  std::vector<TKeptRow> rows;
  rows.reserve(kRows);
  while (sqlite3_step(stmt) == SQLITE_ROW) rows.push_back(RowOf(stmt));
  sqlite3_finalize(stmt);
  return rows;
}

// The peer's rows hold what the data set's fields give, row by row.
bool PeerMatchesDataSet(sqlite3* db) {
  sqlite_driver::TSQLiteSession session(nullptr);
  session.SetServer(DatabasePath());
  session.SetConnected(true);
  const std::vector<TKeptRow> rows = StepIntoRows(db);
  auto data_set = OpenDataSet(session);
  const classlib::TFields& f = data_set->Fields();
  size_t n = 0;
  for (data_set->First(); !data_set->Eof(); data_set->Next(), ++n) {
    if (n >= rows.size()) return false;
    const TKeptRow& row = rows[n];
    if (f[0]->AsInteger() != row.id || f[1]->AsLargeInt() != row.qty || f[2]->AsFloat() != row.price ||
        f[3]->AsString() != row.code || f[4]->AsString() != row.note ||
        std::fabs(f[5]->AsDateTime() - row.when_at) > 1e-8)
      return false;
  }
  return n == rows.size();
}

void BM_RawStepKeepRows(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open(DatabasePath().c_str(), &db);
  if (!PeerMatchesDataSet(db)) state.SkipWithError("the peer's rows differ from the data set's");
  size_t bytes = 0;
  for (auto _ : state) {
    bench::TCountedSpan counted;
    const size_t before = BytesInUse();
    const std::vector<TKeptRow> rows = StepIntoRows(db);
    bytes = BytesInUse() - before;
    if (rows.size() != static_cast<size_t>(kRows)) state.SkipWithError("rows lost");
  }
  sqlite3_close(db);
  state.counters["MB"] = static_cast<double>(bytes) / (1 << 20);
}

BENCHMARK(BM_DataSetOpenFetch)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RawStepKeepRows)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
