#!/usr/bin/env bash
# What --verify costs as a whole process: each command timed with and without it on the
# same 20 MB of real pages, as one file (real20.htm) and as the 497 pages it is made of.
#
#   bench/verify_bench.sh                         (about 3 minutes)
#   TESSEL_VERIFY_REPS=10 bench/verify_bench.sh   (best of 10; default 5)
#   TESSEL_BENCH_BUILD=build bench/verify_bench.sh   (another Release build directory)
#
# Results: bench/out/verify.tsv (one row per command) and bench/out/verify-summary.txt.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
# shellcheck source=common.sh
source "$here/common.sh"
build="${TESSEL_BENCH_BUILD:-$root/build-bench}"
[[ "$build" == /* ]] || build="$root/$build"
corpus="$here/corpus"
out="$here/out"
reps="${TESSEL_VERIFY_REPS:-5}"
mkdir -p "$out"

ensure_tool hyperfine hyperfine || { echo "verify_bench.sh: hyperfine is needed" >&2; exit 1; }
ensure_tool /usr/bin/time time || { echo "verify_bench.sh: /usr/bin/time is needed" >&2; exit 1; }

step "build and corpus"
[[ -f "$build/build.ninja" ]] ||
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSEL_BUILD_BENCH=ON \
    -DTESSEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target tessel-html >/dev/null
exe="$build/tessel-html"
"$here/make_corpus.sh"
unset TESSEL_HTML_HOME  # the binary finds styles/ next to itself

# The pages of real20.htm, each a file of its own, below the folders they come from.
pages="$corpus/real20-pages"
if [[ ! -f "$pages.complete" ]]; then
  rm -rf "$pages"
  docs="$(sed -n '1s/^# //p' "$corpus/real20.sources.txt")"
  grep -v '^#' "$corpus/real20.sources.txt" | while IFS= read -r page; do
    mkdir -p "$pages/$(dirname "$page")"
    cp "$docs/$page" "$pages/${page%.html}.htm"
  done
  touch "$pages.complete"
fi
# The same pages formatted: what a site kept formatted gives a check.
formatted="$corpus/real20-pages-formatted"
if [[ ! -f "$formatted.complete" ]]; then
  rm -rf "$formatted"
  cp -a "$pages" "$formatted"
  "$exe" --format --in-place --no-backup "$formatted" >/dev/null
  touch "$formatted.complete"
fi
work="$corpus/verify-work"
rm -rf "$work"
# A fresh copy before each in-place run (hyperfine -N runs no shell, so it is a script).
fresh="$out/verify-fresh-copy.sh"
printf '#!/bin/sh\nrm -rf "%s" && cp -a "%s" "%s" && sync\n' "$work" "$pages" "$work" > "$fresh"
chmod +x "$fresh"
trap 'rm -rf "$work"' EXIT

# name, command; in-place commands get a fresh copy of the pages before every run.
commands=(
  "filter|$exe --format $corpus/real20.htm"
  "filter --verify|$exe --format --verify $corpus/real20.htm"
  "check file|$exe --format --check $corpus/real20.htm"
  "check file --verify|$exe --format --check --verify $corpus/real20.htm"
  "check pages|$exe --format --check $pages"
  "check pages --verify|$exe --format --check --verify $pages"
  "check formatted pages|$exe --format --check $formatted"
  "check formatted pages --verify|$exe --format --check --verify $formatted"
  "in-place pages|$exe --format --in-place --no-backup $work"
  "in-place pages --verify|$exe --format --in-place --no-backup --verify $work"
  "in-place pages --verify --force|$exe --format --in-place --no-backup --verify --force $work"
)

step "timing ($reps runs each, best)"
printf 'name\tbest_s\tmean_s\tuser_s\tsys_s\tpeak_rss_mb\n' > "$out/verify.tsv"
for entry in "${commands[@]}"; do
  name="${entry%%|*}"
  cmd="${entry#*|}"
  prepare=(--prepare true)
  [[ "$name" == in-place* ]] && prepare=(--prepare "$fresh")
  json="$out/verify-$(echo "$name" | tr ' -' '__').json"
  hyperfine -N -i --warmup 1 --runs "$reps" "${prepare[@]}" --output null \
    --export-json "$json" "$cmd" >/dev/null 2>&1
  [[ "$name" == in-place* ]] && "$fresh"
  # The commands exit 1 when a result would change or could render differently.
  rss=$({ /usr/bin/time -f '%M' $cmd 2>&1 >/dev/null || true; } | tail -1)
  python3 - "$json" "$name" "$rss" >> "$out/verify.tsv" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"][0]
print(f"{sys.argv[2]}\t{min(r['times']):.3f}\t{r['mean']:.3f}\t{r['user']:.3f}\t{r['system']:.3f}\t{int(sys.argv[3]) / 1024:.1f}")
PY
  tail -1 "$out/verify.tsv"
done

python3 - "$out/verify.tsv" > "$out/verify-summary.txt" <<'PY'
import csv, sys
rows = {r["name"]: r for r in csv.DictReader(open(sys.argv[1]), delimiter="\t")}
print("| command | best s | user+sys s | peak RSS MB | x without --verify (wall / CPU) |")
print("|---|---|---|---|---|")
for name, r in rows.items():
    base = rows.get(name.split(" --verify")[0])
    cpu = float(r["user_s"]) + float(r["sys_s"])
    ratio = ""
    if base is not r and base:
        bcpu = float(base["user_s"]) + float(base["sys_s"])
        ratio = f"{float(r['best_s']) / float(base['best_s']):.1f} / {cpu / bcpu:.1f}"
    print(f"| {name} | {r['best_s']} | {cpu:.3f} | {r['peak_rss_mb']} | {ratio} |")
PY
step "summary"
cat "$out/verify-summary.txt"
