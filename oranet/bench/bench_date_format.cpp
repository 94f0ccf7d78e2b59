// 1 000 000 dates written by the format model "YYYY-MM-DD HH24:MI:SS"
// against strftime with "%Y-%m-%d %H:%M:%S" on the same dates; both sides
// leave a std::string per date, and the texts are checked equal.
#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "oranet/value_calendar.h"
#include "oranet/value_format.h"

namespace {

constexpr size_t kCount = 1000000;

struct TDates {
  std::vector<std::unique_ptr<oranet::TNetDateTime>> values;
  std::vector<std::tm> tms;
};

const TDates& Dates() {
  static const TDates dates = [] {
    TDates out;
    std::mt19937 rng(47);
    out.values.reserve(kCount);
    out.tms.reserve(kCount);
    for (size_t i = 0; i < kCount; ++i) {
      const int year = 1900 + static_cast<int>(rng() % 200);
      const int month = 1 + static_cast<int>(rng() % 12);
      const int day = 1 + static_cast<int>(rng() % oranet::DaysInMonthOf(year, month));
      const int hour = static_cast<int>(rng() % 24), minute = static_cast<int>(rng() % 60);
      const int second = static_cast<int>(rng() % 60);
      auto value = std::make_unique<oranet::TNetDateTime>(nullptr, oracle::OCI_DTYPE_TIMESTAMP);
      value->Construct(year, month, day, hour, minute, second, 0, "");
      out.values.push_back(std::move(value));
      std::tm tm{};
      tm.tm_year = year - 1900;
      tm.tm_mon = month - 1;
      tm.tm_mday = day;
      tm.tm_hour = hour;
      tm.tm_min = minute;
      tm.tm_sec = second;
      out.tms.push_back(tm);
    }
    return out;
  }();
  return dates;
}

std::vector<std::string> Strftime(const TDates& dates) {
  std::vector<std::string> texts(kCount);
  char buffer[64];
  for (size_t i = 0; i < kCount; ++i) {
    texts[i].assign(buffer, std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &dates.tms[i]));
  }
  return texts;
}

void BM_FormatModel(benchmark::State& state) {
  const TDates& dates = Dates();
  std::vector<std::string> texts(kCount);
  for (auto _ : state) {
    for (size_t i = 0; i < kCount; ++i) texts[i] = oranet::FormatOraDateTime(*dates.values[i], "YYYY-MM-DD HH24:MI:SS", 0);
    benchmark::DoNotOptimize(texts.data());
  }
  if (texts != Strftime(dates)) state.SkipWithError("the texts differ from strftime's");
}

void BM_Strftime(benchmark::State& state) {
  const TDates& dates = Dates();
  std::vector<std::string> texts(kCount);
  char buffer[64];
  for (auto _ : state) {
    for (size_t i = 0; i < kCount; ++i) {
      texts[i].assign(buffer, std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &dates.tms[i]));
    }
    benchmark::DoNotOptimize(texts.data());
  }
  if (texts != Strftime(dates)) state.SkipWithError("strftime is not repeatable");
}

}  // namespace

BENCHMARK(BM_FormatModel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Strftime)->Unit(benchmark::kMillisecond);
