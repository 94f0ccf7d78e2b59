#!/usr/bin/env python3
"""Prints the comparison table of scripts/bench.sh from the runs it recorded.

    bench_table.py RESULTS_FOLDER MEMORY_RUN_STATEMENTS

RESULTS_FOLDER holds one <group>.json per benchmark program run, as
testing/bench_rounds.cpp writes it: every run with its name, round, place in
the order of execution (sequence), times and counters.
"""
import json
import os
import statistics
import sys


def base_name(name):
    for suffix in ("/iterations:", "/manual_time", "/real_time", "/min_time:"):
        name = name.split(suffix)[0]
    return name


def load(folder):
    runs = {}
    for file in sorted(os.listdir(folder)):
        if not file.endswith(".json"):
            continue
        try:
            entries = json.load(open(os.path.join(folder, file)))["runs"]
        except (ValueError, KeyError):
            print(f"unreadable results: {file}", file=sys.stderr)
            continue
        group = file[:-5]
        reported = set()
        for entry in entries:
            if entry["error"] and entry["name"] not in reported:
                reported.add(entry["name"])
                print(f"{group}: {entry['name']}: {entry['error']}", file=sys.stderr)
        runs[group] = [e for e in entries if not e["aggregate"] and not e["error"]]
    return runs


def spread(values):
    ordered = sorted(values)
    return ordered[0], statistics.median(ordered), ordered[-1]


def number(value):
    if value >= 100:
        return f"{value:.0f}"
    if value >= 10:
        return f"{value:.1f}"
    return f"{value:.3g}" if value >= 0.01 else f"{value:.2e}"


def span(values):
    low, median, high = spread(values)
    return f"{number(low)} / **{number(median)}** / {number(high)}"


class Side:
    """One side of a comparison: a benchmark and what is read from its runs."""

    def __init__(self, name, value=lambda run: run["real_time"], unit=None):
        self.name, self.value, self.unit = name, value, unit

    def runs(self, runs, group):
        return [r for r in runs.get(group, []) if base_name(r["name"]) == self.name]


def counter(name):
    return lambda run: run["counters"][name]


class Table:
    def __init__(self, runs):
        self.runs = runs
        print()
        print("| comparison | peer | unit | ours: min / median / max | peer: min / median / max | overlap "
              "| paired ratio: median [min - max] | ratio of medians |")
        print("|---|---|---|---|---|---|---|---|")

    def row(self, label, peer_label, group, ours, peer, paired_by=None):
        """paired_by: a counter of ours's runs holding the pair's ratio (both
        sides measured in one run); otherwise each run of ours is paired with
        the peer's run nearest to it in the order of execution."""
        our_runs, peer_runs = ours.runs(self.runs, group), peer.runs(self.runs, group)
        if not our_runs or not peer_runs:
            return
        a = [ours.value(r) for r in our_runs]
        b = [peer.value(r) for r in peer_runs]
        if paired_by is not None:
            ratios = [r["counters"][paired_by] for r in our_runs]
        else:
            ratios = []
            for run in our_runs:
                nearest = min(peer_runs, key=lambda p: (abs(p["sequence"] - run["sequence"]), p["sequence"]))
                ratios.append(ours.value(run) / peer.value(nearest))
        low, median, high = spread(ratios)
        overlap = "yes" if min(a) <= max(b) and min(b) <= max(a) else "no"
        unit = ours.unit or our_runs[0]["time_unit"]
        print(f"| {label} | {peer_label} | {unit} | {span(a)} | {span(b)} | {overlap} "
              f"| **{median:.3f}** [{low:.3f} - {high:.3f}] | {statistics.median(a) / statistics.median(b):.3f} |")


def rows(table, group, pairs):
    for label, peer_label, ours, peer in pairs:
        table.row(label, peer_label, group, Side(ours), Side(peer))


def fib_rows(table):
    pairs = [
        ("INSERT 100k rows, 6 params", "raw client", "InsertLayer", "InsertRaw"),
        ("INSERT, raw in the layer's wire types", "raw client", "InsertLayer", "InsertRawLayersTypes"),
        ("INSERT 100k rows, 6 params", "Qt QIBASE", "InsertLayer", "InsertQt"),
        ("SELECT fetch 100k rows", "raw client", "SelectLayer", "SelectRaw"),
        ("SELECT fetch 100k rows", "Qt QIBASE", "SelectLayer", "SelectQt"),
    ]
    for peer, peer_label in (("RawFetch", "raw client"), ("QtForwardOnly", "Qt QIBASE")):
        for count in ("1000", "10000", "100000"):
            pairs.append((f"data-set walk {count}", peer_label, f"DataSetWalk/{count}", f"{peer}/{count}"))
    pairs += [
        ("data-set FetchAll+walk 100000", "raw client", "DataSetFetchAll/100000", "RawFetch/100000"),
        ("blobs 1000 x 64 KB", "raw client", "BM_BlobStream", "BM_BlobRawCalls"),
        ("blobs 1000 x 64 KB", "Qt QIBASE", "BM_BlobStream", "BM_BlobQtIBase"),
        ("connect + disconnect", "raw client", "BM_ConnectLayer", "BM_ConnectRaw"),
        ("start, query, commit", "raw client", "BM_TransactionLayer", "BM_TransactionRaw"),
    ]
    for size in ("5", "50", "500"):
        pairs.append((f"SQL rewrite, {size} statements", "keyword search loop", f"Rewrite/{size}",
                      f"RawKeywordSearch/{size}"))
    rows(table, "fib", pairs)


