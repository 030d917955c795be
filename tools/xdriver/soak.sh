#!/usr/bin/env bash
# The long soak of the real viewer under Xvfb (see tools/xdriver/soak.cpp):
#   tools/xdriver/soak.sh [FRAMES [SEED]]
#       AddressSanitizer and UBSan build, 50000 frames by default
#   tools/xdriver/soak.sh valgrind [FRAMES [SEED]]
#       plain build under valgrind's memcheck, 300 frames by default
# Each builds in a folder of its own under build/ and prints the soak's
# report; the exit status is the soak's (0 passed).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
jobs=$(nproc)

mode=asan
if [ "${1:-}" = valgrind ]; then
  mode=valgrind
  shift
fi

# Mesa's driver, loaded before the viewer starts: Mesa unloads it when the
# display closes, and the leak checkers then cannot tell its blocks from ours.
driver=$(find /usr/lib/*/dri /usr/lib/dri -name swrast_dri.so 2>/dev/null | head -n 1 || true)

if [ "$mode" = asan ]; then
  frames=${1:-50000}
  seed=${2:-1}
  build=build/soak
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTIDEWICK_SANITIZE=ON -DTIDEWICK_TESTS=ON >/dev/null
  cmake --build "$build" -j "$jobs" --target soak tidewick town_pictures >/dev/null
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
  export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  env=()
  [ -n "$driver" ] && env=(--env "LD_PRELOAD=$driver")
  exec "$build/tools/xdriver/soak" --viewer "$build/tidewick" --pictures "$build" \
    --frames "$frames" --seed "$seed" "${env[@]}"
fi

frames=${1:-300}
seed=${2:-1}
build=build/soak-valgrind
command -v valgrind >/dev/null || { echo "valgrind is not installed (apt-get install valgrind)"; exit 1; }
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIDEWICK_SANITIZE=OFF \
  -DTIDEWICK_TESTS=ON >/dev/null
cmake --build "$build" -j "$jobs" --target soak tidewick town_pictures >/dev/null

# The soak starts a program without arguments, so valgrind comes in through
# a script that replaces itself with it; the pid stays the viewer's.
log=$root/$build/valgrind.log
wrapper=$root/$build/tidewick-under-valgrind
cat >"$wrapper" <<EOF
#!/bin/sh
exec valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite \\
  --errors-for-leak-kinds=definite --error-exitcode=99 --keep-debuginfo=yes \\
  --num-callers=40 --suppressions=$root/tools/xdriver/soak.supp --log-file=$log \\
  $root/$build/tidewick
EOF
chmod +x "$wrapper"

status=0
"$build/tools/xdriver/soak" --viewer "$wrapper" --pictures "$build" --frames "$frames" \
  --seed "$seed" --no-rss --time-limit 3000 || status=$?
echo
echo "valgrind's summary ($log):"
sed -n '/HEAP SUMMARY/,$p' "$log" | sed 's/^==[0-9]*== //'
exit "$status"
