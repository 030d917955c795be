#!/usr/bin/env bash
# The test command for tests/faults.txt: the sanitized test build as
# ./build.sh test makes it, every test but the minute of fuzzing and the
# soak (its resident-size check wants a quiet machine), stopping
# at the first failure. Extra arguments go to CTest.
set -uo pipefail
cd "$(dirname "$0")/.."
cmake --build build/test -j "$(nproc)" >/dev/null 2>&1 || exit 1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build/test -j "$(nproc)" -E 'bmp_fuzz|soak_short' \
  --stop-on-failure "$@"