def oracle_rows(table):
    codec = [
        ("NUMBER encode 1M integers", "std::to_chars", "BM_NumberEncodeInt", "BM_ToCharsInt"),
        ("NUMBER decode 1M integers", "std::from_chars", "BM_NumberDecodeInt", "BM_FromCharsInt"),
        ("NUMBER encode 1M doubles", "std::to_chars", "BM_NumberEncodeReal", "BM_ToCharsReal"),
        ("NUMBER decode 1M doubles", "std::from_chars", "BM_NumberDecodeReal", "BM_FromCharsReal"),
        ("format 1M dates by a model", "strftime", "BM_FormatModel", "BM_Strftime"),
    ]
    rows(table, "oranet", codec)
    for block in ("100", "1000"):
        label = f"direct-mode query 100k rows x 6, every value read, blocks of {block}"
        rows(table, "oranet", [(label, "decoding loop", f"BM_FetchQueryDirect/{block}", f"BM_FetchDecodePeer/{block}"),
                               (label, "replayed requests", f"BM_FetchQueryDirect/{block}",
                                f"BM_FetchReplayPeer/{block}")])
        data_set = f"Oracle data set 100k rows x 6, every value read through typed getters, blocks of {block}"
        rows(table, "oracle", [(f"Oracle record set 100k rows x 6, every value read, blocks of {block}",
                                "raw client (stand-in)", f"BM_FetchRecordSet/{block}", f"BM_FetchRaw/{block}"),
                               (data_set + ", texts on the heap (FlatBuffers off, its default)",
                                "record set", f"BM_FetchDataSet/{block}", f"BM_FetchRecordSet/{block}"),
                               (data_set + ", texts in the records (FlatBuffers on, the record set's default)",
                                "record set", f"BM_FetchDataSetFlatBuffers/{block}", f"BM_FetchRecordSet/{block}")])


def dacore_rows(table):
    pairs = [
        ("data-set open+fetch 100k, SQLite, rows kept", "step loop into structs", "BM_DataSetOpenFetch",
         "BM_RawStepKeepRows"),
        ("compress through a blob", "plain zlib", "BM_CompressThroughBlob", "BM_CompressPlainZlib"),
        ("uncompress through a blob", "plain zlib", "BM_UncompressThroughBlob", "BM_UncompressPlainZlib"),
        ("fill the record store", "vector of structs", "BM_FillMemData", "BM_FillVectorOfStructs"),
        ("sort the record store", "std::stable_sort, collating at each comparison", "BM_SortMemData",
         "BM_SortVectorStableSort"),
        ("sort the record store", "std::stable_sort of keys made once a row", "BM_SortMemData",
         "BM_SortVectorStableSortKeys"),
        ("sort the record store", "the same keys in one buffer, an index sorted by them", "BM_SortMemData",
         "BM_SortKeyBufferIndexSort"),
        ("filter the record store", "hand loop through GetNull/GetField", "BM_FilterMemData", "BM_FilterHandLoop"),
        ("filter the record store", "hand loop through the public inline accessors (honest peer)", "BM_FilterMemData",
         "BM_FilterInlineLoop"),
        ("record-store walk 1M rows", "item loop", "BM_StoreWalk", "BM_ItemLoop"),
        ("record-store walk 1M rows, rows shared (the rows lock each step, no thread)", "the walk, not shared",
         "BM_StoreWalkShared", "BM_StoreWalk"),
        ("record-store walk 1M rows, rows shared (the rows lock each step, no thread)", "item loop",
         "BM_StoreWalkShared", "BM_ItemLoop"),
    ]
    rows(table, "dacore", pairs)
    table.row("  memory held after the fetch", "vector of structs", "dacore",
              Side("BM_DataSetOpenFetch", counter("MB"), "MB"), Side("BM_RawStepKeepRows", counter("MB"), "MB"))


def updater_rows(table):
    table.row("blob transfer 1000 x 64 KB", "raw client", "transfer", Side("BM_TransferThroughUpdater"),
              Side("BM_TransferRawCalls"))
    for group, name, where in (("update_tmpfs", "BM_UpdateRunTmpfs", "tmpfs"),
                               ("update_disk", "BM_UpdateRunDisk", "disk")):
        table.row(f"update run, {where}: wall time", "isql-fb", group, Side(name, unit="s"),
                  Side(name, counter("isql_s"), "s"), paired_by="ratio")
        for measure, what in (("cpu_s", "CPU time"), ("sys_s", "system time")):
            table.row(f"update run, {where}: {what}", "isql-fb", group,
                      Side(name, counter("updater_" + measure), "s"), Side(name, counter("isql_" + measure), "s"),
                      paired_by=measure + "_ratio")


def memory_lines(runs, statements):
    def peaks(group, side):
        values = [r["counters"][side + "_peak_mib"] for r in runs.get(group, [])]
        return statistics.median(values) if values else None

    lines = []
    for side, label in (("updater", "updater"), ("isql", "isql-fb")):
        small, large = peaks("update_memory_small", side), peaks("update_memory", side)
        if small is None or large is None:
            continue
        lines.append(f"{label}: {small:.1f} MiB at 10 statements, {large:.1f} MiB at {statements} "
                     f"(growth {large - small:+.1f} MiB)")
    if lines:
        print("\npeak memory of each process (median of its runs):")
        for line in lines:
            print("  " + line)


def main():
    folder, statements = sys.argv[1], sys.argv[2]
    runs = load(folder)
    table = Table(runs)
    fib_rows(table)
    oracle_rows(table)
    dacore_rows(table)
    updater_rows(table)
    memory_lines(runs, statements)
    print(f"\nJSON results: {folder}")


if __name__ == "__main__":
    main()
