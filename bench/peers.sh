#!/usr/bin/env bash
# Peer tools against tessel-html: the formatters and minifiers a user would pick instead,
# timed in the same run on the same inputs.
#
#   bench/peers.sh                        install what is missing, build, measure (best of 3)
#   TESSEL_PEERS_REPS=N bench/peers.sh    rounds (default 3)
#   TESSEL_PEERS_TIMEOUT=S bench/peers.sh limit for one command (default 600 s)
#   bench/peers.sh --install              install the peers only
#
# Peers (installed when missing; the npm packages go to bench/peers/node_modules, pinned by
# bench/peers/package.json and package-lock.json):
#   format:    tidy (Debian package), html-beautify (npm js-beautify), prettier
#   compress:  html-minifier-terser, @minify-html/node (a small node script below)
#
# Inputs:
#   real20.htm  the 20 MB file of real pages that run.sh times the filter on (make_corpus.sh);
#               every tool reads the same file and writes one output file
#   tree-2000   the 2,000-page tree of tree_bench.sh (tree_bench.sh --trees makes it); every
#               tool gets a fresh copy of its own each round and processes every page, in
#               place where it can (tessel-html --in-place --no-backup, tidy -m,
#               html-beautify -r, prettier --write, the minify-html script), into an output
#               directory where it cannot (html-minifier-terser --input-dir/--output-dir)
#
# Every command runs as a whole process (node start-up included), stdout to a file or
# /dev/null, with a timeout; wall time is perf_counter around it, CPU time and peak RSS come
# from wait4. A command that times out or fails is not run again in later rounds. Outputs
# are checked (present, not empty, minifier output smaller than its input, every page of a
# tree written) and their sizes go into the table.
#
# In a round the corpus runs come first, then all tree copies are made and synced (not
# timed), then the tree runs, peers first and tessel-html last: without backups tessel-html
# frees one inode per page, and on this machine's ext4 file creation is slower for a while
# after that (see the tree benchmark in README.md); this way no peer run pays for it.
#
# Results: bench/out/peers.tsv (every run), bench/out/peers-summary.txt (the tables).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
build="$root/build-bench"
out="$here/out"
corpus="${TESSEL_BENCH_CORPUS:-$here/corpus}"
peers="$here/peers"
reps="${TESSEL_PEERS_REPS:-3}"
limit="${TESSEL_PEERS_TIMEOUT:-600}"
exe="$build/tessel-html"
install_only=0
[[ "${1:-}" == "--install" ]] && install_only=1

source "$here/common.sh"

step "Peers"
ensure_tool tidy tidy || { echo "peers.sh: tidy is needed (Debian package tidy)" >&2; exit 1; }
ensure_tool node nodejs || { echo "peers.sh: node is needed (Debian package nodejs)" >&2; exit 1; }
ensure_tool npm npm || { echo "peers.sh: npm is needed (Debian package npm)" >&2; exit 1; }

