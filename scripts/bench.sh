#!/usr/bin/env bash
# Runs every benchmark of a Release build in rounds and prints one table of
# comparisons (ours against a peer: the raw client API, isql-fb, Qt's
# QIBASE, the standard library, a hand-written loop). Each round runs every
# benchmark of a program once, in a random order, and each run is recorded
# with its place in the order of execution (testing/bench_rounds.h). For
# each comparison the table gives
#   - the spread of each side: min / median / max over the rounds, so that a
#     reader sees when a difference lies inside the noise ("overlap" says
#     whether the two sides' ranges overlap);
#   - the median of the paired ratios (ours / peer; below 1 is faster than
#     the peer) with their range: each run of ours is paired with the peer's
#     run nearest to it in time; the update run measures both sides within
#     one run, so its pairs are exact;
#   - the ratio of the medians, for reference.
# The update run compares wall time, CPU time and system time with isql-fb,
# and two more runs of it (10 and 60 000 statements) give each side's peak
# memory and its growth between them.
#
#   scripts/bench.sh [build folder]       (default: build/release)
#
# Environment: ROUNDS (default 15), BENCH_OUT (folder for the JSON results,
# default a temporary folder), UPDATE_RUN_STATEMENTS (tmpfs run, default
# 20000), UPDATE_RUN_DISK_STATEMENTS (disk run, default 2000: every commit
# waits for the disk), MEMORY_RUN_STATEMENTS (default 60000),
# MEMORY_ROUNDS (default 3), UPDATE_RUN_DISK_DIR (default the system's
# temporary folder), SKIP_FIB (set: the Firebird layer's benchmarks do not
# run; the table reads fib.json if the folder already has one), INSTRUCTIONS
# (set: after the table, the pairs with a target are counted again in
# instructions by callgrind, scripts/bench_instructions.sh, four at a time;
# this takes about half an hour).
# Configure the build with
#   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
#   cmake --build build/release --target fib_bench app_bench oranet_bench oracle_bench dacore_bench
# (oranet_bench, oracle_bench and dacore_bench run when they have been built.)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/release}"
rounds="${ROUNDS:-15}"
out="${BENCH_OUT:-$(mktemp -d)}"
mkdir -p "$out"
export UPDATER_FB_PASSWORD="${UPDATER_FB_PASSWORD:-masterkey}"
# No SQL monitor listens while we measure: the programs look for the
# monitor's shared block in a runtime folder of their own, where none can
# exist (a monitor program the user runs meets processes elsewhere).
runtime="$(mktemp -d)"
trap 'rm -rf "$runtime"' EXIT
export UPDATER_RUNTIME_DIR="$runtime"
echo "SQL monitor: no shared block (runtime folder of our own, $runtime)" >&2

for exe in "$build/fib/fib_bench" "$build/app/app_bench"; do
  [[ -x "$exe" ]] || { echo "missing $exe: build fib_bench and app_bench first" >&2; exit 1; }
done

run() {  # name, executable, filter, rounds, extra environment...
  local name="$1" exe="$2" filter="$3" count="$4"
  shift 4
  echo "running $name ($count rounds)..." >&2
  # A failing group is reported and left out of the table; the others run.
  env "$@" "$exe" --benchmark_filter="$filter" --rounds="$count" --rounds_out="$out/$name.json" \
    --benchmark_repetitions=1 --benchmark_enable_random_interleaving=true >/dev/null ||
    { echo "$name failed" >&2; rm -f "$out/$name.json"; }
}

echo "load before: $(uptime)" >&2
if [[ -z "${SKIP_FIB:-}" ]]; then run fib "$build/fib/fib_bench" '.' "$rounds"; fi
# The BM_Phase* benchmarks split one side into its steps for a profile;
# they pair with nothing and are left out of the rounds.
for module in oranet oracle dacore; do
  exe="$build/$module/${module}_bench"
  if [[ -x "$exe" ]]; then run "$module" "$exe" '-BM_Phase' "$rounds"; fi
done
run transfer "$build/app/app_bench" 'BM_Transfer' "$rounds"
run update_tmpfs "$build/app/app_bench" 'BM_UpdateRunTmpfs' "$rounds" \
  UPDATE_RUN_STATEMENTS="${UPDATE_RUN_STATEMENTS:-20000}"
run update_disk "$build/app/app_bench" 'BM_UpdateRunDisk' "$rounds" \
  UPDATE_RUN_STATEMENTS="${UPDATE_RUN_DISK_STATEMENTS:-2000}"
