#!/usr/bin/env bash
# Counts the instructions one iteration of a benchmark executes, with
# callgrind: a count that does not depend on what else the machine is doing,
# to check a wall-clock ratio that lies inside the noise.
#
#   scripts/bench_instructions.sh EXECUTABLE BENCHMARK [ROWS]
#
# BENCHMARK is a benchmark's whole name as the executable lists it
# (e.g. BM_FetchRaw/100). Only what the benchmark marks as its timed span
# is counted (testing/bench_counted.h): no connecting, no prebuilt rows, no
# check of a peer's results. The benchmark runs once and then twice in one
# process (one iteration each time unless it fixes its iterations); the
# difference is the cost of one steady iteration, without what only the
# first one pays (lazily loaded libraries, first allocations). With ROWS,
# the count per row is printed too.
# Prints: BENCHMARK <instructions per iteration> [<instructions per row>],
# both with their fractions.
set -euo pipefail

exe="${1:?usage: $0 EXECUTABLE BENCHMARK [ROWS]}"
name="${2:?usage: $0 EXECUTABLE BENCHMARK [ROWS]}"
rows="${3:-}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
# Counted with no SQL monitor listening: a runtime folder of our own holds
# no monitor block.
mkdir -m 700 "$scratch/runtime"
export UPDATER_RUNTIME_DIR="$scratch/runtime"

# The instructions counted in the benchmark's spans over REPETITIONS runs.
count() {
  local repetitions="$1"
  valgrind --tool=callgrind --callgrind-out-file="$scratch/out.$repetitions" \
    --collect-atstart=no "$exe" --benchmark_filter="^${name}\$" \
    --benchmark_min_time=0 --benchmark_repetitions="$repetitions" \
    --benchmark_out="$scratch/runs.$repetitions.json" --benchmark_out_format=json \
    >/dev/null 2>"$scratch/log.$repetitions" ||
    { cat "$scratch/log.$repetitions" >&2; exit 1; }
  sed -n 's/^summary: //p' "$scratch/out.$repetitions"
}

once="$(count 1)"
twice="$(count 2)"
iterations="$(python3 -c '
import json, sys
runs = [r for r in json.load(open(sys.argv[1]))["benchmarks"] if r.get("run_type") == "iteration"]
if not runs or runs[0].get("error_occurred"):
    sys.exit("the benchmark did not run: " + (runs[0].get("error_message", "") if runs else "no run"))
print(runs[0]["iterations"])' "$scratch/runs.1.json")"
if [[ -z "$once" || -z "$twice" ]] || (( twice <= once )); then
  echo "callgrind counted nothing: $name marks no span" >&2
  exit 1
fi
# Fractional counts: a whole number a row would round the cheap sides
# down and skew every ratio taken from them.
python3 -c '
import sys
once, twice, iterations, rows = int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
per_iteration = (twice - once) / iterations
line = f"{sys.argv[1]} {per_iteration:.1f}"
if rows:
    line += f" {per_iteration / int(rows):.3f}"
print(line)' "$name" "$once" "$twice" "$iterations" "$rows"
