#!/usr/bin/env bash
# Tree benchmark: `tessel-html --format --in-place DIR` on whole directory trees of real
# pages, against `cp -a` of the same tree.
#
#   bench/tree_bench.sh                       build what is missing, make the trees, measure
#   TESSEL_TREE_REPS=N bench/tree_bench.sh    rounds (default 7; each takes 15-20 s and
#                                             leaves 1.5 GB of copies until the end)
#   bench/tree_bench.sh --clean               remove the trees and every copy, then exit
#   bench/tree_bench.sh --trees               make the trees when missing, then exit
#                                             (measures nothing and leaves any copies alone)
#
# Trees (bench/corpus/, git-ignored; deterministic: the same documentation and the same
# script give the same bytes):
#   tree-2000/    2,000 real pages (.html below the Rust documentation, every n-th in
#                 byte-wise sorted path order) renamed to .htm, in 10 top folders of 4
#                 folders each, half of every folder's pages one level deeper again
#   tree-20000/   the same 2,000 pages ten times over, below r00/ ... r09/
#   tree-*.complete   the list of pages, beside each tree
#
# Timed commands, each once per size and round, stdout to /dev/null:
#   cp      `cp -a TREE COPY` to a fresh COPY
#   cpsync  `cp -a TREE COPY && sync` (reference: a copy that is on disk when it ends)
#   inplace `tessel-html --format --in-place COPY` on a fresh copy (makes COPY_BAK00/)
#   nobak   `tessel-html --format --in-place --no-backup COPY` on a fresh copy
# in this order; the two sizes run back to back for every command, so that a noisy spell
# hits both.
#
# What is not timed, and why a round is laid out as it is: every round first makes the
# fresh copies the formatter runs on (this also keeps the source trees in the page cache)
# in a folder of its own, then syncs; `sync` also runs before each timed command. Nothing
# is removed until all rounds are done: ext4 without a journal (this machine's file system)
# does not reuse an inode freed less than 60 seconds ago, or 6 minutes while its inode
# table block is dirty, and every file creation walks past such inodes. Removing the copies
# between runs made the next `cp -a` of 2,000 pages take 0.4 s instead of 0.1 s. Without
# backups the formatter frees one inode per page itself (its result is renamed over the
# page; with backups the page lives on as its hard-linked backup), which slows what comes after it: so
# in a round the copies come first, then the in-place runs (2,000 before 20,000), then the
# --no-backup runs. The removal at the end takes about a minute, and the file system needs
# some minutes after it before file creation is at full speed again.
#
# Each in-place run is checked: exit status, `report.txt` in COPY_BAK00/ listing every page
# as formatted (or, without backups, every page changed size) and no backup made by
# --no-backup. Results: bench/out/tree.tsv (every run), bench/out/tree-summary.txt.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
build="$root/build-bench"
out="$here/out"
corpus="${TESSEL_BENCH_CORPUS:-$here/corpus}"
work="$corpus/tree-work"
reps="${TESSEL_TREE_REPS:-7}"
exe="$build/tessel-html"

if [[ "${1:-}" == "--clean" ]]; then
  rm -rf "$work" "$corpus/tree-2000" "$corpus/tree-20000" "$corpus"/tree-2*.complete
  echo "tree_bench: removed the trees"
  exit 0
fi

mkdir -p "$out" "$corpus"
command -v python3 >/dev/null || { echo "tree_bench.sh: python3 is needed" >&2; exit 1; }

# Always brought up to date (a no-op when it is), so that the figures belong to the source.
[[ -f "$build/build.ninja" ]] ||
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSEL_BUILD_BENCH=ON \
    -DTESSEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target tessel-html >/dev/null
source_state="unknown"
if rev=$(git -C "$root" rev-parse --short HEAD 2>/dev/null); then
  source_state="commit $rev"
  changed=$(git -C "$root" status --porcelain -- src data CMakeLists.txt | wc -l)
  [[ $changed -gt 0 ]] && source_state+=" with $changed uncommitted change(s) in src/, data/ or CMakeLists.txt"
fi
export TREE_BENCH_SOURCE="$source_state"

docs=""
if [[ -n "${TESSEL_BENCH_HTML_DIR:-}" ]]; then
  docs="$TESSEL_BENCH_HTML_DIR"