run update_memory_small "$build/app/app_bench" 'BM_UpdateRunTmpfs' "${MEMORY_ROUNDS:-3}" \
  UPDATE_RUN_STATEMENTS=10
run update_memory "$build/app/app_bench" 'BM_UpdateRunTmpfs' "${MEMORY_ROUNDS:-3}" \
  UPDATE_RUN_STATEMENTS="${MEMORY_RUN_STATEMENTS:-60000}"
echo "load after: $(uptime)" >&2

python3 "$root/scripts/bench_table.py" "$out" "${MEMORY_RUN_STATEMENTS:-60000}"

if [[ -n "${INSTRUCTIONS:-}" ]]; then
  # ours, peer, rows: the pairs that carry a target, and the honest peers
  # reported beside them (the key buffer beside the keyed sort, the inline
  # reader beside the filter).
  pairs=(
    "fib/fib_bench InsertLayer/iterations:1/manual_time InsertRaw/iterations:1/manual_time 100000"
    "fib/fib_bench SelectLayer/iterations:1/manual_time SelectRaw/iterations:1/manual_time 100000"
    "fib/fib_bench DataSetWalk/1000/iterations:1/manual_time RawFetch/1000/iterations:1/manual_time 1000"
    "fib/fib_bench DataSetWalk/10000/iterations:1/manual_time RawFetch/10000/iterations:1/manual_time 10000"
    "fib/fib_bench DataSetWalk/100000/iterations:1/manual_time RawFetch/100000/iterations:1/manual_time 100000"
    "oracle/oracle_bench BM_FetchRecordSet/100 BM_FetchRaw/100 100000"
    "oracle/oracle_bench BM_FetchRecordSet/1000 BM_FetchRaw/1000 100000"
    "oracle/oracle_bench BM_FetchDataSet/100 BM_FetchRecordSet/100 100000"
    "oracle/oracle_bench BM_FetchDataSet/1000 BM_FetchRecordSet/1000 100000"
    "oracle/oracle_bench BM_FetchDataSetFlatBuffers/100 BM_FetchRecordSet/100 100000"
    "oracle/oracle_bench BM_FetchDataSetFlatBuffers/1000 BM_FetchRecordSet/1000 100000"
    "oranet/oranet_bench BM_FetchQueryDirect/100/real_time BM_FetchDecodePeer/100/real_time 100000"
    "oranet/oranet_bench BM_FetchQueryDirect/1000/real_time BM_FetchDecodePeer/1000/real_time 100000"
    "dacore/dacore_bench BM_DataSetOpenFetch/iterations:3 BM_RawStepKeepRows/iterations:3 100000"
    "dacore/dacore_bench BM_SortMemData/iterations:3 BM_SortVectorStableSort/iterations:3 1000000"
    "dacore/dacore_bench BM_SortMemData/iterations:3 BM_SortVectorStableSortKeys/iterations:3 1000000"
    "dacore/dacore_bench BM_SortMemData/iterations:3 BM_SortKeyBufferIndexSort/iterations:3 1000000"
    "dacore/dacore_bench BM_FilterMemData/iterations:5 BM_FilterHandLoop/iterations:5 1000000"
    "dacore/dacore_bench BM_FilterMemData/iterations:5 BM_FilterInlineLoop/iterations:5 1000000"
    "dacore/dacore_bench BM_StoreWalkShared/iterations:5 BM_StoreWalk/iterations:5 1000000"
    "dacore/dacore_bench BM_StoreWalk/iterations:5 BM_ItemLoop/iterations:5 1000000"
  )
  echo "counting instructions..." >&2
  counts="$out/instructions.txt"
  for pair in "${pairs[@]}"; do
    read -r exe ours peer rows <<<"$pair"
    [[ -x "$build/$exe" ]] || continue
    echo "$build/$exe $ours $rows"
    echo "$build/$exe $peer $rows"
  done | sort -u | xargs -P 4 -L 1 "$root/scripts/bench_instructions.sh" >"$counts"
  echo
  echo "| comparison (instructions per row) | ours | peer | ratio |"
  echo "|---|---|---|---|"
  for pair in "${pairs[@]}"; do
    read -r exe ours peer rows <<<"$pair"
    # A peer serves several pairs: it is counted once.
    a=$(awk -v n="$ours" '$1 == n { print $3; exit }' "$counts")
    b=$(awk -v n="$peer" '$1 == n { print $3; exit }' "$counts")
    [[ -n "$a" && -n "$b" ]] || continue
    echo "| ${ours%%/iterations*} : ${peer%%/iterations*} | $a | $b | $(python3 -c "print(f'{$a / $b:.3f}')") |"
  done
fi
