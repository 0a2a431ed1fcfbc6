#!/usr/bin/env bash
# Renders the main window (protocol page after a tree run, "HTML" page with a file) at
# 1280x800 and 1920x1080, and every dialog, to PNG files in docs/screenshots/ (offscreen:
# no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target tessel_screenshots >&2
QT_QPA_PLATFORM=offscreen build/tests/gui/tessel_screenshots docs/screenshots
