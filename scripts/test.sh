#!/usr/bin/env bash
# Builds Configure PLAXOR with the mingw-w64 cross compiler and runs every test under Wine.
# On a fresh Debian machine it first installs what is missing. Usage: scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

preset=mingw
[ -n "${CI:-}" ] && preset=ci
cmake --preset "$preset"
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset" -j "$(nproc)"
