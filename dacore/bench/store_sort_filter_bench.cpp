// 1 000 000 rows of a group number (NULL in every hundredth row) and a name,
// in random order. Sorting them by "GRP;NAME" in a TMemData against
// std::stable_sort of the same values in a vector with the same comparison
// (NULL first, the store's string collation), against std::stable_sort of
// the same keys made once per row, as the store makes them (the like-for-
// like peer: both weigh each text once), each key a string of its own, and
// against the same keys made into one buffer and an index of rows sorted by
// them (no allocation a row); and filtering them with the expression
// "GRP >= 500" against two loops that walk the same store: one reads the
// field through the generic GetNull and GetField calls, the other through
// the store's public inline accessors (the record's null flag and the
// field's offset: the honest peer, what a program that knows its field
// does).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/ansistr.h"
#include "classlib/unaligned.h"
#include "dacore/store_mem_data.h"
#include "dacore/tests/store_fixture.h"
#include "dacore/util_locale_compare.h"
#include "testing/bench_counted.h"

namespace {

constexpr int kRows = 1000000;

struct Row {
  bool null_grp;
  int32_t grp;
  char name[21];
};

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = [] {
    std::mt19937 random(42);
    std::vector<Row> out(kRows);
    for (int i = 0; i < kRows; ++i) {
      out[i].null_grp = i % 100 == 0;
      out[i].grp = static_cast<int32_t>(random() % 1000);
      std::snprintf(out[i].name, sizeof out[i].name, "name %06u", static_cast<unsigned>(random() % 100000));
    }
    return out;
  }();
  return rows;
}

class BenchStore : public dacore::TMemData {
 public:
  BenchStore() {
    Open();
    dacore::TRecBuf rec = AllocRecBuf();
    for (const Row& row : Rows()) {
      InitRecord(rec);
      PutFieldByNo(1, rec, row.null_grp ? nullptr : &row.grp);
      PutFieldByNo(2, rec, row.name);
      InternalAppend(rec);
    }
    FreeRecBuf(rec);
    for (dacore::ItemHeader* it = FirstItem(); it; it = it->next) original_.push_back(it);
  }
  // Back to the order the rows were appended in.
  void Unsort() {
    first_item_ = last_item_ = nullptr;
    for (dacore::ItemHeader* item : original_) LinkBefore(item, nullptr);
  }

 protected:
  void InternalOpen() override { InitFields(); }
  void InternalInitFields() override {
    dacore::AddTestFields(*this, {{"GRP", dacore::dtInt32, 4}, {"NAME", dacore::dtString, 21, 20}});
  }

 private:
  std::vector<dacore::ItemHeader*> original_;
};

BenchStore& Store() {
  static BenchStore store;
  return store;
}

// The store in the order its rows were appended: the filter benchmarks
// run in any order among the sort's, and each must walk the same order,
// or a round after the sort walks rows scattered over memory.
BenchStore& AppendOrderStore() {
  BenchStore& store = Store();
  store.SetSortFields("");
  store.Unsort();
  return store;
}

// The store's comparison of one column: NULL first, equal texts at once.
bool RowLess(const Row& a, const Row& b) {
  if (a.null_grp != b.null_grp) return a.null_grp;
  if (!a.null_grp && a.grp != b.grp) return a.grp < b.grp;
  if (std::strcmp(a.name, b.name) == 0) return false;
  return dacore::AnsiCompareStrSort(a.name, b.name) < 0;
}

void BM_SortMemData(benchmark::State& state) {
  BenchStore& store = Store();
  for (auto _ : state) {
    state.PauseTiming();
    store.SetSortFields("");
    store.Unsort();
    state.ResumeTiming();
    bench::TCountedSpan counted;
    store.SetSortFields("GRP;NAME");
    benchmark::DoNotOptimize(store.FirstItem());
  }
}

void BM_SortVectorStableSort(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<Row> rows = Rows();
    state.ResumeTiming();
    {
      bench::TCountedSpan counted;
      std::stable_sort(rows.begin(), rows.end(), RowLess);
    }
    benchmark::DoNotOptimize(rows.data());
  }
}

