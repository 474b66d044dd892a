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

# Inside the X server: start, wait for the form by condition, look at every window title, keep
# the picture. The form has shown once its caption names a year (the start-up read it) and two
# pictures in a row agree and are not blank (painting has ended); a message box ends the wait
# at once. The pause between looks is the poll step only; the count just gives up on a form
# that never comes.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$1" & pid=$!
  previous=""
  for _ in $(seq 1 1200); do
    windows=$(xwininfo -root -tree)
    grep -E -q "\"(Fehler !|FEHLER|Hinweis !)\"" <<<"$windows" && break
    if grep -q "Abrechnungsjahr: " <<<"$windows"; then
      import -window root "$2"
      current=$(md5sum <"$2")
      [ "$current" = "$previous" ] && [ "$(convert "$2" -format %k info:)" -ge 16 ] && break
      previous=$current
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  xwininfo -root -tree > "$3/windows.txt"
  import -window root "$2"
  kill "$pid" 2>/dev/null; wait "$pid" || true
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
