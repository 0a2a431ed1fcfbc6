#!/usr/bin/env bash
# Builds Tessel HTML and formats a shipped sample page to standard output with the default style.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build >&2
exec build/tessel-html --format --style _default build/preview/sample_html4.htm
