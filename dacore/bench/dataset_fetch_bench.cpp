// 100 000 rows of six mixed columns (integer, 64-bit integer, real, short
// text, longer text, date-time text) opened and fetched whole through the SQL
// data set on the SQLite test driver, against a raw sqlite3_step loop that
// reads the same columns of the same statement. The "MB" counter is the
// allocator's bytes in use after the fetch; "raw_MB" is the size of what was
// read (the bytes of every text, 8 per number), the same on both sides.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "dacore/dataset_component.h"
#include "testing/sqlite_driver_session.h"

namespace {

constexpr int kRows = 100000;
constexpr const char* kSelect = "SELECT ID, QTY, PRICE, CODE, NOTE, WHEN_AT FROM B ORDER BY ID";

size_t BytesInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// The database file, filled once per process.
const std::string& DatabasePath() {
  static const std::string path = [] {
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
  }();
  return path;
}

// What the rows hold as read: text bytes, 8 per number.
size_t RawSize() {
  static const size_t size = [] {
    sqlite3* db = nullptr;
    sqlite3_open(DatabasePath().c_str(), &db);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, kSelect, -1, &stmt, nullptr);
    size_t bytes = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW)
      for (int c = 0; c < 6; ++c) {
        const int type = sqlite3_column_type(stmt, c);
        bytes += type == SQLITE_INTEGER || type == SQLITE_FLOAT ? 8 : static_cast<size_t>(sqlite3_column_bytes(stmt, c));
      }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return bytes;
  }();
  return size;
}

void BM_DataSetOpenFetch(benchmark::State& state) {
  sqlite_driver::TSQLiteSession session(nullptr);
  session.SetServer(DatabasePath());
  session.SetConnected(true);
  size_t bytes = 0;
  for (auto _ : state) {
    const size_t before = BytesInUse();
    auto data_set = session.CreateDataSet();
    data_set->SetSQL(kSelect);
    data_set->SetFetchAll(true);
    data_set->Open();
    bytes = BytesInUse() - before;
    benchmark::DoNotOptimize(data_set->RecordCount());
    state.PauseTiming();
    data_set.reset();
    state.ResumeTiming();
  }
  state.counters["MB"] = static_cast<double>(bytes) / (1 << 20);
  state.counters["raw_MB"] = static_cast<double>(RawSize()) / (1 << 20);
}

void BM_RawStepLoop(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open(DatabasePath().c_str(), &db);
  for (auto _ : state) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, kSelect, -1, &stmt, nullptr);
    int64_t sum = 0;
    size_t text_bytes = 0;
    double reals = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      sum += sqlite3_column_int(stmt, 0) + sqlite3_column_int64(stmt, 1);
      reals += sqlite3_column_double(stmt, 2);
      for (int c = 3; c < 6; ++c) {
        const unsigned char* text = sqlite3_column_text(stmt, c);
        text_bytes += static_cast<size_t>(sqlite3_column_bytes(stmt, c)) + (text ? text[0] : 0);
      }
    }
    sqlite3_finalize(stmt);
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(reals);
    benchmark::DoNotOptimize(text_bytes);
  }
  sqlite3_close(db);
  state.counters["raw_MB"] = static_cast<double>(RawSize()) / (1 << 20);
}

BENCHMARK(BM_DataSetOpenFetch)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RawStepLoop)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