elif command -v rustc >/dev/null; then
  docs="$(rustc --print sysroot)/share/doc/rust/html"
fi

# The binary finds styles/ next to itself when nothing else is configured.
unset TESSEL_HTML_HOME

trees_only=0
[[ "${1:-}" == "--trees" ]] && trees_only=1

# Whatever an earlier, interrupted run left behind, and everything this one makes.
if [[ $trees_only == 0 && -e "$work" ]]; then
  echo "tree_bench: removing the copies an earlier run left (file creation is slower for" \
    "some minutes after a large removal on this file system; see above)"
  rm -rf "$work"
fi
[[ $trees_only == 0 ]] && trap 'rm -rf "$work"' EXIT

python3 - "$corpus" "$docs" "$work" "$exe" "$reps" "$out" "$trees_only" <<'PY'
import os, resource, shutil, statistics, subprocess, sys, time

corpus, docs, work, exe, reps, out = sys.argv[1:7]
trees_only = sys.argv[7] == "1"
reps = int(reps)
N_BASE, N_REPEAT = 2000, 10
t_start = time.perf_counter()

def walk_files(path):
    for d, _, names in os.walk(path):
        for n in names:
            yield os.path.join(d, n)

def tree_bytes(path):
    sizes = [os.path.getsize(f) for f in walk_files(path)]
    return sum(sizes), len(sizes)

# ---------------------------------------------------------------------------------------
# The trees.
def layout(i, page):
    """Relative path of the i-th page: 10 top folders x 4 folders, and half of the 50
    pages of every folder one level deeper."""
    stem = os.path.splitext(os.path.basename(page))[0]
    sub = f"a{i // 200:02d}/b{(i // 50) % 4}/"
    if i % 50 >= 25:
        sub += "c/"
    return f"{sub}{i:04d}-{stem}.htm"

def make_trees():
    base = os.path.join(corpus, "tree-2000")
    big = os.path.join(corpus, "tree-20000")
    if os.path.exists(base + ".complete") and os.path.exists(big + ".complete"):
        return
    if not docs or not os.path.isdir(docs):
        sys.exit("tree_bench.sh: no directory of real HTML pages found; install the Rust "
                 "documentation (rustup component add rust-docs) or set TESSEL_BENCH_HTML_DIR")
    pages = []
    for d, dirs, names in os.walk(docs):
        dirs.sort()
        for n in names:
            if n.endswith(".html"):
                pages.append(os.path.relpath(os.path.join(d, n), docs))
    pages.sort(key=lambda p: p.encode())
    if len(pages) < N_BASE:
        sys.exit(f"tree_bench.sh: only {len(pages)} pages below {docs}, {N_BASE} needed")
    step = len(pages) // N_BASE
    picked = [pages[k * step] for k in range(N_BASE)]
    need = sum(os.path.getsize(os.path.join(docs, p)) for p in picked) * (1 + N_REPEAT)
    free = shutil.disk_usage(corpus).free
    if free < need * 1.2 + 500e6:
        sys.exit(f"tree_bench.sh: {free / 1e6:.0f} MB free in {corpus}, the trees need {need / 1e6:.0f} MB")
    for path, copies in ((base, [""]), (big, [f"r{r:02d}/" for r in range(N_REPEAT)])):
        shutil.rmtree(path, ignore_errors=True)
        if os.path.exists(path + ".complete"):
            os.remove(path + ".complete")
        for prefix in copies:
            for i, p in enumerate(picked):
                dst = os.path.join(path, prefix + layout(i, p))
                os.makedirs(os.path.dirname(dst), exist_ok=True)
                shutil.copyfile(os.path.join(docs, p), dst)
        # The marker (with the list of pages) sits beside the tree, not in it.
        with open(path + ".complete", "w") as f:
            f.write(f"# {docs}\n# {len(pages)} pages, every {step}th taken; "
                    f"{len(copies)} copies below {os.path.basename(path)}/\n")
            for i, p in enumerate(picked):
                f.write(f"{layout(i, p)}\t{p}\n")
        size, files = tree_bytes(path)
        print(f"tree_bench: {os.path.basename(path)}: {files} pages, {size / 1e6:.1f} MB")

make_trees()
if trees_only:
    sys.exit(0)

