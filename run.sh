#!/usr/bin/env bash
# Installs what is missing, builds, prepares the demo installation under demo/ and starts the
# program in its program folder (under Xvfb when there is no display).
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
cd demo/Programm
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" ../../build/src/gui/riviza "$@"
fi
exec ../../build/src/gui/riviza "$@"
