#!/usr/bin/env bash
# Runs every benchmark of a Release build with repetitions and random
# interleaving, then prints one table: for each comparison the median of
# our side, the median of the peer (raw client loop, isql-fb, Qt's QIBASE)
# and their ratio (ours / peer; below 1 is faster than the peer). The
# update run pairs both sides in every repetition; its ratio is the median
# of the paired ratios, and a separate run of 60 000 statements reports the
# peak memory of both processes.
#
#   scripts/bench.sh [build folder]       (default: build/release)
#
# Environment: REPETITIONS (default 15), BENCH_OUT (folder for the JSON
# results, default a temporary folder), UPDATE_RUN_STATEMENTS (tmpfs run,
# default 20000), UPDATE_RUN_DISK_STATEMENTS (disk run, default 2000: every
# commit waits for the disk), MEMORY_RUN_STATEMENTS (default 60000),
# UPDATE_RUN_DISK_DIR (default the system's temporary folder), SKIP_FIB
# (set: only the updater's benchmarks run; the table reads fib.json if the
# folder already has one).
# Configure the build with
#   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
#   cmake --build build/release --target fib_bench app_bench oranet_bench oracle_bench dacore_bench
# (oranet_bench is run when it has been built: NUMBER encoding and date
# formatting against the standard library, and 100 000 rows fetched through
# TOraQuery in direct mode against a peer that replays the same requests and
# drops the replies; so is oracle_bench: fetching
# through the Oracle record set against a raw loop of fetch calls, both on
# the stand-in client library; dacore_bench likewise: the SQL data set's
# open and fetch over SQLite against a raw step loop, and the record store's
# forward walk, alone and with its rows shared, against a loop over its items).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/release}"
repetitions="${REPETITIONS:-15}"
out="${BENCH_OUT:-$(mktemp -d)}"
mkdir -p "$out"
export UPDATER_FB_PASSWORD="${UPDATER_FB_PASSWORD:-masterkey}"

for exe in "$build/fib/fib_bench" "$build/app/app_bench"; do
  [[ -x "$exe" ]] || { echo "missing $exe: build fib_bench and app_bench first" >&2; exit 1; }
done

run() {  # name, executable, filter, extra environment...
  local name="$1" exe="$2" filter="$3"
  shift 3
  echo "running $name ($repetitions repetitions)..." >&2
  # A failing group is reported and left out of the table; the others run.
  env "$@" "$exe" --benchmark_filter="$filter" \
    --benchmark_repetitions="$repetitions" \
    --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=false \
    --benchmark_out="$out/$name.json" --benchmark_out_format=json >/dev/null ||
    { echo "$name failed" >&2; rm -f "$out/$name.json"; }
}

echo "load before: $(uptime)" >&2
if [[ -z "${SKIP_FIB:-}" ]]; then run fib "$build/fib/fib_bench" '.'; fi
if [[ -x "$build/oranet/oranet_bench" ]]; then run oranet "$build/oranet/oranet_bench" '.'; fi
if [[ -x "$build/oracle/oracle_bench" ]]; then run oracle "$build/oracle/oracle_bench" '.'; fi
if [[ -x "$build/dacore/dacore_bench" ]]; then
  run dacore "$build/dacore/dacore_bench" 'BM_DataSetOpenFetch|BM_RawStepLoop|BM_StoreWalk|BM_ItemLoop'
fi
run transfer "$build/app/app_bench" 'BM_Transfer'
run update_tmpfs "$build/app/app_bench" 'BM_UpdateRunTmpfs' \
  UPDATE_RUN_STATEMENTS="${UPDATE_RUN_STATEMENTS:-20000}"
run update_disk "$build/app/app_bench" 'BM_UpdateRunDisk' \
  UPDATE_RUN_STATEMENTS="${UPDATE_RUN_DISK_STATEMENTS:-2000}"
repetitions=3 run update_memory "$build/app/app_bench" 'BM_UpdateRunTmpfs' \
  UPDATE_RUN_STATEMENTS="${MEMORY_RUN_STATEMENTS:-60000}"
echo "load after: $(uptime)" >&2

python3 - "$out" <<'EOF'
import json, os, sys

out = sys.argv[1]
medians = {}   # benchmark name (without the iteration suffixes) -> median entry
for file in os.listdir(out):
    if not file.endswith(".json"):
        continue
    group = file[:-5]
    try:
        entries = json.load(open(os.path.join(out, file)))["benchmarks"]
    except (ValueError, KeyError):
        print(f"unreadable results: {file}", file=sys.stderr)
        continue
    for entry in entries:
        if entry.get("aggregate_name") != "median":
            continue
        name = entry["run_name"].split("/iterations:")[0].split("/manual_time")[0].split("/real_time")[0]
        medians[(group, name)] = entry

def time_of(group, name):
    entry = medians.get((group, name))
    return None if entry is None else entry["real_time"]

# (what is measured, our benchmark, the peer's benchmark)
pairs = [
    ("INSERT 100k rows, 6 params", "InsertLayer", "InsertRaw"),
    ("INSERT, raw in the layer's wire types", "InsertLayer", "InsertRawLayersTypes"),
    ("INSERT 100k rows, 6 params", "InsertLayer", "InsertQt"),
    ("SELECT fetch 100k rows", "SelectLayer", "SelectRaw"),
    ("SELECT fetch 100k rows", "SelectLayer", "SelectQt"),
]
for rows in ("1000", "10000", "100000"):
    pairs.append(("data-set walk " + rows, "DataSetWalk/" + rows, "RawFetch/" + rows))