S, L = "2000", "20000"
src = {S: os.path.join(corpus, "tree-2000"), L: os.path.join(corpus, "tree-20000")}
info = {k: tree_bytes(p) for k, p in src.items()}
src_sizes = {k: {os.path.relpath(f, p): os.path.getsize(f) for f in walk_files(p)}
             for k, p in src.items()}

# A round leaves, per size, four copies and one backup (4 KB blocks: a little more than
# the bytes), and all of them stay until the end.
need = reps * 5.5 * (info[S][0] + info[L][0]) + 300e6
free = shutil.disk_usage(corpus).free
print(f"tree_bench: {free / 1e6:.0f} MB free, {reps} rounds need about {need / 1e6:.0f} MB")
if free < need:
    sys.exit("tree_bench.sh: not enough disk space for the copies")

rnd = 0

def target(size, name):
    return os.path.join(work, f"r{rnd + 1}", f"{name}-{size}")

def sync():
    subprocess.run(["sync"], check=True)

def timed(cmd):
    """Wall seconds, user and system CPU seconds and exit status of one command."""
    r0 = resource.getrusage(resource.RUSAGE_CHILDREN)
    t0 = time.perf_counter()
    rc = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    t1 = time.perf_counter()
    r1 = resource.getrusage(resource.RUSAGE_CHILDREN)
    return t1 - t0, r1.ru_utime - r0.ru_utime, r1.ru_stime - r0.ru_stime, rc

def check_inplace(size, copy, backups):
    """Problems with a finished in-place run, as text ("" when none)."""
    n = len(src_sizes[size])
    bak = copy + "_BAK00"
    if not backups:
        if os.path.exists(bak):
            return "backup made by --no-backup"
        changed = sum(1 for rel, s in src_sizes[size].items()
                      if os.path.getsize(os.path.join(copy, rel)) != s)
        return "" if changed == n else f"{changed} of {n} pages changed"
    report = os.path.join(bak, "report.txt")
    if not os.path.isfile(report):
        return "no report.txt in the backup"
    with open(report, "rb") as f:
        done = sum(1 for line in f if line.startswith(b"==> Formatted:"))
    saved = sum(1 for _ in walk_files(bak)) - 1
    if done != n or saved != n:
        return f"report lists {done} of {n} pages, backup holds {saved}"
    return ""

def cmd_cp(size, then_sync):
    dst = target(size, "cpsync" if then_sync else "cp")
    if then_sync:
        return timed(["sh", "-c", 'cp -a "$0" "$1" && sync', src[size], dst]), ""
    return timed(["cp", "-a", src[size], dst]), ""

def cmd_tessel(size, backups):
    copy = target(size, "inplace" if backups else "nobak")
    res = timed([exe, "--format", "--in-place", *([] if backups else ["--no-backup"]), copy])
    return res, check_inplace(size, copy, backups)

COMMANDS = [("cp", "`cp -a`", lambda s: cmd_cp(s, False)),
            ("cpsync", "`cp -a` then `sync` (reference)", lambda s: cmd_cp(s, True)),
            ("inplace", "`--format --in-place`", lambda s: cmd_tessel(s, True)),
            ("nobak", "`--format --in-place --no-backup`", lambda s: cmd_tessel(s, False))]

results = {(s, c): [] for s in (S, L) for c, _, _ in COMMANDS}
problems = []
tsv = open(os.path.join(out, "tree.tsv"), "w")
tsv.write("round\tsize\tcommand\twall_s\tuser_s\tsys_s\texit\tproblem\n")
for rnd in range(reps):
    t_round = time.perf_counter()
    os.makedirs(os.path.join(work, f"r{rnd + 1}"))
    for size in (S, L):
        for name in ("inplace", "nobak"):
            subprocess.run(["cp", "-a", src[size], target(size, name)], check=True)
    sync()
    for name, _, fn in COMMANDS:
        for size in (S, L):
            sync()
            (wall, user, system, rc), problem = fn(size)
            results[(size, name)].append((wall, user, system, rc))
            if problem or rc:
                problems.append(f"round {rnd + 1} {size} {name}: exit {rc} {problem}")
            tsv.write(f"{rnd + 1}\t{size}\t{name}\t{wall:.4f}\t{user:.4f}\t{system:.4f}\t{rc}\t{problem}\n")
            print(f"  round {rnd + 1} {size:>5} {name:8s} {wall:8.3f} s  user {user:6.3f} s  "
                  f"sys {system:6.3f} s  exit {rc} {problem}", flush=True)
    print(f"tree_bench: round {rnd + 1} took {time.perf_counter() - t_round:.0f} s", flush=True)
