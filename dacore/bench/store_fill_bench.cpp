// 1 000 000 rows of six mixed fields (integer, float, string, date-time,
// heap string, 64-bit integer) put into a TMemData through its field access
// and appended, against the same values pushed into a std::vector of
// structs. Counters give the memory each holds while filled (the allocator's
// bytes in use), so time and memory can be compared.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstring>
#include <string>
#include <vector>

#include "dacore/store_mem_data.h"
#include "dacore/tests/store_fixture.h"

namespace {

constexpr int kRows = 1000000;

size_t BytesInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// Names of 5 to 40 characters: some fit a std::string's own buffer, most not.
const std::vector<std::string>& Names() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    for (int i = 0; i < 1000; ++i) out.push_back("customer " + std::string(static_cast<size_t>(i % 32), 'x') + std::to_string(i));
    return out;
  }();
  return names;
}

class FillStore : public dacore::TMemData {
 protected:
  void InternalOpen() override { InitFields(); }
  void InternalInitFields() override {
    dacore::AddTestFields(*this, {{"ID", dacore::dtInt32, 4},
                                  {"AMOUNT", dacore::dtFloat, 8},
                                  {"CODE", dacore::dtString, 21, 20},
                                  {"WHEN", dacore::dtDateTime, 8},
                                  {"NAME", dacore::dtHeapString, sizeof(void*), 40},
                                  {"TOTAL", dacore::dtInt64, 8}});
  }
};

struct Row {
  int32_t id;
  double amount;
  char code[21];
  double when;
  std::string name;
  int64_t total;
};

void BM_FillMemData(benchmark::State& state) {
  const auto& names = Names();
  size_t bytes = 0;
  for (auto _ : state) {
    const size_t before = BytesInUse();
    auto store = std::make_unique<FillStore>();
    store->Open();
    dacore::TRecBuf rec = store->AllocRecBuf();
    for (int32_t i = 0; i < kRows; ++i) {
      store->InitRecord(rec);
      const double amount = i * 0.25, when_msecs = 63000000000000.0 + i * 1000.0;
      const int64_t total = int64_t{i} * 1000;
      char code[21];
      std::snprintf(code, sizeof code, "C%08d", i);
      store->PutFieldByNo(1, rec, &i);
      store->PutFieldByNo(2, rec, &amount);
      store->PutFieldByNo(3, rec, code);
      store->PutFieldByNo(4, rec, &when_msecs);
      store->PutFieldByNo(5, rec, names[i % names.size()].c_str());
      store->PutFieldByNo(6, rec, &total);
      store->AppendRecord(rec);
    }
    dacore::TData::FreeRecBuf(rec);
    bytes = BytesInUse() - before;
    benchmark::DoNotOptimize(store->GetRecordCount());
    state.PauseTiming();
    store.reset();
    state.ResumeTiming();
  }
  state.counters["MB"] = static_cast<double>(bytes) / (1 << 20);
}

void BM_FillVectorOfStructs(benchmark::State& state) {
  const auto& names = Names();
  size_t bytes = 0;
  for (auto _ : state) {
    const size_t before = BytesInUse();
    auto rows = std::make_unique<std::vector<Row>>();
    for (int32_t i = 0; i < kRows; ++i) {
      Row row;
      row.id = i;
      row.amount = i * 0.25;
      std::snprintf(row.code, sizeof row.code, "C%08d", i);
      row.when = 63000000000000.0 + i * 1000.0;
      row.name = names[i % names.size()];
      row.total = int64_t{i} * 1000;
      rows->push_back(std::move(row));
    }
    bytes = BytesInUse() - before;
    benchmark::DoNotOptimize(rows->size());
    state.PauseTiming();
    rows.reset();
    state.ResumeTiming();
  }
  state.counters["MB"] = static_cast<double>(bytes) / (1 << 20);
}

BENCHMARK(BM_FillMemData)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_FillVectorOfStructs)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
