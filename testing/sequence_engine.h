// Model-checked operation sequences: a seeded generator of what an
// application does, a runner that applies every operation both to the
// component under test and to a reference model and compares them after
// each step, and a shrinker that cuts a failing sequence down to the
// fewest operations that still fail.
//
// The engine knows nothing of data sets. A driver supplies the operation
// kinds (it generates each one for the state it is in), applies an operation
// to the component and to its model, and compares the two. An operation is
// a value: a kind and integer arguments, printed as one line that reads as a
// step and compiles as an initializer, so a shrunk failure pastes into a
// regular test that replays it (Replay).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace sequences {

// One step: a kind the driver knows and its arguments (rows, columns, value
// numbers: whatever the driver reads them as).
struct Operation {
  std::string kind;
  std::vector<int> args;

  bool operator==(const Operation&) const = default;
};

// The seeded source of every choice a driver makes.
class Random {
 public:
  explicit Random(uint64_t seed) : engine_(seed) {}
  // A number in [0, n); 0 when n is 0.
  int Below(int n);
  // True with the given chance in percent.
  bool Percent(int chance) { return Below(100) < chance; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) { return items[static_cast<size_t>(Below(static_cast<int>(items.size())))]; }

 private:
  std::mt19937_64 engine_;
};

// The component under test with its model. Every sequence starts with Reset,
// so that a sequence replays the same way every time.
class Driver {
 public:
  virtual ~Driver() = default;
  // The layer's name in reports ("dacore", "fib", ...).
  virtual std::string Name() const = 0;
  // A fresh component, model and database.
  virtual void Reset() = 0;
  // An operation that suits the current state.
  virtual Operation Generate(Random& random) = 0;
  // Whether the operation can run in the current state. A shrunk sequence
  // may have lost the steps an operation relied on: such an operation is
  // skipped (on both sides) rather than run.
  virtual bool Applicable(const Operation& op) = 0;
  // The model's side of the step: the expected state afterwards and whether
  // the component must refuse the step (raise).
  virtual bool ApplyToModel(const Operation& op) = 0;
  // The component's side; an exception it lets out is the component's
  // refusal (or a fault, when the model expected none).
  virtual void ApplyToComponent(const Operation& op) = 0;
  // Empty when the component shows what the model holds; otherwise what
  // differs, in readable lines.
  virtual std::string Compare() = 0;
  // The step in words, for the report's comment.
  virtual std::string Describe(const Operation& op) const = 0;
};

// The first step where component and model parted (empty message: none).
struct Mismatch {
  int step = -1;  // index into the sequence run
  std::string message;
  bool Found() const { return step >= 0; }
};

// Runs a given sequence from a reset driver and stops at the first mismatch.
Mismatch Run(Driver& driver, const std::vector<Operation>& steps);

// Generates and runs `length` operations from `seed` at once; `steps`
// receives what was generated (up to the mismatch, included).
Mismatch Explore(Driver& driver, uint64_t seed, int length, std::vector<Operation>& steps);

// Drops operations while the sequence still fails: halves, then smaller
// chunks, down to single steps, until no single removal keeps it failing
// (or `budget` runs were spent). Answers the shortest failing sequence.
std::vector<Operation> Shrink(Driver& driver, std::vector<Operation> steps, int budget = 2000);

// A failure as the report prints it: seed, lengths, the shrunk steps (one
// initializer and comment a line) and the mismatch they end in.
struct Failure {
  uint64_t seed = 0;
  int generated = 0;
  std::vector<Operation> shrunk;
  Mismatch mismatch;  // of the shrunk sequence
  std::string Report(const Driver& driver) const;
};

// One line of a printed sequence: `{"kind", {1, 2}},  // description`.
std::string FormatStep(const Driver& driver, const Operation& op);

// What a batch of seeds did: how many, how many operations, how long.
struct Totals {
  int seeds = 0;
  long operations = 0;
  std::chrono::duration<double> elapsed{0};
  std::vector<Failure> failures;
  double OperationsPerSecond() const;
  std::string Summary(const std::string& layer) const;
};

// Runs the seeds given, each for `length` operations; a failing seed is
// shrunk and kept.
Totals RunSeeds(Driver& driver, const std::vector<uint64_t>& seeds, int length);

// Runs seeds first_seed, first_seed + 1, ... until `seconds` have passed
// (at least one seed); `on_failure` hears each shrunk failure at once.
Totals RunFor(Driver& driver, uint64_t first_seed, int length, double seconds,
              const std::function<void(const Failure&)>& on_failure = {});

// Replays a pasted sequence: the mismatch's report, or empty when the
// component and the model agree at every step. Every step must be
// applicable where it stands (Run skips those that are not).
std::string Replay(Driver& driver, const std::vector<Operation>& steps);

}  // namespace sequences
