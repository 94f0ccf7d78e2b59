// NUMBER values encoded and decoded against the standard library's
// shortest decimal text of the same values: 1 000 000 integers and
// 1 000 000 doubles, measured apart. Each side turns every value into its
// form and back; the decoded values are checked equal to the originals.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <random>
#include <vector>

#include "oranet/value_number.h"

namespace {

constexpr size_t kCount = 1000000;

struct TText {
  char chars[32];
  size_t length;
};

const std::vector<int64_t>& Integers() {
  static const std::vector<int64_t> values = [] {
    std::mt19937_64 rng(45);
    std::vector<int64_t> out(kCount);
    for (int64_t& v : out) {
      const int digits = 1 + static_cast<int>(rng() % 18);  // every magnitude up to 18 digits
      int64_t limit = 1;
      for (int i = 0; i < digits; ++i) limit *= 10;
      v = static_cast<int64_t>(rng() % static_cast<uint64_t>(limit)) * (rng() % 2 ? 1 : -1);
    }
    return out;
  }();
  return values;
}

const std::vector<double>& Doubles() {
  static const std::vector<double> values = [] {
    std::mt19937_64 rng(46);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-30, 30);
    std::vector<double> out(kCount);
    for (double& v : out) v = mantissa(rng) * std::pow(10.0, exponent(rng));
    return out;
  }();
  return values;
}

template <class T>
void CheckEqual(benchmark::State& state, const std::vector<T>& got, const std::vector<T>& want) {
  if (got != want) state.SkipWithError("decoded values differ from the originals");
}

void BM_NumberEncodeInt(benchmark::State& state) {
  const auto& values = Integers();
  std::vector<oracle::OCINumber> numbers(kCount);
  for (auto _ : state) {
    for (size_t i = 0; i < kCount; ++i) oranet::NumberFromInt(values[i], numbers[i]);
    benchmark::DoNotOptimize(numbers.data());
  }
  std::vector<int64_t> back(kCount);
  for (size_t i = 0; i < kCount; ++i) back[i] = oranet::NumberToInt(numbers[i]);
  CheckEqual(state, back, values);
}

void BM_ToCharsInt(benchmark::State& state) {
  const auto& values = Integers();
  std::vector<TText> texts(kCount);
  for (auto _ : state) {
    for (size_t i = 0; i < kCount; ++i) {
      texts[i].length = static_cast<size_t>(std::to_chars(texts[i].chars, texts[i].chars + 32, values[i]).ptr - texts[i].chars);
    }
    benchmark::DoNotOptimize(texts.data());
  }
  std::vector<int64_t> back(kCount);
  for (size_t i = 0; i < kCount; ++i) std::from_chars(texts[i].chars, texts[i].chars + texts[i].length, back[i]);
  CheckEqual(state, back, values);
}

void BM_NumberDecodeInt(benchmark::State& state) {
  const auto& values = Integers();
  std::vector<oracle::OCINumber> numbers(kCount);
  for (size_t i = 0; i < kCount; ++i) oranet::NumberFromInt(values[i], numbers[i]);
  std::vector<int64_t> back(kCount);
  for (auto _ : state) {
    for (size_t i = 0; i < kCount; ++i) back[i] = oranet::NumberToInt(numbers[i]);
    benchmark::DoNotOptimize(back.data());
  }
  CheckEqual(state, back, values);
}

void BM_FromCharsInt(benchmark::State& state) {
  const auto& values = Integers();
  std::vector<TText> texts(kCount);
  for (size_t i = 0; i < kCount; ++i) {
    texts[i].length = static_cast<size_t>(std::to_chars(texts[i].chars, texts[i].chars + 32, values[i]).ptr - texts[i].chars);
  }
  std::vector<int64_t> back(kCount);
  for (auto _ : state) {
    for (size_t i = 0; i < kCount; ++i) std::from_chars(texts[i].chars, texts[i].chars + texts[i].length, back[i]);
    benchmark::DoNotOptimize(back.data());
  }
  CheckEqual(state, back, values);
}

void BM_NumberEncodeReal(benchmark::State& state) {
  const auto& values = Doubles();
  std::vector<oracle::OCINumber> numbers(kCount);
  for (auto _ : state) {
    for (size_t i = 0; i < kCount; ++i) oranet::NumberFromReal(values[i], numbers[i]);
    benchmark::DoNotOptimize(numbers.data());
  }
  std::vector<double> back(kCount);
  for (size_t i = 0; i < kCount; ++i) back[i] = oranet::NumberToReal(numbers[i]);
  CheckEqual(state, back, values);
}

void BM_ToCharsReal(benchmark::State& state) {
  const auto& values = Doubles();
  std::vector<TText> texts(kCount);
  for (auto _ : state) {
    for (size_t i = 0; i < kCount; ++i) {
      texts[i].length = static_cast<size_t>(std::to_chars(texts[i].chars, texts[i].chars + 32, values[i]).ptr - texts[i].chars);
    }
    benchmark::DoNotOptimize(texts.data());
  }
  std::vector<double> back(kCount);
  for (size_t i = 0; i < kCount; ++i) std::from_chars(texts[i].chars, texts[i].chars + texts[i].length, back[i]);
  CheckEqual(state, back, values);
}

void BM_NumberDecodeReal(benchmark::State& state) {
  const auto& values = Doubles();
  std::vector<oracle::OCINumber> numbers(kCount);
  for (size_t i = 0; i < kCount; ++i) oranet::NumberFromReal(values[i], numbers[i]);
  std::vector<double> back(kCount);
  for (auto _ : state) {
    for (size_t i = 0; i < kCount; ++i) back[i] = oranet::NumberToReal(numbers[i]);
    benchmark::DoNotOptimize(back.data());
  }
  CheckEqual(state, back, values);
}

void BM_FromCharsReal(benchmark::State& state) {
  const auto& values = Doubles();
  std::vector<TText> texts(kCount);
  for (size_t i = 0; i < kCount; ++i) {
    texts[i].length = static_cast<size_t>(std::to_chars(texts[i].chars, texts[i].chars + 32, values[i]).ptr - texts[i].chars);
  }
  std::vector<double> back(kCount);
  for (auto _ : state) {
    for (size_t i = 0; i < kCount; ++i) std::from_chars(texts[i].chars, texts[i].chars + texts[i].length, back[i]);
    benchmark::DoNotOptimize(back.data());
  }
  CheckEqual(state, back, values);
}

}  // namespace

BENCHMARK(BM_NumberEncodeInt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToCharsInt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NumberDecodeInt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FromCharsInt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NumberEncodeReal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToCharsReal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NumberDecodeReal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FromCharsReal)->Unit(benchmark::kMillisecond);
