// Walking 1 000 000 rows of a TMemData forward as a data set does (the next
// record copied into a buffer, the end tested, the record number read) on
// its own and with the rows marked shared with a background thread (no
// thread runs: each step then takes the uncontended rows lock once, which is
// what the shared walk costs over the plain one), against a hand-written
// loop that follows the same items and copies the same records.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

#include "dacore/store_mem_data.h"
#include "dacore/tests/store_fixture.h"
#include "testing/bench_counted.h"

namespace {

constexpr int kRows = 1000000;

class WalkStore : public dacore::TMemData {
 public:
  WalkStore() {
    Open();
    dacore::TRecBuf rec = AllocRecBuf();
    char name[21];
    for (int32_t i = 0; i < kRows; ++i) {
      InitRecord(rec);
      std::snprintf(name, sizeof name, "name %07d", i);
      PutFieldByNo(1, rec, &i);
      PutFieldByNo(2, rec, name);
      InternalAppend(rec);
    }
    FreeRecBuf(rec);
  }

 protected:
  void InternalOpen() override { InitFields(); }
  void InternalInitFields() override {
    dacore::AddTestFields(*this, {{"ID", dacore::dtInt32, 4}, {"NAME", dacore::dtString, 21, 20}});
  }
};

WalkStore& Store() {
  static WalkStore store;
  return store;
}

void Walk(benchmark::State& state, bool shared) {
  WalkStore& store = Store();
  store.SetSharedRows(shared);
  dacore::TRecBuf rec = store.AllocRecBuf();
  for (auto _ : state) {
    bench::TCountedSpan counted;
    int64_t sum = 0;
    store.SetToBegin();
    for (store.GetNextRecord(rec); !store.GetEOF(); store.GetNextRecord(rec)) sum += store.GetRecordNo();
    if (sum != int64_t{kRows} * (kRows + 1) / 2) state.SkipWithError("the walk missed rows");
    benchmark::DoNotOptimize(sum);
  }
  store.FreeRecBuf(rec);
  store.SetSharedRows(false);
}

void BM_StoreWalk(benchmark::State& state) { Walk(state, false); }
void BM_StoreWalkShared(benchmark::State& state) { Walk(state, true); }

// The peer: the same items followed and the same records copied, the
// record number read from the item.
void BM_ItemLoop(benchmark::State& state) {
  WalkStore& store = Store();
  dacore::TRecBuf rec = store.AllocRecBuf();
  const auto size = static_cast<size_t>(store.RecordSize());
  for (auto _ : state) {
    bench::TCountedSpan counted;
    int64_t sum = 0;
    for (dacore::ItemHeader* it = store.FirstItem(); it; it = it->next) {
      std::memcpy(rec, dacore::ItemRecord(it), size);
      benchmark::ClobberMemory();
      sum += store.RecordNoOf(it);
    }
    benchmark::DoNotOptimize(sum);
  }
  store.FreeRecBuf(rec);
}

}  // namespace

BENCHMARK(BM_StoreWalk)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StoreWalkShared)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ItemLoop)->Unit(benchmark::kMillisecond)->Iterations(5);
