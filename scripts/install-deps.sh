#!/usr/bin/env bash
# Installs, on a Debian machine, what building and running the Windows program on Linux needs:
# the mingw-w64 cross compiler (posix threads), Wine, Xvfb, CMake and GoogleTest's sources,
# nlohmann/json, and what the login tests start beside themselves: Python 3 with OpenSSL (the
# reference gateway), tinyproxy, unixODBC with the SQLite driver; and for the fuzz targets
# (scripts/fuzz.sh) clang with libFuzzer and the sanitizers' runtimes, and llvm-symbolizer for
# their stack traces.
# Package names given as arguments are installed too (scripts/package.sh asks for its tools so).
# Does nothing when everything is there already.
set -euo pipefail

packages=(
  cmake make
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine wine64
  xvfb xauth x11-utils
  googletest
  python3 openssl tinyproxy unixodbc odbcinst libsqliteodbc nlohmann-json3-dev
  clang libclang-rt-14-dev llvm-14
  "$@"
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done

sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# LAN logins under Wine: Wine's odbc32 hands every ODBC call to the host's unixODBC, which
# must know the SQLite driver by name. libsqliteodbc registers it when odbcinst is already
# there; this makes sure of it whatever the installation order was.
if ! odbcinst -q -d -n SQLite3 >/dev/null 2>&1; then
  $sudo odbcinst -i -d -f /usr/share/sqliteodbc/unixodbc.ini >/dev/null
fi
