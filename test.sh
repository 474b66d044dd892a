#!/usr/bin/env bash
# Builds and runs every test. Options:
#   --sanitize   everything under AddressSanitizer + UndefinedBehaviorSanitizer (build-sanitize/)
#   -L LABEL     only the tests of one folder label (platform, db, zip, ...)
# The last line is ctest's summary.
set -euo pipefail
cd "$(dirname "$0")"
source ./scripts_common.sh
riviza_install_packages

build=build
cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
ctest_args=()
while (($#)); do
  case "$1" in
    --sanitize) build=build-sanitize; cmake_args=(-DCMAKE_BUILD_TYPE=Debug -DRIVIZA_SANITIZE=ON -DRIVIZA_BENCHMARKS=OFF) ;;
    -L) shift; ctest_args+=(-L "$1") ;;
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
set +e
ctest --test-dir "$build" -j"$(nproc)" --output-on-failure "${ctest_args[@]}" 2>&1 | tee "$build/ctest.log"
status=${PIPESTATUS[0]}
set -e
# ctest ends with its timing line; repeat the summary so that it is the last line.
grep -E 'tests passed|tests failed|No tests were found' "$build/ctest.log" | tail -1
exit "$status"
