#!/usr/bin/env bash
# Runs model-checked operation sequences with new seeds for as long as asked:
#
#   scripts/sequences.sh [seconds] [layer]   (seconds per layer: default 300;
#                                             layer: dacore, fib or oracle; default all)
#
# Builds the layers' test programs in the asan preset (build/asan, through the
# compiler cache when CMAKE_CXX_COMPILER_LAUNCHER is set) and runs each
# layer's Explore test with SEQUENCES_SECONDS set: seeds from
# SEQUENCES_FIRST_SEED on (default: taken from the clock) of SEQUENCES_LENGTH
# operations each (default 60). It prints the seeds run, the operations per
# second and every failure, shrunk to its shortest sequence; testing/README.md
# says how a printed failure becomes a regular test. Fails when any layer
# found a mismatch.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"
only="${2:-}"

# layer -> test program and the Explore test's name in it.
declare -A programs=([dacore]=dacore/dacore_sqlite_tests [fib]=fib/fib_tests [oracle]=oracle/oracle_tests)
declare -A tests=([dacore]=DataSetSequences.Explore [fib]=FibDataSetSequences.Explore [oracle]=OraQuerySequences.Explore)

layers=()
for layer in dacore fib oracle; do
  [ -n "$only" ] && [ "$only" != "$layer" ] && continue
  layers+=("$layer")
done
if [ ${#layers[@]} -eq 0 ]; then
  echo "no sequence driver for layer '$only' (dacore, fib or oracle)" >&2
  exit 2
fi

[ -d build/asan ] || cmake --preset asan >/dev/null
targets=()
for layer in "${layers[@]}"; do targets+=("$(basename "${programs[$layer]}")"); done
cmake --build build/asan --target "${targets[@]}" || exit 2

scratch=$(mktemp -d /dev/shm/sequences.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TMPDIR="$scratch" SEQUENCES_SECONDS="$seconds"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
failed=0
for layer in "${layers[@]}"; do
  program="build/asan/${programs[$layer]}"
  echo "== $layer: ${seconds} s of new seeds"
  "$program" --gtest_filter="${tests[$layer]}" --gtest_brief=1 || failed=1
done
exit $failed