# Quick when every pinned version is there and the native minifier loads.
peers_installed() {
  (cd "$peers" && node -e '
    const deps = require("./package.json").dependencies;
    for (const [name, version] of Object.entries(deps)) {
      if (require(`./node_modules/${name}/package.json`).version !== version) process.exit(1);
    }
    require("@minify-html/node");' >/dev/null 2>&1)
}
if ! peers_installed; then
  echo "installing the npm peers into $peers ..."
  if [[ -f "$peers/package-lock.json" ]]; then
    (cd "$peers" && npm ci --no-audit --no-fund --loglevel=error)
  else
    (cd "$peers" && npm install --no-audit --no-fund --loglevel=error)
  fi
  peers_installed || { echo "peers.sh: the npm peers did not install" >&2; exit 1; }
fi
bin="$peers/node_modules/.bin"
versions="tidy $(tidy -v | sed 's/.*version //')"
versions+="; js-beautify $("$bin/html-beautify" --version | sed 's/.*@//')"
versions+="; prettier $("$bin/prettier" --version)"
versions+="; html-minifier-terser $("$bin/html-minifier-terser" --version)"
versions+="; @minify-html/node $(cd "$peers" && node -p 'require("@minify-html/node/package.json").version')"
versions+="; node $(node --version)"
echo "$versions"
[[ $install_only == 1 ]] && exit 0

step "tessel-html (build-bench/), corpus and tree"
[[ -f "$build/build.ninja" ]] ||
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSEL_BUILD_BENCH=ON \
    -DTESSEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target tessel-html tessel_write_floor >/dev/null
# The harness only adds the in-process figures; the comparison does not depend on it.
cmake --build "$build" --target tessel_bench >/dev/null 2>&1 ||
  echo "peers.sh: tessel_bench did not build; no in-process figures"
"$here/make_corpus.sh"
"$here/tree_bench.sh" --trees
source_state="unknown"
if rev=$(git -C "$root" rev-parse --short HEAD 2>/dev/null); then
  source_state="commit $rev"
  changed=$(git -C "$root" status --porcelain -- src data CMakeLists.txt | wc -l)
  [[ $changed -gt 0 ]] && source_state+=" with $changed uncommitted change(s) in src/, data/ or CMakeLists.txt"
fi
# The binary finds styles/ next to itself when nothing else is configured.
unset TESSEL_HTML_HOME

# Work files sit on the same file system as the tree (as in tree_bench.sh).
mkdir -p "$out"
work="$(mktemp -d "$corpus/peers-work.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# @minify-html/node has a command line for one file per process only; for a tree a user
# writes a loop like this one. Prints the time spent inside minify() to stderr.
cat > "$work/minify_html.js" <<'JS'
const { minify } = require(process.env.PEERS_DIR + "/node_modules/@minify-html/node");
const fs = require("fs");
const path = require("path");
// The defaults: whitespace collapsed, comments dropped, optional tags and quotes omitted;
// scripts and styles left as they are.
const cfg = {};
let ns = 0n;
let files = 0;
function one(src) {
  const t0 = process.hrtime.bigint();
  const res = minify(src, cfg);
  ns += process.hrtime.bigint() - t0;
  files++;
  return res;
}
function walk(dir) {
  for (const e of fs.readdirSync(dir, { withFileTypes: true })) {
    const p = path.join(dir, e.name);
    if (e.isDirectory()) walk(p);
    else if (e.isFile() && /\.html?$/i.test(e.name)) fs.writeFileSync(p, one(fs.readFileSync(p)));
  }
}
const [mode, a, b] = process.argv.slice(2);
if (mode === "file") fs.writeFileSync(b, one(fs.readFileSync(a)));
else walk(a);
process.stderr.write(`minify_ns ${ns} files ${files}\n`);
JS
: > "$work/empty-ignore"

step "Measuring ($reps rounds, timeout $limit s per command)"
PEERS_DIR="$peers" python3 - "$corpus" "$work" "$exe" "$bin" "$reps" "$limit" "$out" \
  "$source_state" "$versions" "$build" <<'PY'
import os, signal, statistics, subprocess, sys, threading, time

corpus, work, exe, binp, reps, limit, out, source_state, versions, build = sys.argv[1:11]
reps, limit = int(reps), float(limit)
t_start = time.perf_counter()
load_start = open("/proc/loadavg").read().split()[:3]
real = os.path.join(corpus, "real20.htm")
tree = os.path.join(corpus, "tree-2000")
real_bytes = os.path.getsize(real)
mh_js = os.path.join(work, "minify_html.js")
ignore = os.path.join(work, "empty-ignore")

def b(name):
    return os.path.join(binp, name)

def walk_files(path):
    for d, _, names in os.walk(path):
        for n in names:
            yield os.path.join(d, n)

tree_pages = sorted(os.path.relpath(f, tree) for f in walk_files(tree))
tree_sizes = {p: os.path.getsize(os.path.join(tree, p)) for p in tree_pages}
tree_bytes = sum(tree_sizes.values())

# ---------------------------------------------------------------------------------------
def run(argv, stdout_path, stderr_path):
    """Wall seconds, user+sys CPU seconds, peak RSS in KB, exit status (None after the
    timeout) of one command; its whole process group is killed at the timeout."""
    with open(stdout_path, "wb") as so, open(stderr_path, "wb") as se:
        t0 = time.perf_counter()
        p = subprocess.Popen(argv, stdout=so, stderr=se, stdin=subprocess.DEVNULL,
                             start_new_session=True)
        fired = threading.Event()
        def kill():
            fired.set()
            try:
                os.killpg(p.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        timer = threading.Timer(limit, kill)
        timer.start()
        _, status, ru = os.wait4(p.pid, 0)
        wall = time.perf_counter() - t0
        timer.cancel()
        p.returncode = os.waitstatus_to_exitcode(status)
    rc = None if fired.is_set() else p.returncode
    return wall, ru.ru_utime + ru.ru_stime, ru.ru_maxrss, rc

def first_error(path):
    """The first line of a tool's complaint, shortened, for the table."""
    try:
        with open(path, errors="replace") as f:
            lines = [l.strip() for l in f if l.strip()]
    except OSError:
        return ""
    for l in lines:
        if "Error" in l or "error" in l:
            l = l.replace(corpus + "/", "").replace(work + "/", "")
            return l[:150]
    return lines[0][:150] if lines else ""

def same_bytes(a, b):
    with open(a, "rb") as x, open(b, "rb") as y:
        return x.read() == y.read()

def minify_ms(path):
    try:
        for l in open(path):
            if l.startswith("minify_ns "):
                return int(l.split()[1]) / 1e6
    except OSError:
        pass
    return None

# ---------------------------------------------------------------------------------------
# The 20 MB file. Each entry: work, key, tool, how it is driven, argv(outfile), whether it
# writes to stdout, exit statuses that are fine when output was written.
TIDY_OPTS = ["-q", "-i", "-w", "80", "--show-warnings", "no", "--custom-tags", "blocklevel",
             "--tidy-mark", "no", "--force-output", "yes"]
CORPUS = [
    ("format", "tessel", "tessel-html", "`tessel-html --format FILE > OUT`",
     lambda o: [exe, "--format", real], True, {0}),
    ("format", "tidy", "tidy", "`tidy -q -i -w 80 --show-warnings no --custom-tags blocklevel "
     "--tidy-mark no --force-output yes -o OUT FILE`",
     lambda o: ["tidy", *TIDY_OPTS, "-o", o, real], False, {0, 1, 2}),
    ("format", "jsb", "js-beautify", "`html-beautify -q -f FILE -o OUT`",
     lambda o: [b("html-beautify"), "-q", "-f", real, "-o", o], False, {0}),
    # The corpus is git-ignored, and prettier copies files that .gitignore names through
    # unchanged: an empty ignore file makes it format them.
    ("format", "prettier", "prettier", "`prettier --parser html --no-config --no-editorconfig "
     "--ignore-path EMPTY FILE > OUT`",
     lambda o: [b("prettier"), "--parser", "html", "--no-config", "--no-editorconfig",
                "--ignore-path", ignore, real], True, {0}),
    ("compress", "tessel", "tessel-html", "`tessel-html --compress FILE > OUT`",
     lambda o: [exe, "--compress", real], True, {0}),
    ("compress", "hmt", "html-minifier-terser", "`html-minifier-terser --collapse-whitespace "
     "--remove-comments -o OUT FILE`",
     lambda o: [b("html-minifier-terser"), "--collapse-whitespace", "--remove-comments", "-o", o, real],
     False, {0}),
    ("compress", "mh", "@minify-html/node", "`node minify_html.js file FILE OUT` (one `minify()` call)",
     lambda o: ["node", mh_js, "file", real, o], False, {0}),
]

# The tree. argv(copy); check(copy, stderr) gives (output bytes, problem text).
def check_pages(root, minify, unchanged_ok=False):
    missing = empty = same = 0
    total = 0
    for p in tree_pages:
        f = os.path.join(root, p)
        if not os.path.isfile(f):
            missing += 1
            continue
        s = os.path.getsize(f)
        total += s
        if s == 0:
            empty += 1
        elif s == tree_sizes[p]:
            same += same_bytes(f, os.path.join(tree, p))
    problems = []
    if missing:
        problems.append(f"{missing} pages missing")
    if empty:
        problems.append(f"{empty} pages empty")
    if same and not unchanged_ok:
        problems.append(f"{same} pages unchanged")
    if minify and total >= tree_bytes:
        problems.append("output not smaller than input")
    return total, "; ".join(problems)

def tree_check(kind, backups=False):
    def check(copy, err):
        if kind == "floor":
            return check_pages(copy, minify=False, unchanged_ok=True)
        if kind.startswith("tessel") and not backups and os.path.exists(copy + "_BAK00"):
            return 0, "backup made by --no-backup"
        root = copy + "-out" if kind == "hmt" else copy
        return check_pages(root, minify=kind in ("hmt", "mh", "tesselc"))
    return check

def sh(script):
    return lambda c: ["sh", "-c", script, c]

TREE = [
    ("format", "tidy", "tidy", "`find COPY -name '*.htm' -print0 | xargs -0 tidy -m ...` "
     "(same options; tidy's own multi-file mode, in place)",
     sh("find \"$0\" -type f -name '*.htm' -print0 | xargs -0 tidy -m " + " ".join(TIDY_OPTS)),
     {0, 123}, tree_check("tidy")),
    ("format", "jsb", "js-beautify", "`find COPY -name '*.htm' -print0 | xargs -0 html-beautify -q -r` "
     "(several files per process, in place)",
     sh(f"find \"$0\" -type f -name '*.htm' -print0 | xargs -0 '{b('html-beautify')}' -q -r"),
     {0}, tree_check("jsb")),
    ("format", "prettier", "prettier", "`prettier --write --parser html --no-config --no-editorconfig "
     "--ignore-path EMPTY --log-level warn COPY` (directory mode, in place)",
     lambda c: [b("prettier"), "--write", "--parser", "html", "--no-config", "--no-editorconfig",
                "--ignore-path", ignore, "--log-level", "warn", c],
     {0}, tree_check("prettier")),
    ("compress", "hmt", "html-minifier-terser", "`html-minifier-terser --collapse-whitespace "
     "--remove-comments --input-dir COPY --output-dir COPY-out --file-ext htm` (directory mode)",
     lambda c: [b("html-minifier-terser"), "--collapse-whitespace", "--remove-comments",
                "--input-dir", c, "--output-dir", c + "-out", "--file-ext", "htm"],
     {0}, tree_check("hmt")),
    ("compress", "mh", "@minify-html/node", "`node minify_html.js tree COPY` (one process walks "
     "the tree, reads, minifies and rewrites each page)",
     lambda c: ["node", mh_js, "tree", c], {0}, tree_check("mh")),
    ("format", "tessel-bak", "tessel-html (with backups)", "`tessel-html --format --in-place COPY`",
     lambda c: [exe, "--format", "--in-place", c], {0}, tree_check("tessel", backups=True)),
    ("compress", "tessel-bak", "tessel-html (with backups)", "`tessel-html --compress --in-place COPY`",
     lambda c: [exe, "--compress", "--in-place", c], {0}, tree_check("tesselc", backups=True)),
    ("format", "tessel", "tessel-html", "`tessel-html --format --in-place --no-backup COPY`",
     lambda c: [exe, "--format", "--in-place", "--no-backup", c], {0}, tree_check("tessel")),
    ("compress", "tessel", "tessel-html", "`tessel-html --compress --in-place --no-backup COPY`",
     lambda c: [exe, "--compress", "--in-place", "--no-backup", c], {0}, tree_check("tesselc")),
    # No processing at all: every page read and written back unchanged through the same safe
    # path (temporary file, rename). What a tool needs for its pages beyond this is its work.
    ("compress", "floor", "safe rewrite only, no processing", "`tessel_write_floor COPY`",
     lambda c: [os.path.join(build, "bench", "tessel_write_floor"), c], {0}, tree_check("floor")),
]

runs = {}        # (corpus, work, key) -> list of run dicts
stopped = set()  # commands not repeated (timed out or failed)
tsv = open(os.path.join(out, "peers.tsv"), "w")
tsv.write("round\tcorpus\twork\ttool\twall_s\tcpu_s\tmaxrss_kb\texit\tout_bytes\tminify_ms\tproblem\n")

def record(rnd, cname, work_, key, tool, wall, cpu, rss, rc, nbytes, mms, problem):
    runs.setdefault((cname, work_, key), []).append(
        dict(wall=wall, cpu=cpu, rss=rss, rc=rc, bytes=nbytes, mms=mms, problem=problem))
    tsv.write(f"{rnd}\t{cname}\t{work_}\t{key}\t{wall:.4f}\t{cpu:.4f}\t{rss}\t"
              f"{'killed' if rc is None else rc}\t{nbytes}\t"
              f"{'' if mms is None else f'{mms:.1f}'}\t{problem}\n")
    tsv.flush()
    print(f"  round {rnd} {cname:10s} {work_:8s} {tool:27s} {wall:8.3f} s  cpu {cpu:7.2f} s  "
          f"rss {rss / 1024:7.0f} MB  exit {'killed' if rc is None else rc}  {nbytes / 1e6:7.2f} MB  "
          f"{problem}", flush=True)

def sync():
    subprocess.run(["sync"], check=True)

for rnd in range(1, reps + 1):
    t_round = time.perf_counter()
    rdir = os.path.join(work, f"r{rnd}")
    os.makedirs(rdir)
    # --- the 20 MB file
    for work_, key, tool, how, argv, to_stdout, ok in CORPUS:
        if ("real20", work_, key) in stopped:
            continue
        o = os.path.join(rdir, f"real20-{work_}-{key}.htm")
        e = o + ".err"
        sync()
        wall, cpu, rss, rc = run(argv(o), o if to_stdout else os.devnull, e)
        nbytes = os.path.getsize(o) if os.path.exists(o) else 0
        problem = ""
        if rc is None:
            problem = f"timeout after {limit:.0f} s"
        elif rc not in ok:
            problem = f"exit {rc}: {first_error(e)}"
        elif nbytes == 0:
            problem = f"no output (exit {rc}): {first_error(e)}"
        elif work_ == "compress" and nbytes >= real_bytes:
            problem = "output not smaller than input"
        elif nbytes == real_bytes and same_bytes(o, real):
            problem = "output identical to the input"
        record(rnd, "real20", work_, key, tool, wall, cpu, rss, rc, nbytes,
               minify_ms(e) if key == "mh" else None, problem)
        if problem:
            stopped.add(("real20", work_, key))
        else:
            os.remove(o)  # keep the disk use of many rounds down; sizes are recorded
    # --- the tree: fresh copies first (not timed), then the runs
    todo = [t for t in TREE if ("tree-2000", t[0], t[1]) not in stopped]
    for work_, key, *_ in todo:
        subprocess.run(["cp", "-a", tree, os.path.join(rdir, f"tree-{work_}-{key}")], check=True)
    sync()
    for work_, key, tool, how, argv, ok, check in todo:
        c = os.path.join(rdir, f"tree-{work_}-{key}")
        e = c + ".err"
        sync()
        wall, cpu, rss, rc = run(argv(c), c + ".out", e)
        problem = ""
        nbytes, bad = check(c, e)
        if rc is None:
            problem = f"timeout after {limit:.0f} s"
        elif rc not in ok:
            problem = f"exit {rc}: {first_error(e)}"
        if bad:
            problem = (problem + "; " if problem else "") + bad
        record(rnd, "tree-2000", work_, key, tool, wall, cpu, rss, rc, nbytes,
               minify_ms(e) if key == "mh" else None, problem)
        if problem:
            stopped.add(("tree-2000", work_, key))
    print(f"peers: round {rnd} took {time.perf_counter() - t_round:.0f} s", flush=True)
tsv.close()

# In-process figures of tessel-html on the same file, for the minifier's in-process time.
inproc = {}
harness = os.path.join(build, "bench", "tessel_bench")
for op in ("format", "compress") if os.access(harness, os.X_OK) else ():
    r = subprocess.run([harness, "--data", build, "--profile", real, "--op", op, "--reps", "5"],
                       capture_output=True, text=True)
    for l in r.stdout.splitlines():
        if l.startswith("best "):
            w = l.split()
            inproc[op] = (float(w[1]), float(w[4]))  # best ms, first ms

# ---------------------------------------------------------------------------------------
def best(k):
    good = [r for r in runs.get(k, []) if not r["problem"]]
    return min(good, key=lambda r: r["wall"]) if good else None

def worst_problem(k):
    bad = [r for r in runs.get(k, []) if r["problem"]]
    return bad[0] if bad else None

how_of = {}
for work_, key, tool, how, *_ in CORPUS:
    how_of[("real20", work_, key)] = (tool, how)
for work_, key, tool, how, *_ in TREE:
    how_of[("tree-2000", work_, key)] = (tool, how)

lines = []
p = lines.append
load_end = open("/proc/loadavg").read().split()[:3]
p(f"Peers, {time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())}, source {source_state}, "
  f"{reps} rounds (best of {reps}), {time.perf_counter() - t_start:.0f} s in all, load average "
  f"{' '.join(load_start)} at the start, {' '.join(load_end)} at the end")
p(f"Versions: {versions}")
p(f"real20.htm: {real_bytes:,} bytes; tree-2000: {len(tree_pages):,} pages, {tree_bytes:,} bytes")
p("")
p("| work | corpus | tool | seconds | ratio | output bytes | CPU s | CPU ratio | peak RSS | exit | 5x target |")
p("|---|---|---|---|---|---|---|---|---|---|---|")
order = [("real20", "format", k) for k in ("tessel", "tidy", "jsb", "prettier")] + \
        [("real20", "compress", k) for k in ("tessel", "hmt", "mh")] + \
        [("tree-2000", "format", k) for k in ("tessel", "tessel-bak", "tidy", "jsb", "prettier")] + \
        [("tree-2000", "compress", k) for k in ("tessel", "tessel-bak", "floor", "hmt", "mh")]
misses = []
for k in order:
    cname, work_, key = k
    tool = how_of[k][0]
    base = best((cname, work_, "tessel"))
    r = best(k)
    n = len(runs.get(k, []))
    if r is None:
        f = worst_problem(k)
        if f is None:
            continue
        if f["rc"] is None:
            secs = f"> timeout ({limit:.0f} s)"
            ratio = f"> {f['wall'] / base['wall']:.0f}" if base else "-"
        else:
            why = f["problem"].split("SyntaxError: ")[-1].split(". ")[0]
            secs = f"failed after {f['wall']:.1f} s ({why})"
            ratio = "-"
        misses.append(f"{cname} {work_} {tool}: {f['problem']}")
        rc = "killed" if f["rc"] is None else f["rc"]
        p(f"| {work_} | {cname} | {tool} | {secs} | {ratio} | {f['bytes']:,} | {f['cpu']:.2f} | - | "
          f"{f['rss'] / 1024:.0f} MB | {rc} | no result |")
        continue
    ratio = r["wall"] / base["wall"] if base else float("nan")
    cpu_ratio = f"{r['cpu'] / base['cpu']:.1f}" if base and base["cpu"] > 0 else "-"
    if key == "tessel":
        target, rs = "(reference)", "1.00"
    elif key == "tessel-bak":
        target, rs = "(same tool)", f"{ratio:.2f}"
    elif key == "floor":
        target, rs = "(no processing)", f"{ratio:.2f}"
    else:
        target = "pass" if ratio >= 5 else "**MISS**"
        rs = f"**{ratio:.1f}**" if ratio >= 5 else f"**{ratio:.2f}**"
        if ratio < 5:
            misses.append(f"{cname} {work_} {tool}: ratio {ratio:.2f}")
    p(f"| {work_} | {cname} | {tool} | {r['wall']:.3f} | {rs} | {r['bytes']:,} | {r['cpu']:.2f} | "
      f"{cpu_ratio} | {r['rss'] / 1024:.0f} MB | {r['rc']} | {target} |")
p("")
p("Seconds: best wall time of the rounds (of fewer where a run failed: a failing or timed-out "
  "command is not repeated). Ratio = peer time / tessel-html time for the same work and input "
  "(tessel-html --in-place --no-backup for the tree); the 5x target applies to it. CPU = user + "
  "sys of the best run (all its processes), CPU ratio = the same against tessel-html's best "
  "run: less moved by other load than wall time, but blind to time spent waiting on the disk. "
  "Peak RSS = the largest process of the best run.")
p("")
for k, label in ((("real20", "compress", "mh"), "the 20 MB file"),
                 (("tree-2000", "compress", "mh"), "the tree")):
    r = best(k)
    if r and r["mms"] is not None:
        p(f"@minify-html/node in process, {label}: minify() {r['mms']:.1f} ms of {r['wall'] * 1e3:.0f} ms "
          f"for the whole process")
if "compress" in inproc and best(("real20", "compress", "mh")):
    bms, fms = inproc["compress"]
    mms = best(("real20", "compress", "mh"))["mms"]
    p(f"tessel-html in process (tessel_bench --profile real20.htm --op compress): best {bms:.1f} ms, "
      f"first run {fms:.1f} ms; minify() / first run = {mms / fms:.1f}, / best = {mms / bms:.1f}")
if "format" in inproc:
    p(f"tessel-html in process, --op format: best {inproc['format'][0]:.1f} ms, first run "
      f"{inproc['format'][1]:.1f} ms")
p("")
p("How each tool was driven:")
for k in order:
    if k in runs:
        p(f"* {k[0]} {k[1]} {how_of[k][0]}: {how_of[k][1]}")
p("")
p("5x target: " + ("every peer at least 5 times slower" if not misses else
                  "missed or no result: " + "; ".join(misses)))
problems = [f"round {i + 1} {k[0]} {k[1]} {k[2]}: {r['problem']}"
            for k, rs in runs.items() for i, r in enumerate(rs) if r["problem"]]
p("Checks (exit status, output present and not empty, minifiers smaller, every page written): " +
  ("all runs fine" if not problems else "; ".join(problems)))
text = "\n".join(lines) + "\n"
print()
print(text, end="")
with open(os.path.join(out, "peers-summary.txt"), "w") as f:
    f.write(text)
PY
