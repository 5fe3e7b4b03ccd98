#!/usr/bin/env bash
# Starts and stops what the Windows programs of a build need around a test or bench run:
# the Wine prefix inside the build tree (made once), a persistent wineserver, and an X
# display (Xvfb) when none is usable. Usage: session.sh start|stop BUILD_DIR
set -euo pipefail
action=$1
build_dir=$(cd "$2" && pwd)
env_file="$build_dir/wine-session.env"
export WINEPREFIX="$build_dir/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

display_works() { [ -n "${1:-}" ] && xdpyinfo -display "$1" >/dev/null 2>&1; }

start() {
  local display=${DISPLAY:-}
  # A display this build's session started earlier and still runs.
  if ! display_works "$display" && [ -f "$env_file" ]; then
    display=$(sed -n 's/^export DISPLAY=//p' "$env_file")
  fi
  if ! display_works "$display"; then
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    setsid Xvfb ":$n" -screen 0 2560x1600x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    echo $! >"$build_dir/xvfb.pid"
    display=":$n"
    for _ in $(seq 50); do display_works "$display" && break; sleep 0.1; done
  fi
  echo "export DISPLAY=$display" >"$env_file"
  export DISPLAY=$display
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot --init </dev/null >/dev/null 2>&1 || true
    wineserver --wait
  fi
  # Detached from ctest's pipes, or ctest would wait for the server to end.
  # A server already running for this prefix (an earlier start) answers 2: keep that one.
  setsid wineserver --persistent </dev/null >/dev/null 2>&1 || [ $? -eq 2 ]
  # Wine's own services start with the first program and outlive it; start them here, away from
  # ctest's output pipes, which they would otherwise hold open until the session ends.
  setsid wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
  # No window manager runs on the test display: Wine would wait two seconds for one each time a
  # window hides. Unmanaged windows are shown and hidden at once.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1 || true
}

stop() {
  wineserver --kill >/dev/null 2>&1 || true
  if [ -f "$build_dir/xvfb.pid" ]; then
    kill "$(cat "$build_dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$build_dir/xvfb.pid"
  fi
  rm -f "$env_file"
}

case $action in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop BUILD_DIR" >&2; exit 2 ;;
esac
