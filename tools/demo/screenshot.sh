#!/usr/bin/env bash
# screenshot.sh RIVIZA_DEMO RIVIZA OUT.png: builds a fresh demo installation in a temporary
# folder, starts the program in its program folder on an X server of its own (xvfb-run), as
# ./run.sh does, and keeps a picture of the screen in OUT.png. Fails unless the settings form
# shows with the demo year in its caption and no message box came up.
set -euo pipefail
demo_tool=$(realpath "$1") program=$(realpath "$2") out=$(realpath -m "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$(dirname "$out")" "$work/run"
chmod 700 "$work/run"
"$demo_tool" "$work/demo" >/dev/null
export WINEPREFIX="$work/demo/wineprefix" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
year=$(date +%Y)
cd "$work/demo/Programm"

# Inside the X server: start, wait for the window, look at every window title, take the picture.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$1" & pid=$!
  for _ in $(seq 1 150); do
    xwininfo -root -tree | grep -q "Riviza Abrechnung nach" && break
    sleep 0.1
  done
  sleep 1.5
  xwininfo -root -tree > "$3/windows.txt"
  import -window root "$2"
  kill "$pid"; wait "$pid" || true
' _ "$program" "$out" "$work"

titles=$(grep -o '"[^"]*"' "$work/windows.txt" || true)
if ! grep -q "Riviza Abrechnung nach .* / Abrechnungsjahr: $year" <<<"$titles"; then
  echo "the settings form with the year $year did not show; windows:" >&2
  echo "$titles" >&2
  exit 1
fi
if grep -E -q '"(Fehler !|FEHLER|Hinweis !)"' <<<"$titles"; then
  echo "a message box came up at start:" >&2
  echo "$titles" >&2
  exit 1
fi
colours=$(convert "$out" -format %k info:)
if [ "$colours" -lt 16 ]; then
  echo "the picture is blank ($colours colours)" >&2
  exit 1
fi
grep -o '"  Riviza Abrechnung nach[^"]*"' <<<"$titles" | head -1
echo "picture: $out ($colours colours)"
