#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ for Linux (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 60), starting from its seed
# corpus in fuzz/corpus/<target>/. Prints one line per target, "name: N execs, 0 crashes".
# A crash, a sanitizer report or a broken property stops that target: its input is saved in
# fuzz/artifacts/<target>/ (the line names the file) and the script exits 1 once every target ran.
# New inputs that reach new code are kept in build-fuzz/corpus/<target>/ for the next run.
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
case $seconds in '' | *[!0-9]* | 0) echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2 ;; esac

scripts/install-deps.sh

build=build-fuzz
cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

targets=(curl_mask login_answer dates cipher_text path_lists restore_point)
failed=0
for target in "${targets[@]}"; do
  work="$build/corpus/$target"
  artifacts="fuzz/artifacts/$target"
  mkdir -p "$work" "$artifacts"
  log="$build/$target.log"
  status=0
  # A hang counts as a crash (-timeout, seconds per input); the outer timeout is a last guard.
  timeout $((seconds + 120)) "$build/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ -z "$execs" ]; then  # the last progress line, when a crash cut the statistics short
    execs=$(sed -n 's/^#\([0-9][0-9]*\).*/\1/p' "$log" | tail -n 1)
  fi
  if [ "$status" -eq 0 ]; then
    echo "$target: ${execs:-0} execs, 0 crashes"
  else
    failed=$((failed + 1))
    input=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n 1)
    echo "$target: ${execs:-0} execs, 1 crash; input: ${input:-none saved (exit $status)}; log: $log"
    grep -E -m 3 -A 3 'property failed|ERROR: (AddressSanitizer|libFuzzer)|runtime error' "$log" | sed 's/^/  /' || true
  fi
done
echo "fuzz: $(( ${#targets[@]} - failed )) passed, $failed failed"
[ "$failed" -eq 0 ]
