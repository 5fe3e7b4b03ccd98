#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, in the build tree's own Wine prefix and on
# the display that the test session started. Usage: run.sh BUILD_DIR PROGRAM.exe [ARGS...]
set -euo pipefail
build_dir=$1
shift
export WINEPREFIX="$build_dir/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -f "$build_dir/wine-session.env" ]; then
  # shellcheck disable=SC1091
  . "$build_dir/wine-session.env"
fi
exec wine "$@"
