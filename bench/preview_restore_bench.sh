#!/usr/bin/env bash
# The change preview and the tree restore on the 2,000-page tree (bench/corpus/tree-2000,
# made by bench/tree_bench.sh --trees).
#
#   bench/preview_restore_bench.sh            build what is missing, make the tree, measure
#   TESSEL_PR_REPS=N bench/preview_restore_bench.sh   rounds (default 7)
#
# Preview: `tessel_preview_bench --mode format TREE` (in process: the tree selected as Select
# Tree does it, then every page previewed, the list filling page by page) against
# `tessel-html --format --check TREE >/dev/null` (a process: start-up, scan, every page
# processed and compared, the list printed). Target: the list within 1.5 x `--check`.
#
# Restore: on a fresh copy of the tree that `--format --in-place` has run over (untimed;
# it made COPY_BAK00/), `tessel-html --restore --in-place COPY`, against the safe-rewrite
# floor, `tessel_write_floor` on another fresh copy (every page read and written back
# unchanged through a temporary file renamed over it, nothing else), and the same floor on
# a copy whose pages are all hard-linked from another copy (untimed `cp -al`), so that no
# rename frees an inode: the restore keeps every page it replaces as its backup's hard
# link, and on this file system freeing inodes (with `discard`) dominates the plain floor.
# Target: the restore within 1.5 x the floor; the stricter floor, with pages kept, decides. Each restore is checked: exit status 0, every page byte-identical
# to the tree it was copied from, and its own backup COPY_BAK01/ holding all 2,000 pages.
# As in tree_bench.sh, nothing is removed before all rounds are done (ext4 here is slow to
# reuse freed inodes), and `sync` runs before each timed command.
# Results: bench/out/preview-restore.tsv, bench/out/preview-restore-summary.txt.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
build="$root/build-bench"
out="$here/out"
corpus="${TESSEL_BENCH_CORPUS:-$here/corpus}"
tree="$corpus/tree-2000"
work="$corpus/preview-restore-work"
reps="${TESSEL_PR_REPS:-7}"

mkdir -p "$out"
[[ -f "$build/build.ninja" ]] ||
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSEL_BUILD_BENCH=ON \
    -DTESSEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target tessel-html tessel_write_floor tessel_preview_bench >/dev/null
[[ -f "$tree.complete" ]] || "$here/tree_bench.sh" --trees
unset TESSEL_HTML_HOME  # the programs find styles/ next to themselves

rm -rf "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work"

python3 - "$build" "$tree" "$work" "$reps" "$out" <<'PY'
import filecmp, os, resource, statistics, subprocess, sys, time

build, tree, work, reps, out = sys.argv[1:6]
reps = int(reps)
exe = os.path.join(build, "tessel-html")
floor = os.path.join(build, "bench", "tessel_write_floor")
bench = os.path.join(build, "bench", "tessel_preview_bench")
pages = sum(len(f) for _, _, f in os.walk(tree))

cpu = {}  # command name -> CPU seconds (user + system) of each run

def timed(cmd, name=None):
    subprocess.run(["sync"], check=True)
    r0 = resource.getrusage(resource.RUSAGE_CHILDREN)
    t0 = time.perf_counter()
    rc = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    t1 = time.perf_counter()
    r1 = resource.getrusage(resource.RUSAGE_CHILDREN)
    if name:
        cpu.setdefault(name, []).append(r1.ru_utime - r0.ru_utime + r1.ru_stime - r0.ru_stime)
    return t1 - t0, rc

def same_tree(a, b):
    """Relative paths whose bytes differ (or exist on one side only)."""
    diff = []
    for d, _, names in os.walk(a):
        for n in names:
            rel = os.path.relpath(os.path.join(d, n), a)
            other = os.path.join(b, rel)
            if not os.path.isfile(other) or not filecmp.cmp(os.path.join(d, n), other, shallow=False):
                diff.append(rel)
    return diff

