#!/usr/bin/env bash
# Installs what is missing, builds, prepares the demo installation under demo/ and starts the
# program in its program folder (under Xvfb when there is no display: then it says so, keeps a
# picture of the window in build/artifacts/run-window.png and closes the program on Ctrl+C).
set -euo pipefail
cd "$(dirname "$0")"
source ./scripts_common.sh
riviza_install_packages

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

if [ ! -x build/src/gui/riviza ]; then
  echo "The window is not part of this build yet; the libraries and tests are built." >&2
  exit 0
fi
if [ -x build/tools/demo/riviza-demo ] && [ ! -d demo ]; then
  build/tools/demo/riviza-demo demo
fi
export WINEPREFIX="$PWD/demo/wineprefix"
shot="$PWD/build/artifacts/run-window.png"
cd demo/Programm
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  mkdir -p "$(dirname "$shot")"
  echo "No display found: the window runs on an invisible X display (Xvfb)."
  echo "A picture of it is saved as $shot once it shows."
  echo "Stop it with Ctrl+C: it closes as \"Beenden\" does (Temp emptied, the year's lock released)."
  # The display runs in a session of its own, out of reach of Ctrl+C (an X server ends on
  # SIGINT and would take the window away mid-close); this shell passes the stop to the program
  # and waits until it has closed and the display is gone.
  pidfile=$(mktemp)
  setsid xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    program=$1 shot=$2 pidfile=$3
    shift 3
    "$program" "$@" &
    pid=$!
    echo "$pid" > "$pidfile"
    for _ in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || break
      xwininfo -root -tree 2>/dev/null | grep -q "Riviza Abrechnung" && break
      sleep 0.1
    done
    sleep 1
    kill -0 "$pid" 2>/dev/null && import -window root "$shot" && echo "Picture of the window: $shot"
    wait "$pid"
  ' _ ../../build/src/gui/riviza "$shot" "$pidfile" "$@" &
  runner=$!
  trap 'kill -TERM "$(cat "$pidfile")" 2>/dev/null' INT TERM HUP
  status=0
  while kill -0 "$runner" 2>/dev/null; do
    status=0
    wait "$runner" || status=$?  # a stop interrupts the wait; the loop waits on for the close
  done
  rm -f "$pidfile"
  exit "$status"
fi
exec ../../build/src/gui/riviza "$@"