for rows in ("1000", "10000", "100000"):
    pairs.append(("data-set walk " + rows, "DataSetWalk/" + rows, "QtForwardOnly/" + rows))
pairs += [
    ("data-set FetchAll+walk 100000", "DataSetFetchAll/100000", "RawFetch/100000"),
    ("blobs 1000 x 64 KB", "BM_BlobStream", "BM_BlobRawCalls"),
    ("blobs 1000 x 64 KB", "BM_BlobStream", "BM_BlobQtIBase"),
    ("connect + disconnect", "BM_ConnectLayer", "BM_ConnectRaw"),
    ("start, query, commit", "BM_TransactionLayer", "BM_TransactionRaw"),
]
def peer_label(name):
    if "Qt" in name:
        return "Qt QIBASE"
    return "raw client"

print()
print("| comparison | peer | ours (median) | peer (median) | ratio |")
print("|---|---|---|---|---|")
for label, ours, peer in pairs:
    a, b = time_of("fib", ours), time_of("fib", peer)
    if a is None or b is None:
        continue
    unit = medians[("fib", ours)]["time_unit"]
    print(f"| {label} | {peer_label(peer)} | {a:.1f} {unit} | {b:.1f} {unit} | {a / b:.3f} |")
# (what is measured, our benchmark, the standard library's, its name)
oranet_pairs = [
    ("NUMBER encode 1M integers", "BM_NumberEncodeInt", "BM_ToCharsInt", "std::to_chars"),
    ("NUMBER decode 1M integers", "BM_NumberDecodeInt", "BM_FromCharsInt", "std::from_chars"),
    ("NUMBER encode 1M doubles", "BM_NumberEncodeReal", "BM_ToCharsReal", "std::to_chars"),
    ("NUMBER decode 1M doubles", "BM_NumberDecodeReal", "BM_FromCharsReal", "std::from_chars"),
    ("format 1M dates by a model", "BM_FormatModel", "BM_Strftime", "strftime"),
]
for label, ours, peer, peer_name in oranet_pairs:
    a, b = time_of("oranet", ours), time_of("oranet", peer)
    if a is None or b is None:
        continue
    unit = medians[("oranet", ours)]["time_unit"]
    print(f"| {label} | {peer_name} | {a:.1f} {unit} | {b:.1f} {unit} | {a / b:.3f} |")
for rows in ("100", "1000"):
    a, b = time_of("oranet", "BM_FetchQueryDirect/" + rows), time_of("oranet", "BM_FetchReplayPeer/" + rows)
    if a is None or b is None:
        continue
    unit = medians[("oranet", "BM_FetchQueryDirect/" + rows)]["time_unit"]
    print(f"| direct-mode query 100k rows x 6, blocks of {rows} | replayed requests | {a:.1f} {unit} "
          f"| {b:.1f} {unit} | {a / b:.3f} |")
for rows in ("100", "1000"):
    a, b = time_of("oracle", "BM_FetchRecordSet/" + rows), time_of("oracle", "BM_FetchRaw/" + rows)
    if a is None or b is None:
        continue
    unit = medians[("oracle", "BM_FetchRecordSet/" + rows)]["time_unit"]
    print(f"| Oracle fetch 100k rows x 6, blocks of {rows} | raw client (stand-in) | {a:.1f} {unit} "
          f"| {b:.1f} {unit} | {a / b:.3f} |")
a, b = time_of("dacore", "BM_DataSetOpenFetch"), time_of("dacore", "BM_RawStepLoop")
if a is not None and b is not None:
    entry = medians[("dacore", "BM_DataSetOpenFetch")]
    print(f"| data-set open+fetch 100k, SQLite | raw sqlite3_step | {a:.1f} ms | {b:.1f} ms | {a / b:.3f} |")
    print(f"|   memory after the fetch | raw size | {entry['MB']:.2f} MB | {entry['raw_MB']:.2f} MB "
          f"| {entry['MB'] / entry['raw_MB']:.3f} |")
for ours, label in (("BM_StoreWalk", "record-store walk 1M rows"),
                    ("BM_StoreWalkShared", "record-store walk 1M rows, rows shared")):
    a, b = time_of("dacore", ours), time_of("dacore", "BM_ItemLoop")
    if a is not None and b is not None:
        print(f"| {label} | item loop | {a:.1f} ms | {b:.1f} ms | {a / b:.3f} |")
a, b = time_of("transfer", "BM_TransferThroughUpdater"), time_of("transfer", "BM_TransferRawCalls")
if a is not None and b is not None:
    print(f"| blob transfer 1000 x 64 KB | raw client | {a:.0f} ms | {b:.0f} ms | {a / b:.3f} |")
for group, label in (("update_tmpfs", "update run, tmpfs"), ("update_disk", "update run, disk")):
    entry = medians.get((group, "BM_UpdateRunTmpfs" if "tmpfs" in group else "BM_UpdateRunDisk"))
    if entry is None:
        continue
    print(f"| {label} (paired) | isql-fb | {entry['real_time']:.2f} s | {entry['isql_s']:.2f} s "
          f"| {entry['ratio']:.3f} |")
entry = medians.get(("update_memory", "BM_UpdateRunTmpfs"))
if entry is not None:
    print()
    print(f"peak memory, 60 000 statements: updater {entry['updater_peak_mib']:.1f} MiB, "
          f"isql-fb {entry['isql_peak_mib']:.1f} MiB, ratio {entry['peak_ratio']:.2f}; "
          f"time {entry['real_time']:.2f} s against {entry['isql_s']:.2f} s "
          f"(ratio {entry['ratio']:.3f})")
print(f"\nJSON results: {out}")
EOF
