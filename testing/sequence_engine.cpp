#include "testing/sequence_engine.h"

#include <algorithm>
#include <exception>
#include <sstream>

namespace sequences {

int Random::Below(int n) {
  if (n <= 0) return 0;
  return static_cast<int>(std::uniform_int_distribution<int>(0, n - 1)(engine_));
}

namespace {

// One step on both sides; the mismatch it ends in, or empty.
std::string Step(Driver& driver, const Operation& op) {
  bool refusal_expected = false;
  try {
    refusal_expected = driver.ApplyToModel(op);
  } catch (const std::exception& e) {
    return std::string("the model could not take the step: ") + e.what();
  }
  bool raised = false;
  std::string raised_text;
  try {
    driver.ApplyToComponent(op);
  } catch (const std::exception& e) {
    raised = true;
    raised_text = e.what();
  } catch (...) {
    raised = true;
    raised_text = "(an exception of no known class)";
  }
  if (raised && !refusal_expected) return "the component raised where the model expected no error: " + raised_text;
  if (!raised && refusal_expected) return "the model expected a refusal; the component raised nothing";
  try {
    return driver.Compare();
  } catch (const std::exception& e) {
    return std::string("the comparison raised: ") + e.what();
  }
}

std::vector<Operation> Without(const std::vector<Operation>& steps, size_t from, size_t count) {
  std::vector<Operation> out;
  out.reserve(steps.size());
  for (size_t i = 0; i < steps.size(); ++i)
    if (i < from || i >= from + count) out.push_back(steps[i]);
  return out;
}

}  // namespace

Mismatch Run(Driver& driver, const std::vector<Operation>& steps) {
  driver.Reset();
  for (size_t i = 0; i < steps.size(); ++i) {
    if (!driver.Applicable(steps[i])) continue;
    std::string message = Step(driver, steps[i]);
    if (!message.empty()) return {static_cast<int>(i), message};
  }
  return {};
}

Mismatch Explore(Driver& driver, uint64_t seed, int length, std::vector<Operation>& steps) {
  Random random(seed);
  steps.clear();
  driver.Reset();
  for (int i = 0; i < length; ++i) {
    steps.push_back(driver.Generate(random));
    std::string message = Step(driver, steps.back());
    if (!message.empty()) return {i, message};
  }
  return {};
}

std::vector<Operation> Shrink(Driver& driver, std::vector<Operation> steps, int budget) {
  // Only the steps up to the mismatch matter.
  Mismatch first = Run(driver, steps);
  if (!first.Found()) return steps;
  steps.resize(static_cast<size_t>(first.step) + 1);
  size_t parts = 2;
  while (steps.size() > 1 && budget > 0) {
    const size_t chunk = (steps.size() + parts - 1) / parts;
    bool removed = false;
    for (size_t from = 0; from < steps.size() && budget > 0; from += chunk) {
      std::vector<Operation> candidate = Without(steps, from, chunk);
      --budget;
      Mismatch m = Run(driver, candidate);
      if (!m.Found()) continue;
      candidate.resize(static_cast<size_t>(m.step) + 1);
      steps = std::move(candidate);
      parts = std::max<size_t>(parts - 1, 2);
      removed = true;
      break;
    }
    if (removed) continue;
    if (chunk == 1) break;
    parts = std::min(parts * 2, steps.size());
  }
  return steps;
}

std::string FormatStep(const Driver& driver, const Operation& op) {
  std::ostringstream out;
  out << "{\"" << op.kind << "\", {";
  for (size_t i = 0; i < op.args.size(); ++i) out << (i ? ", " : "") << op.args[i];
  out << "}},  // " << driver.Describe(op);
  return out.str();
}

std::string Failure::Report(const Driver& driver) const {
  std::ostringstream out;
  out << "[" << driver.Name() << "] mismatch: seed " << seed << ", " << generated << " steps generated, shrunk to "
      << shrunk.size() << ":\n";
  for (const Operation& op : shrunk) out << "  " << FormatStep(driver, op) << "\n";
  out << "at step " << mismatch.step + 1 << ": " << mismatch.message << "\n";
  return out.str();
}

double Totals::OperationsPerSecond() const {
  return elapsed.count() > 0 ? static_cast<double>(operations) / elapsed.count() : 0.0;
}

std::string Totals::Summary(const std::string& layer) const {
  std::ostringstream out;
  out.setf(std::ios::fixed);
  out.precision(1);
  out << "[" << layer << "] " << seeds << " seeds, " << operations << " operations in " << elapsed.count() << " s ("
      << OperationsPerSecond() << " operations/s), " << failures.size() << " failing";
  return out.str();
}

namespace {

// One seed: explored, and shrunk when it failed.
void RunSeed(Driver& driver, uint64_t seed, int length, Totals& totals,
             const std::function<void(const Failure&)>& on_failure) {
  std::vector<Operation> steps;
  Mismatch m = Explore(driver, seed, length, steps);
  ++totals.seeds;
  totals.operations += static_cast<long>(steps.size());
  if (!m.Found()) return;
  Failure failure;
  failure.seed = seed;
  failure.generated = static_cast<int>(steps.size());
  failure.shrunk = Shrink(driver, steps);
  failure.mismatch = Run(driver, failure.shrunk);
  if (!failure.mismatch.Found()) {
    // A failure that does not replay (it depends on something outside the
    // steps, such as time): reported with the whole sequence.
    failure.shrunk = steps;
    failure.mismatch = m;
  }
  if (on_failure) on_failure(failure);
  totals.failures.push_back(std::move(failure));
}

}  // namespace

Totals RunSeeds(Driver& driver, const std::vector<uint64_t>& seeds, int length) {
  Totals totals;
  const auto start = std::chrono::steady_clock::now();
  for (uint64_t seed : seeds) RunSeed(driver, seed, length, totals, {});
  totals.elapsed = std::chrono::steady_clock::now() - start;
  return totals;
}

Totals RunFor(Driver& driver, uint64_t first_seed, int length, double seconds,
              const std::function<void(const Failure&)>& on_failure) {
  Totals totals;
  const auto start = std::chrono::steady_clock::now();
  for (uint64_t seed = first_seed;; ++seed) {
    RunSeed(driver, seed, length, totals, on_failure);
    totals.elapsed = std::chrono::steady_clock::now() - start;
    if (totals.elapsed.count() >= seconds) break;
  }
  return totals;
}

std::string Replay(Driver& driver, const std::vector<Operation>& steps) {
  // A pasted sequence runs whole: a step the driver no longer takes in its
  // state would let the test pass without doing what it names.
  Mismatch m;
  driver.Reset();
  for (size_t i = 0; i < steps.size() && !m.Found(); ++i) {
    const std::string message =
        driver.Applicable(steps[i]) ? Step(driver, steps[i]) : "the step is not applicable in this state";
    if (!message.empty()) m = {static_cast<int>(i), message};
  }
  if (!m.Found()) return "";
  Failure failure;
  failure.generated = static_cast<int>(steps.size());
  failure.shrunk.assign(steps.begin(), steps.begin() + m.step + 1);
  failure.mismatch = m;
  return failure.Report(driver);
}

}  // namespace sequences
