#!/usr/bin/env bash
# Builds the benchmarks with the mingw-w64 cross compiler and runs each of them under Wine;
# every benchmark prints one "name: value unit" line per figure. On a fresh Debian machine it
# first installs what is missing.
# Usage: scripts/bench.sh [BUILD_DIR]   (default ./build, the mingw preset's folder)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build_dir=$(realpath -m "${1:-build}")
cmake --preset mingw -B "$build_dir"
cmake --build "$build_dir" --target benchmarks -j "$(nproc)"

tools/wine/session.sh start "$build_dir"
trap 'tools/wine/session.sh stop "$build_dir"' EXIT
status=0
for bench in "$build_dir"/bin/*_bench.exe; do
  [ -e "$bench" ] || continue
  tools/wine/run.sh "$build_dir" "$bench" || status=1
done
exit $status