tsv.close()
t0 = time.perf_counter()
subprocess.run(["rm", "-rf", work], check=True)
print(f"tree_bench: copies removed in {time.perf_counter() - t0:.0f} s")

# ---------------------------------------------------------------------------------------
def walls(size, name):
    return [r[0] for r in results[(size, name)]]

def best(size, name):
    return min(walls(size, name))

def med(size, name):
    return statistics.median(walls(size, name))

def cpu_of_best(size, name):
    r = min(results[(size, name)], key=lambda r: r[0])
    return r[1], r[2]

def exits(size, name):
    return ",".join(sorted({str(r[3]) for r in results[(size, name)]}))

lines = []
p = lines.append
load = open("/proc/loadavg").read().split()[:3]
p(f"Tree benchmark, {time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())}, source "
  f"{os.environ.get('TREE_BENCH_SOURCE', 'unknown')}, {reps} rounds, "
  f"{time.perf_counter() - t_start:.0f} s in all, load average at the end {' '.join(load)}")
p("")
p("| figure | 2,000 pages | 20,000 pages |")
p("|---|---|---|")
p(f"| tree | {info[S][0] / 1e6:.1f} MB | {info[L][0] / 1e6:.1f} MB |")
for name, title, _ in COMMANDS:
    p(f"| {title}, best / median | {best(S, name):.3f} / {med(S, name):.3f} s | "
      f"{best(L, name):.3f} / {med(L, name):.3f} s |")
for name, title, _ in COMMANDS:
    us, ss = cpu_of_best(S, name)
    ul, sl = cpu_of_best(L, name)
    p(f"| {title}, user / sys CPU of the best run | {us:.2f} / {ss:.2f} s | {ul:.2f} / {sl:.2f} s |")
for name, ref, title in (("inplace", "cp", "in-place / `cp -a`"),
                         ("nobak", "cp", "no backup / `cp -a`"),
                         ("inplace", "cpsync", "in-place / (`cp -a` + `sync`)")):
    p(f"| {title}, best (median) | **{best(S, name) / best(S, ref):.2f}** ({med(S, name) / med(S, ref):.2f}) | "
      f"**{best(L, name) / best(L, ref):.2f}** ({med(L, name) / med(L, ref):.2f}) |")
for name, title in (("inplace", "in-place"), ("nobak", "no backup"), ("cp", "`cp -a`")):
    p(f"| {title}, pages/s (best) | {info[S][1] / best(S, name):.0f} | {info[L][1] / best(L, name):.0f} |")
p(f"| exit status, in-place / no backup | {exits(S, 'inplace')} / {exits(S, 'nobak')} | "
  f"{exits(L, 'inplace')} / {exits(L, 'nobak')} |")
p("")
r = {n: best(L, n) / best(S, n) for n in ("inplace", "nobak", "cp", "cpsync")}
m_ip = med(L, "inplace") / med(S, "inplace")
p(f"20,000 / 2,000 time ratio, best: in-place {r['inplace']:.2f} (median {m_ip:.2f}), "
  f"no backup {r['nobak']:.2f}, cp -a {r['cp']:.2f}, cp -a + sync {r['cpsync']:.2f} (linear = 10)")
worst = max(best(s, "inplace") / best(s, "cp") for s in (S, L))
p(f"target in-place <= 4 x cp -a: {'pass' if worst <= 4 else 'FAIL'} (worst {worst:.2f}); "
  f"target 20,000/2,000 about 10 (<= 12): {'pass' if r['inplace'] <= 12 else 'FAIL'} ({r['inplace']:.2f})")
p("checks (exit status, report.txt, backup, pages changed): " +
  ("all runs fine" if not problems else "; ".join(problems)))
text = "\n".join(lines) + "\n"
print()
print(text, end="")
with open(os.path.join(out, "tree-summary.txt"), "w") as f:
    f.write(text)
PY
