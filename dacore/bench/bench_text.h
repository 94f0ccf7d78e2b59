// Mixed text for the benchmarks: sentences of Latin and Cyrillic (code page
// 1251) words, numbers and line ends, reproducible from a seed.
#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace dacore::bench {

inline std::string MixedText(size_t size, uint32_t seed) {
  static const char* const kWords[] = {"update", "release", "file", "version", "\xEF\xF0\xEE\xE4\xF3\xEA\xF2",
                                       "\xEE\xE1\xED\xEE\xE2\xEB\xE5\xED\xE8\xE5", "table", "index", "ORDER",
                                       "\xE1\xE0\xE7\xE0", "script", "commit", "error", "\xF4\xE0\xE9\xEB"};
  std::mt19937 rng(seed);
  std::string text;
  text.reserve(size + 64);
  while (text.size() < size) {
    const uint32_t r = rng();
    if (r % 7 == 0) text += std::to_string(rng() % 100000);
    else text += kWords[r % (sizeof kWords / sizeof kWords[0])];
    text += (r % 13 == 0) ? "\r\n" : " ";
  }
  text.resize(size);
  return text;
}

}  // namespace dacore::bench
