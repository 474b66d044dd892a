#!/usr/bin/env bash
# The clang-tidy check of our own code (the CTest test `tidy`): every translation unit of src/
# and tools/ in the build's compile_commands.json, with the checks of .clang-tidy and our own
# headers, JOBS at a time. Any finding fails the test; the findings of all files are printed.
#   tidy.sh SOURCE_DIR BUILD_DIR JOBS
set -uo pipefail
src="$1" build="$2" jobs="$3"
files=$(python3 - "$src" "$build/compile_commands.json" <<'PY'
import json, sys
root = sys.argv[1].rstrip('/') + '/'
units = {c['file'] for c in json.load(open(sys.argv[2]))}
print('\n'.join(sorted(f for f in units if f.startswith((root + 'src/', root + 'tools/')))))
PY
) || { echo "compile_commands.json nicht lesbar in $build"; exit 2; }
[ -n "$files" ] || { echo "keine Übersetzungseinheit unter $src/src und $src/tools"; exit 2; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# One output file per unit, so that parallel runs never interleave their findings.
printf '%s\n' "$files" | xargs -P "$jobs" -I{} sh -c \
  'clang-tidy -p "$1" --quiet --header-filter="^$2/(src|tools)/" "$3" >"$4/$(printf %s "$3" | tr / _)" 2>&1 || echo "$3" >>"$4/failed"' \
  sh "$build" "$src" {} "$out"
count=$(printf '%s\n' "$files" | wc -l)
if [ -s "$out/failed" ]; then
  cat "$out"/_*
  echo "clang-tidy: Befunde in $(sort -u "$out/failed" | wc -l) von $count Übersetzungseinheiten"
  exit 1
fi
echo "clang-tidy: $count Übersetzungseinheiten ohne Befund"
