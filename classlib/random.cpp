// The process-wide pseudo-random generator. It starts from a fixed seed, as
// the platform's does, until Randomize or RandSeed is called; a mutex keeps
// the calls of several threads from tearing its state.
#include <mutex>
#include <random>

#include "classlib/currency.h"

namespace classlib {

namespace {

struct Generator {
  std::mutex mutex;
  std::mt19937_64 engine{0};
};

Generator& TheGenerator() {
  static Generator generator;
  return generator;
}

uint64_t Draw() {
  Generator& g = TheGenerator();
  std::lock_guard<std::mutex> lock(g.mutex);
  return g.engine();
}

}  // namespace

int Random(int range) {
  if (range <= 0) return 0;
  // The top bits of draw * range: uniform within 2^-32 for any int range.
  return static_cast<int>((static_cast<unsigned __int128>(Draw()) * static_cast<unsigned>(range)) >> 64);
}

double Random() { return static_cast<double>(Draw() >> 11) * 0x1.0p-53; }

void Randomize() {
  std::random_device device;
  const uint64_t seed = (static_cast<uint64_t>(device()) << 32) ^ device();
  Generator& g = TheGenerator();
  std::lock_guard<std::mutex> lock(g.mutex);
  g.engine.seed(seed);
}

void RandSeed(uint32_t seed) {
  Generator& g = TheGenerator();
  std::lock_guard<std::mutex> lock(g.mutex);
  g.engine.seed(seed);
}

}  // namespace classlib
