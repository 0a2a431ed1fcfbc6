#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for SECONDS (default
# 20) on a scratch copy of its seed corpus in fuzz/corpus/, one target at a time. Fails when
# a target finds a crash, a broken property or a hang; the input that did it is kept in
# build-fuzz/findings/TARGET/.
#   FUZZ_TARGETS="fuzz_engine"  run only these targets
#   FUZZ_MERGE=1                add the inputs that reach new code to fuzz/corpus/
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
targets=(${FUZZ_TARGETS:-fuzz_engine fuzz_ini fuzz_command_line fuzz_editor_text fuzz_editor_ops})

scripts/install-deps.sh clang libclang-rt-14-dev
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DTESSEL_BUILD_FUZZ=ON -DTESSEL_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz --target "${targets[@]}"

work=$(mktemp -d "${TMPDIR:-/tmp}/tessel-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
export TMPDIR="$work/tmp"  # the targets' scratch files go with the rest
mkdir -p "$TMPDIR"
status=0
for t in "${targets[@]}"; do
  mkdir -p "$work/$t/corpus" "$work/$t/findings"
  cp fuzz/corpus/"$t"/* "$work/$t/corpus/"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$work/$t/findings/")
  [ -f "fuzz/$t.dict" ] && args+=(-dict="fuzz/$t.dict")
  # A long INI file or editor text costs more in the checks than it adds in coverage.
  case "$t" in fuzz_ini | fuzz_editor_*) args+=(-max_len=4096) ;; esac
  if build-fuzz/fuzz/"$t" "${args[@]}" "$work/$t/corpus" >"$work/$t/log" 2>&1; then
    echo "$t: $(grep -o 'cov: [0-9]* ft: [0-9]*' "$work/$t/log" | tail -1)," \
      "$(grep -o 'number_of_executed_units: [0-9]*' "$work/$t/log" | grep -o '[0-9]*') runs," \
      "$(grep -o 'average_exec_per_sec: *[0-9]*' "$work/$t/log" | grep -o '[0-9]*$') exec/s"
  else
    status=1
    grep -v '^    #' "$work/$t/log" | tail -40 >&2
    mkdir -p "build-fuzz/findings/$t"
    cp "$work/$t/findings/"* "build-fuzz/findings/$t/" 2>/dev/null || true
    echo "$t: FAILED; the input is in build-fuzz/findings/$t/" >&2
  fi
  if [ "${FUZZ_MERGE:-0}" = 1 ]; then
    build-fuzz/fuzz/"$t" -merge=1 "fuzz/corpus/$t" "$work/$t/corpus" >/dev/null 2>&1
  fi
done
exit $status
