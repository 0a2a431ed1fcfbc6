#!/usr/bin/env bash
# Writes tests/golden/ anew: every sample page of data/preview/ formatted and compressed with
# every shipped style by the built program, with the date of the documentation line fixed.
# tests/golden_test.cpp runs the program the same way. Review the diff before committing it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target tessel-html >&2

# The shipped data, not whatever the build tree or the user's data directory holds.
export TESSEL_HTML_HOME="$PWD/data"
export SOURCE_DATE_EPOCH=1796475900  # 2026-12-05 13:05 UTC, as in tests/golden_test.cpp
rm -f tests/golden/*.htm
for page in data/preview/*; do
  name=$(basename "$page")
  for style in data/styles/*/; do
    style=$(basename "$style")
    for mode in format compress; do
      build/tessel-html --"$mode" --style "$style" "$PWD/$page" \
        >"tests/golden/${name%.*}.$style.$mode.htm"
    done
  done
done
echo "Wrote $(ls tests/golden/*.htm | wc -l) files to tests/golden/; review them with git diff." >&2
