#!/usr/bin/env bash
# The window's figures (offscreen): start-up to the first activation of the main window
# (hyperfine, median of 10), a 2,000-page tree run from the window against the in-place
# command on copies of the same tree with the largest gap of a 10 ms heartbeat on the
# window's thread, the file list dialog with the 20,000 pages of tree-20000, the processor
# time of the idle window, typing at the end of a 2.5 MB page of one line, and the preview
# dialog of a Format run filling its list for tree-2000 against `--format --check` on it.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
build="$root/build-bench"
source "$here/common.sh"

step "Release build with the benchmark (build-bench/)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSEL_BUILD_BENCH=ON \
  -DTESSEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target tessel-html tessel_window_bench
"$here/make_corpus.sh"
"$here/tree_bench.sh" --trees
export QT_QPA_PLATFORM=offscreen
unset TESSEL_HTML_HOME

step "Start-up to the first activation of the main window"
ensure_tool hyperfine hyperfine
hyperfine -N --warmup 2 --runs 10 --export-json "$here/out/window-start.json" \
  "env TESSEL_HTML_EXIT_AFTER_START=1 $build/tessel-html" >/dev/null
python3 -c 'import json,statistics,sys; t=json.load(open(sys.argv[1]))["results"][0]["times"]; print("start-up: median %.0f ms of %d (target <= 300 ms)" % (1000*statistics.median(t), len(t)))' \
  "$here/out/window-start.json"

step "Tree run from the window against the in-place command; the file list"
"$build/bench/tessel_window_bench" --data "$build" --exe "$build/tessel-html" \
  --tree "$here/corpus/tree-2000" --big-tree "$here/corpus/tree-20000" --rounds 5 \
  --page "$here/corpus/real20.htm" --preview-tree "$here/corpus/tree-2000" \
  --work "$here/corpus/window-work" 2>&1 | grep -v "propagateSizeHints\|XDG_RUNTIME_DIR"
