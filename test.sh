#!/usr/bin/env bash
# Builds and runs every test, then the folders whose texts carry numbers and dates a second time
# under LC_ALL=de_DE.UTF-8 (no conversion may depend on the process locale). Options:
#   --sanitize   everything under AddressSanitizer + UndefinedBehaviorSanitizer (build-sanitize/)
#   -L LABEL     only the tests of one folder label (platform, db, zip, ...)
# The last line is ctest's summary (of both runs when either failed).
set -euo pipefail
cd "$(dirname "$0")"
source ./scripts_common.sh
riviza_install_packages
german=de_DE.UTF-8
riviza_ensure_locale "$german"
german_labels="platform|db|ui|net|office|app|costbearer|masterdata|maintenance|gui"

build=build
# Warnings are errors in this build (the one CI runs); a plain local build only shows them.
cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DRIVIZA_WERROR=ON)
ctest_args=()
label=""
while (($#)); do
  case "$1" in
    --sanitize) build=build-sanitize; cmake_args=(-DCMAKE_BUILD_TYPE=Debug -DRIVIZA_SANITIZE=ON -DRIVIZA_BENCHMARKS=OFF) ;;
    -L) shift; ctest_args+=(-L "$1"); label="$1" ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

cmake -S . -B "$build" -G Ninja "${cmake_args[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
summary() { grep -E 'tests passed|tests failed|No tests were found' "$1" | tail -1; }
set +e
ctest --test-dir "$build" -j"$(nproc)" --output-on-failure "${ctest_args[@]}" 2>&1 | tee "$build/ctest.log"
status=${PIPESTATUS[0]}
german_status=0
german_run=""
if [ -z "$label" ]; then german_run="$german_labels"
elif [[ "|$german_labels|" == *"|$label|"* ]]; then german_run="$label"
fi
if [ -n "$german_run" ]; then
  echo "Again under LC_ALL=$german: $german_run"
  LC_ALL="$german" LANG="$german" ctest --test-dir "$build" -j"$(nproc)" --output-on-failure \
    -L "^($german_run)\$" 2>&1 | tee "$build/ctest-german.log"
  german_status=${PIPESTATUS[0]}
fi
set -e
# ctest ends with its timing line; repeat the summaries so that the overall one is the last line.
if [ -n "$german_run" ]; then
  echo "under LC_ALL=$german: $(summary "$build/ctest-german.log")"
fi
if [ "$german_status" -ne 0 ] && [ "$status" -eq 0 ]; then
  echo "tests failed under LC_ALL=$german; $(summary "$build/ctest.log")"
  exit "$german_status"
fi
summary "$build/ctest.log"
exit "$status"