listed = subprocess.run([exe, "--format", "--check", tree], capture_output=True).stdout.count(b"\n")
rows, problems = [], []
check_t, list_t, scan_t, first_t, restore_t, floor_t, kept_t = [], [], [], [], [], [], []
for r in range(1, reps + 1):
    # --check and the preview, back to back.
    t, rc = timed([exe, "--format", "--check", tree])
    check_t.append(t)
    if rc != 1:
        problems.append(f"round {r}: --check exit {rc}")
    line = subprocess.run([bench, "--reps", "1", tree], capture_output=True, text=True, check=True).stdout.split()
    v = dict(zip(line[2::2], line[3::2]))
    scan_t.append(float(v["scan"])); list_t.append(float(v["list"])); first_t.append(float(v["first"]))
    if int(v["changes"]) != listed:
        problems.append(f"round {r}: preview lists {v['changes']} pages, --check {listed}")
    # The restore and the floor, each on a fresh copy.
    base = os.path.join(work, f"r{r}")
    os.makedirs(base)
    copy, flr, kept = (os.path.join(base, n) for n in ("site", "floor", "kept"))
    for path in (copy, flr, kept):
        subprocess.run(["cp", "-a", tree, path], check=True)
    subprocess.run(["cp", "-al", kept, kept + "-links"], check=True)
    subprocess.run([exe, "--format", "--in-place", copy], stdout=subprocess.DEVNULL, check=True)
    t, rc = timed([floor, flr], "floor")
    floor_t.append(t)
    t, rc = timed([floor, kept], "kept")
    kept_t.append(t)
    t, rc = timed([exe, "--restore", "--in-place", copy], "restore")
    restore_t.append(t)
    differ = same_tree(tree, copy)
    saved = sum(len(f) for _, _, f in os.walk(copy + "_BAK01")) - 1
    if rc != 0 or differ or saved != pages:
        problems.append(f"round {r}: restore exit {rc}, {len(differ)} pages differ, own backup holds {saved}")
    rows.append((r, check_t[-1], scan_t[-1], list_t[-1], first_t[-1], floor_t[-1], kept_t[-1],
                 restore_t[-1]))
    print(f"  round {r}: --check {check_t[-1]:.3f} s, preview scan {scan_t[-1]:.3f} + list "
          f"{list_t[-1]:.3f} s (first page {first_t[-1] * 1000:.1f} ms), floor {floor_t[-1]:.3f} s, "
          f"floor with pages kept {kept_t[-1]:.3f} s, "
          f"restore {restore_t[-1]:.3f} s", flush=True)

with open(os.path.join(out, "preview-restore.tsv"), "w") as f:
    f.write("round\tcheck_s\tpreview_scan_s\tpreview_list_s\tpreview_first_s\tfloor_s\t"
            "floor_kept_s\trestore_s\n")
    for row in rows:
        f.write("\t".join(str(x) if i == 0 else f"{x:.4f}" for i, x in enumerate(row)) + "\n")

def bm(xs):
    return f"{min(xs):.3f} / {statistics.median(xs):.3f} s"
both = [s + l for s, l in zip(scan_t, list_t)]
p_ratio = min(both) / min(check_t)
r_ratio = min(restore_t) / min(kept_t)
lines = [
    f"Preview and restore, {time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())}, {pages} pages, {reps} rounds",
    "",
    "| figure | best / median |",
    "|---|---|",
    f"| `--format --check` (process) | {bm(check_t)} |",
    f"| preview: scan (Select Tree) | {bm(scan_t)} |",
    f"| preview: list of all pages | {bm(list_t)} |",
    f"| preview: scan + list | {bm(both)} |",
    f"| preview: first page in the list | {min(first_t) * 1000:.1f} / {statistics.median(first_t) * 1000:.1f} ms |",
    f"| safe-rewrite floor (`tessel_write_floor`) | {bm(floor_t)} |",
    f"| the floor with every old page kept (hard-linked elsewhere, as a backup keeps it) | {bm(kept_t)} |",
    f"| `--restore --in-place` | {bm(restore_t)} |",
    f"| **preview (scan + list) / `--check`**, best (median) | **{p_ratio:.2f}** ({statistics.median(both) / statistics.median(check_t):.2f}) |",
    f"| restore / floor, best (median) | {min(restore_t) / min(floor_t):.2f} ({statistics.median(restore_t) / statistics.median(floor_t):.2f}) |",
    f"| **restore / floor with pages kept**, best (median) | **{r_ratio:.2f}** ({statistics.median(restore_t) / statistics.median(kept_t):.2f}) |",
    f"| CPU (user + system): floor / floor with pages kept / restore, median | "
    f"{statistics.median(cpu['floor']):.3f} / {statistics.median(cpu['kept']):.3f} / "
    f"{statistics.median(cpu['restore']):.3f} s |",
    f"| restore / floor with pages kept, CPU, median | {statistics.median(cpu['restore']) / statistics.median(cpu['kept']):.2f} |",
    "",
    f"target preview <= 1.5 x --check: {'pass' if p_ratio <= 1.5 else 'FAIL'}; "
    f"target restore <= 1.5 x floor (with pages kept, the stricter): {'pass' if r_ratio <= 1.5 else 'FAIL'}",
    "checks: " + ("all runs fine" if not problems else "; ".join(problems)),
]
text = "\n".join(lines) + "\n"
print()
print(text, end="")
with open(os.path.join(out, "preview-restore-summary.txt"), "w") as f:
    f.write(text)
PY
