#!/usr/bin/env bash
# Builds Tessel HTML (not its tests) and opens the main window on a shipped sample page.
# Without a display it says so and formats the sample page to standard output with the
# default style instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
# Only the program and what it loads (its window, its data): the tests are test.sh's job.
cmake --build build --target tessel-html >&2
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/tessel-html build/preview/sample_html4.htm
fi
echo "run.sh: no display (DISPLAY is not set), so no window; the filter formats the sample page instead:" >&2
exec build/tessel-html --format --style _default build/preview/sample_html4.htm
