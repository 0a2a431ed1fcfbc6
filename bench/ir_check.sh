#!/usr/bin/env bash
# Tells work that grows faster than the input from a slowdown of the memory system: counts
# the instructions one engine stage executes on a shape at 1x and at 10x (valgrind's
# callgrind, counting only inside Engine::Tokenize/Format/CompressLines/TrimTags), and
# prints their ratio next to the busiest functions of the 10x run. Instruction counts do
# not depend on caches, page faults or other load on the machine: a ratio near 10 means
# linear work even when the wall-clock ratio is higher.
#
#   bench/ir_check.sh [--bench EXE] [--corpus DIR] SHAPE:STAGE ...
#   bench/ir_check.sh [--bench EXE] [--corpus DIR] --from-tsv FILE   (rows with ratio > 12)
#
# STAGE is format, compress or trim. Slow: callgrind runs the program ~50 times slower.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
bench="$root/build-bench/bench/tessel_bench"
corpus="$here/corpus"
work="$here/out/callgrind"
items=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    --bench) bench="$2"; shift 2 ;;
    --corpus) corpus="$2"; shift 2 ;;
    --from-tsv)
      while IFS=$'\t' read -r kind name op _style _b1 _t1 _b10 _t10 ratio _rest; do
        [[ "$kind" == shape ]] || continue
        if awk -v r="$ratio" 'BEGIN { exit !(r > 12) }'; then items+=("$name:$op"); fi
      done < "$2"
      shift 2 ;;
    -h|--help) sed -n '2,13p' "$0"; exit 0 ;;
    *) items+=("$1"); shift ;;
  esac
done
command -v valgrind >/dev/null || { echo "ir_check.sh: valgrind is not installed" >&2; exit 1; }
[[ -x "$bench" ]] || { echo "ir_check.sh: no benchmark program at $bench" >&2; exit 1; }
mkdir -p "$work"
if [[ ${#items[@]} -eq 0 ]]; then
  echo "ir_check.sh: nothing to check"
  exit 0
fi

# Instructions executed inside the engine's entry points during one run.
count() {  # file stage outfile
  valgrind --tool=callgrind --callgrind-out-file="$3" \
    --toggle-collect='tessel::Engine::Tokenize()' \
    --toggle-collect='tessel::Engine::Format()' \
    --toggle-collect='tessel::Engine::CompressLines()' \
    --toggle-collect='tessel::Engine::TrimTags(*' \
    "$bench" --profile "$1" --op "$2" --reps 1 >/dev/null 2>"$3.log"
  sed -n 's/^==[0-9]*== Collected : \([0-9]*\).*/\1/p' "$3.log"
}

printf '%-22s %-9s %14s %14s %7s %7s  %s\n' shape stage "Ir 1x" "Ir 10x" ratio norm \
  "busiest functions at 10x (self Ir share)"
for item in "${items[@]}"; do
  name="${item%%:*}" stage="${item##*:}"
  f1="$corpus/shape-$name-1x.htm" f10="$corpus/shape-$name-10x.htm"
  [[ -f "$f1" && -f "$f10" ]] || { echo "ir_check.sh: no shape '$name' in $corpus" >&2; exit 1; }
  ir1=$(count "$f1" "$stage" "$work/$name.$stage.1x.out")
  ir10=$(count "$f10" "$stage" "$work/$name.$stage.10x.out")
  s1=$(stat -c %s "$f1") s10=$(stat -c %s "$f10")
  top=$(callgrind_annotate --inclusive=no "$work/$name.$stage.10x.out" 2>/dev/null |
        awk -v total="$ir10" '/^ *[0-9,]+ \([ 0-9.]+%\) +[^ ]/ && !/PROGRAM TOTALS/ {
            ir = $1; gsub(",", "", ir);
            fn = $0; sub(/^ *[0-9,]+ \([ 0-9.]+%\) +/, "", fn); sub(/^[^:]*:/, "", fn);
            gsub(/\(anonymous namespace\)::/, "", fn); sub(/\(.*$/, "", fn);
            sub(/ \[.*$/, "", fn); sub(/^tessel::/, "", fn); $0 = fn;
            printf "%s%s %.0f%%", (n++ ? ", " : ""), $0, 100 * ir / total;
            if (n == 3) exit }')
  awk -v n="$name" -v s="$stage" -v a="$ir1" -v b="$ir10" -v s1="$s1" -v s10="$s10" -v top="$top" \
    'BEGIN { r = b / a; printf "%-22s %-9s %14d %14d %7.2f %7.2f  %s\n", n, s, a, b, r, r * 10 * s1 / s10, top }'
done