// A row's key as the store makes it: the null byte, the number's bytes most
// significant first with the sign bit turned over, the text's collation key.
void AppendRowKey(const Row& row, std::string& key) {
  key.push_back(row.null_grp ? '\0' : '\1');
  if (!row.null_grp) {
    const uint64_t bits = static_cast<uint64_t>(static_cast<int64_t>(row.grp)) ^ (uint64_t{1} << 63);
    for (int shift = 56; shift >= 0; shift -= 8) key.push_back(static_cast<char>(bits >> shift));
  }
  key.push_back('\1');
  classlib::AnsiSortKey(row.name, classlib::cfStringSort, key);
}

void BM_SortVectorStableSortKeys(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    const std::vector<Row>& rows = Rows();
    state.ResumeTiming();
    std::vector<std::pair<std::string, const Row*>> keyed;
    {
      bench::TCountedSpan counted;
      keyed.reserve(rows.size());
      for (const Row& row : rows) {
        keyed.emplace_back(std::string(), &row);
        AppendRowKey(row, keyed.back().first);
      }
      std::stable_sort(keyed.begin(), keyed.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    benchmark::DoNotOptimize(keyed.data());
  }
}

// The same keys in one buffer, and the rows' numbers sorted by them.
void BM_SortKeyBufferIndexSort(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    const std::vector<Row>& rows = Rows();
    state.ResumeTiming();
    std::string keys;
    std::vector<uint32_t> starts;
    std::vector<uint32_t> order;
    {
      bench::TCountedSpan counted;
      starts.reserve(rows.size() + 1);
      for (const Row& row : rows) {
        starts.push_back(static_cast<uint32_t>(keys.size()));
        AppendRowKey(row, keys);
      }
      starts.push_back(static_cast<uint32_t>(keys.size()));
      order.resize(rows.size());
      std::iota(order.begin(), order.end(), 0u);
      const std::string_view all(keys);
      auto key = [&](uint32_t i) { return all.substr(starts[i], starts[i + 1] - starts[i]); };
      std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
    }
    benchmark::DoNotOptimize(order.data());
  }
}

void BM_FilterMemData(benchmark::State& state) {
  BenchStore& store = AppendOrderStore();
  int visible = 0;
  for (auto _ : state) {
    bench::TCountedSpan counted;
    store.SetFilterText("GRP >= 500");
    visible = store.GetRecordCount();
    benchmark::DoNotOptimize(visible);
  }
  store.SetFilterText("");
  state.counters["rows"] = visible;
}

void BM_FilterHandLoop(benchmark::State& state) {
  BenchStore& store = AppendOrderStore();
  const dacore::TFieldDesc& grp = *store.Fields().GetItems(0);
  int visible = 0;
  for (auto _ : state) {
    bench::TCountedSpan counted;
    visible = 0;
    for (dacore::ItemHeader* it = store.FirstItem(); it; it = it->next) {
      dacore::TRecBuf rec = dacore::ItemRecord(it);
      if (store.GetNull(1, rec)) continue;
      int32_t value = 0;
      store.GetField(grp, rec, &value);
      visible += value >= 500;
    }
    benchmark::DoNotOptimize(visible);
  }
  state.counters["rows"] = visible;
}

// The field read through the store's public inline accessors: the null
// flag of the record (IsNullInRecord) and the value where the field's
// public offset puts it in the record.
void BM_FilterInlineLoop(benchmark::State& state) {
  BenchStore& store = AppendOrderStore();
  const dacore::TFieldDesc& grp = *store.Fields().GetItems(0);
  const auto offset = static_cast<size_t>(grp.Offset());
  int visible = 0;
  for (auto _ : state) {
    bench::TCountedSpan counted;
    visible = 0;
    for (dacore::ItemHeader* it = store.FirstItem(); it; it = it->next) {
      uint8_t* rec = dacore::ItemRecord(it);
      if (store.IsNullInRecord(grp, rec)) continue;
      visible += classlib::LoadUnaligned<int32_t>(rec + offset) >= 500;
    }
    benchmark::DoNotOptimize(visible);
  }
  state.counters["rows"] = visible;
}

BENCHMARK(BM_SortMemData)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortVectorStableSort)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortVectorStableSortKeys)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortKeyBufferIndexSort)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FilterMemData)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FilterHandLoop)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FilterInlineLoop)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
