#!/usr/bin/env python3
"""Prints the benchmark's closing table: every figure beside its target.

Reads what bench/run.sh collected: the harness's TSV, the whole-process TSV, and the
optional instruction-count table of bench/ir_check.sh.
"""
import argparse
import datetime
import os
import platform

MB = 1e6

FORMAT_MIN, COMPRESS_MIN, TRIM_MIN = 200.0, 250.0, 500.0  # MB/s, in process
RATIO_MAX = 12.0                                            # shape 10x/1x time
WALL_MAX = 0.2                                              # s, whole process, 20 MB
RSS_FACTOR, RSS_EXTRA = 5.0, 20 * MB                        # peak <= 5 x input + 20 MB

STAGE_LABEL = {"format": "Tokenize+Format", "compress": "Tokenize+CompressLines",
               "trim": "TrimTags"}
STAGE_MIN = {"format": FORMAT_MIN, "compress": COMPRESS_MIN, "trim": TRIM_MIN}


def cpu_name():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown CPU"


def read_tsv(path):
    rows = []
    if path and os.path.exists(path):
        with open(path) as f:
            for line in f:
                line = line.rstrip("\n")
                if line:
                    rows.append(line.split("\t"))
    return rows


def read_ir(path):
    """(shape, stage) -> instruction-count ratio."""
    ir = {}
    if path and os.path.exists(path):
        with open(path) as f:
            for line in f:
                parts = line.split()
                if len(parts) >= 6 and parts[0] != "shape":
                    try:
                        ir[(parts[0], parts[1])] = float(parts[4])
                    except ValueError:
                        pass
    return ir


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--harness", required=True)
    ap.add_argument("--process", required=True)
    ap.add_argument("--ir")
    ap.add_argument("--source", default="", help="what was measured (git state)")
    ap.add_argument("--load-start", default="", help="/proc/loadavg when the run began")
    a = ap.parse_args()

    harness = read_tsv(a.harness)
    process = read_tsv(a.process)
    ir = read_ir(a.ir)
    passed = failed = 0

    def verdict(ok):
        nonlocal passed, failed
        if ok:
            passed += 1
            return "pass"
        failed += 1
        return "FAIL"

    now = datetime.datetime.now().strftime("%Y-%m-%d %H:%M")
    print(f"Tessel HTML benchmark, {now}, {cpu_name()}, {os.cpu_count()} cores "
          "(shared machine: figures are noisy)")
    try:
        with open("/proc/loadavg") as f:
            load = f.read().split()[:3]
        start = f"{a.load_start} at the start, " if a.load_start else ""
        print(f"Load average: {start}{' '.join(load)} at the end (above {os.cpu_count()} means "
              "other work competed for the cores)")
    except OSError:
        pass
    if a.source:
        print(f"Source: {a.source}")
    print("MB = 10^6 bytes. In-process figures: one thread, engine only, best of the runs.")
    for row in harness:
        if row[0] == "note":
            print(row[1])
    print()

    line = "{:<48} {:>22}  {:<26} {}"
    print(line.format("Figure", "Measured", "Target", "Result"))
    print(line.format("-" * 48, "-" * 22, "-" * 26, "------"))

    corpus = [r for r in harness if r[0] == "corpus"]
    if corpus:
        print("In process (Engine on a string read once)")
        for _, file, stage, size, best, first, mbps, *_ in corpus:
            mbps = float(mbps)
            target = STAGE_MIN[stage]
            print(line.format(f"  {file:<16} {STAGE_LABEL[stage]}", f"{mbps:.1f} MB/s",
                              f">= {target:.0f} MB/s", verdict(mbps >= target)))

    if process:
        size = int(process[0][3])
        limit = RSS_FACTOR * size + RSS_EXTRA
        print(f"Whole filter process on real20.htm ({size / MB:.2f} MB), output to /dev/null")
        for mode, best, rss_kb, _, how, *rest in process:
            best = float(best)
            print(line.format(f"  --{mode:<9} wall time ({how.split(',')[0]})", f"{best:.3f} s",
                              f"< {WALL_MAX} s", verdict(best < WALL_MAX)))
        for mode, best, rss_kb, _, how, *rest in process:
            rss = int(rss_kb) * 1024
            print(line.format(f"  --{mode:<9} peak memory (max RSS)",
                              f"{rss / MB:.1f} MB = {rss / size:.2f} x in",
                              f"<= 5 x in + 20 = {limit / MB:.1f} MB", verdict(rss <= limit)))

        for mode, best, rss_kb, _, how, *rest in process:
            if rest and rest[0].startswith("OUTPUT DIFFERS"):
                print(f"  warning: --{mode}: {rest[0]} (the harness measured other work)")

    shapes = {}
    for r in harness:
        if r[0] == "shape":
            shapes.setdefault(r[1], {})[r[2]] = float(r[8])
    if shapes:
        print()
        print("Shapes: 10x/1x time ratio per stage (target <= 12 each). 'Ir' is the")
        print("instruction-count ratio of the stages over 12 (bench/ir_check.sh): near 10 means")
        print("the work is linear and the extra time comes from caches and page faults.")
        sline = "{:<22} {:>9} {:>9} {:>9}  {:<24} {}"
        print(sline.format("shape", "format", "compress", "trim", "Ir of stages over 12", "Result"))
        print(sline.format("-" * 22, "-" * 9, "-" * 9, "-" * 9, "-" * 24, "------"))
        for name in sorted(shapes):
            st = shapes[name]
            over = [s for s in ("format", "compress", "trim") if st.get(s, 0) > RATIO_MAX]
            irs = [f"{s[0]} {ir[(name, s)]:.2f}" for s in over if (name, s) in ir]
            result = verdict(not over)
            if over and len(irs) == len(over):
                worst_ir = max(ir[(name, s)] for s in over)
                result += " (time only: work linear)" if worst_ir <= RATIO_MAX else " (work grows)"
            cells = [f"{st[s]:.2f}" if s in st else "-" for s in ("format", "compress", "trim")]
            print(sline.format(name, *cells, ", ".join(irs), result))

    print()
    print(f"{passed} pass, {failed} fail")


if __name__ == "__main__":
    main()
