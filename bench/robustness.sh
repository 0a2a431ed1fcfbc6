#!/usr/bin/env bash
# Robustness sweep: every HTML page of the Rust documentation on this machine (about
# 48,000), the other HTML pages under /usr/share/doc, /usr/lib and ~/.pyenv, and 5,000
# generated malformed documents, each formatted, compressed and trimmed with the shipped
# styles. Fails when a page loses text; prints how often formatting twice gives the same
# bytes as formatting once. Takes about a minute.
#
#   bench/robustness.sh [--every N]     every Nth page only
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
build="$root/build-bench"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSEL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target tessel_robustness >/dev/null

rust_docs="$(rustc --print sysroot 2>/dev/null)/share/doc/rust/html"
dirs=()
for d in "$rust_docs" /usr/share/doc /usr/lib/node_modules /usr/lib/google-cloud-sdk \
         /usr/share/gtk-doc "$HOME/.pyenv" "$root/data/preview"; do
  [ -d "$d" ] && dirs+=("$d")
done
echo "== real pages: ${dirs[*]}"
"$build/bench/tessel_robustness" --show 5 "$@" "${dirs[@]}"
echo "== generated malformed documents"
"$build/bench/tessel_robustness" --show 3 --generated 5000
