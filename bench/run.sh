#!/usr/bin/env bash
# The whole benchmark: Release build with the harness into build-bench/, the corpus (made
# when missing), the in-process harness, an instruction-count check of the shapes whose
# time grew more than 12-fold, and the whole filter process on the 20 MB real corpus (wall
# time and peak memory). Ends with one table of figures and targets.
#
#   bench/run.sh                      everything (3-7 minutes on 2 cores, and about 4 more
#                                     for the tree benchmark)
#   TESSEL_BENCH_IR_CHECK=0 bench/run.sh   skip the instruction counts (saves 1-3 minutes)
#   TESSEL_BENCH_REPS=N bench/run.sh       best of N for the corpus files (default 5)
#   TESSEL_BENCH_TREE=0 bench/run.sh       skip the tree benchmark at the end (bench/tree_bench.sh)
#   TESSEL_BENCH_RENDER=0 bench/run.sh     skip the rendering check's cost (about a minute)
#
# Results also land in bench/out/ (git-ignored): harness.tsv, process.tsv, ir.txt,
# summary.txt, and from the tree benchmark tree.tsv and tree-summary.txt.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
build="$root/build-bench"
out="$here/out"
corpus="$here/corpus"
reps="${TESSEL_BENCH_REPS:-5}"
mkdir -p "$out"
load_start=$(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || true)

source "$here/common.sh"

step "Release build with the benchmark (build-bench/)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSEL_BUILD_BENCH=ON \
  -DTESSEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target tessel-html tessel_bench tessel_render_bench

step "Corpus"
"$here/make_corpus.sh"

# The filter finds its styles and trim.ini next to the executable only when nothing else
# is configured.
unset TESSEL_HTML_HOME

step "In-process harness (single thread)"
"$build/bench/tessel_bench" --data "$build" --corpus "$corpus" --reps "$reps" \
  --tsv "$out/harness.tsv"

: > "$out/ir.txt"
if [[ "${TESSEL_BENCH_IR_CHECK:-1}" != 0 ]]; then
  step "Instruction counts (callgrind) for shapes over 12"
  if ensure_tool valgrind valgrind; then
    "$here/ir_check.sh" --bench "$build/bench/tessel_bench" --corpus "$corpus" \
      --from-tsv "$out/harness.tsv" | tee "$out/ir.txt"
  else
    echo "valgrind is not available: skipped"
  fi
fi

step "Whole filter process on real20.htm"
input="$corpus/real20.htm"
exe="$build/tessel-html"
: > "$out/process.tsv"
have_hyperfine=0
ensure_tool hyperfine hyperfine && have_hyperfine=1
ensure_tool /usr/bin/time time || { echo "run.sh: /usr/bin/time is needed (Debian package time)" >&2; exit 1; }
for mode in format compress trim; do
  if [[ $have_hyperfine == 1 ]]; then
    hyperfine -N --warmup 1 --runs 5 --output null --export-json "$out/hyperfine-$mode.json" \
      "$exe --$mode $input" >/dev/null
    best=$(python3 -c 'import json,sys; print(min(json.load(open(sys.argv[1]))["results"][0]["times"]))' \
      "$out/hyperfine-$mode.json")
    how="hyperfine, best of 5 after 1 warm-up"
  else
    "$exe" --"$mode" "$input" >/dev/null  # warm-up
    best=""
    for _ in 1 2 3 4 5; do
      t0=$(date +%s%N)
      "$exe" --"$mode" "$input" >/dev/null
      t1=$(date +%s%N)
      s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", (b - a) / 1e9 }')
      if [[ -z "$best" ]] || awk -v a="$s" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$s; fi
    done
    how="date +%s%N loop, best of 5 after 1 warm-up"
  fi
  /usr/bin/time -v "$exe" --"$mode" "$input" 2>"$out/time-$mode.txt" >/dev/null
  rss_kb=$(sed -n 's/.*Maximum resident set size (kbytes): *//p' "$out/time-$mode.txt")
  # The harness must have measured the same work: its output size for real20.htm has to
  # equal what the filter writes.
  bytes=$("$exe" --"$mode" "$input" | wc -c)
  harness_bytes=$(awk -F'\t' -v m="$mode" '$1 == "corpus" && $2 == "real20.htm" && $3 == m { print $9 }' \
    "$out/harness.tsv")
  same="same output size as in process"
  if [[ "$bytes" != "$harness_bytes" ]]; then
    same="OUTPUT DIFFERS: filter $bytes bytes, harness ${harness_bytes:-?} bytes"
  fi
  printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$mode" "$best" "$rss_kb" "$(stat -c %s "$input")" "$how" \
    "$same" >> "$out/process.tsv"
  printf '  --%-9s best %.3f s   peak RSS %d KB   %s\n' "$mode" "$best" "$rss_kb" "$same"
done

if [[ "${TESSEL_BENCH_RENDER:-1}" != 0 ]]; then
  step "Rendering check against formatting, page by page over the pages of real20.htm"
  docs="${TESSEL_BENCH_HTML_DIR:-$(rustc --print sysroot 2>/dev/null)/share/doc/rust/html}"
  "$build/bench/tessel_render_bench" --data "$build" --pages "$corpus/real20.sources.txt" \
    --docs "$docs" --reps 3 | tee "$out/render.tsv"
fi

step "Summary"
source_state="unknown"
if rev=$(git -C "$root" rev-parse --short HEAD 2>/dev/null); then
  changed=$(git -C "$root" status --porcelain -- src data CMakeLists.txt | wc -l)
  source_state="commit $rev"
  [[ $changed -gt 0 ]] && source_state+=" with $changed uncommitted change(s) in src/, data/ or CMakeLists.txt"
fi
python3 "$here/summary.py" --harness "$out/harness.tsv" --process "$out/process.tsv" \
  --ir "$out/ir.txt" --source "$source_state" --load-start "$load_start" | tee "$out/summary.txt"

if [[ "${TESSEL_BENCH_TREE:-1}" != 0 ]]; then
  step "Tree benchmark: --format --in-place on 2,000 and 20,000 pages against cp -a"
  "$here/tree_bench.sh" || echo "run.sh: the tree benchmark failed (see above)"
fi
