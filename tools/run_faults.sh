#!/usr/bin/env bash
# Breaks the code on purpose, one fault at a time, and checks that a test
# notices each (./build.sh faults installs what it needs and runs this):
#   tools/run_faults.sh [FAULTS_FILE [NAME_PART]]
# With NAME_PART only the faults whose names contain it are tried.
#
# FAULTS_FILE (tests/faults.txt by default) holds one fault per block in the
# format tools/blocks.sh describes, with one key of its own:
#   suite: windows
# The suite is linux (the default: every test but those labelled slow, in
# the sanitized test build) or windows (the Windows programs' tests, under
# Wine).
#
# Everything happens in a copy of the working tree's files, in
# build/faults/tree with builds of its own, so the working tree is never
# written to, whatever stops the run. The copy's suites that the faults to
# be tried name must pass before any fault is tried. Then each fault is
# applied, its suite's build rebuilt and run, and the file put back and
# rebuilt before the next. A fault is CAUGHT when the suite fails, MISSED
# when it passes, NOT BUILT when its build fails, TIMED OUT when its build
# or its run takes longer than TIDEWICK_FAULT_TIME_LIMIT seconds (600 by
# default). Prints a line per fault and 'caught N of M' last; exits 0 only
# when every fault was caught.
set -uo pipefail
cd "$(dirname "$0")/.."
. tools/blocks.sh
root=$PWD
list=$(realpath "${1:-tests/faults.txt}")
only=${2:-}
limit=${TIDEWICK_FAULT_TIME_LIMIT:-600}
tree=$root/build/faults/tree
logs=$root/build/faults/logs
trap 'exit 130' INT TERM

copy_tree "$tree"
mkdir -p "$logs"
ln -sfn "$root/build/freeglut-windows" "$tree/build/freeglut-windows"
cd "$tree" || exit 2

# The corpus test reads a folder outside the tree: left out here.
unset TIDEWICK_BMPSUITE_DIR
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
# Only what the suite runs is built: the fuzzer, the benchmarks, the soak and
# the gallery are not. One target at a time: make builds the targets of one
# call side by side, each with the libraries they share, and two links of one
# test program then collide.
build_suite() {
  case "$1" in
    linux)
      for target in view_test scene_test textures_test input_test reader_test e2e_test; do
        cmake --build --preset test --target "$target" || return
      done
      ;;
    windows) cmake --build --preset e2e && cmake --build --preset windows && cmake --build --preset windows-dll ;;
  esac
}
run_suite() {
  case "$1" in
    linux) GTEST_FAIL_FAST=1 xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset test -LE slow --stop-on-failure -j "$(nproc)" ;;
    windows) GTEST_FAIL_FAST=1 ctest --preset windows --stop-on-failure ;;
  esac
}
# Runs function $1 of suite $2 within the time limit; 124 when over it.
within_limit() {
  timeout -k 10 "$limit" bash -c "$(declare -f "$1"); $1 $2"
  local status=$?
  [ "$status" -eq 137 ] && return 124
  return "$status"
}

# Only the suites of the faults to be tried are built and checked, so that
# trying a few Linux faults needs neither MinGW nor Wine.
declare -A block needed
note_suite() {
  local name=${block[name]:-}
  [ -n "$only" ] && [[ $name != *"$only"* ]] && return
  needed[${block[suite]:-linux}]=1
}
for_each_block "$list" note_suite
suites=() presets=()
[ -n "${needed[linux]:-}" ] && suites+=(linux) presets+=(test)
[ -n "${needed[windows]:-}" ] && suites+=(windows) presets+=(e2e windows windows-dll)

echo "Building the copy in $tree"
for preset in "${presets[@]}"; do
  cmake --preset "$preset" >"$logs/configure-$preset.txt" 2>&1 ||
    { echo "run_faults: cmake --preset $preset failed; see $logs/configure-$preset.txt"; exit 2; }
done
for suite in "${suites[@]}"; do
  if ! build_suite "$suite" >"$logs/build-$suite.txt" 2>&1; then
    echo "run_faults: the code as it stands does not build ($suite); see $logs/build-$suite.txt"
    exit 2
  fi
  if ! run_suite "$suite" >"$logs/unbroken-$suite.txt" 2>&1; then
    echo "run_faults: the $suite suite fails without a fault; see $logs/unbroken-$suite.txt"
    exit 2
  fi
done

tried=0 caught=0
try_fault() {
  local name=${block[name]:-} suite=${block[suite]:-linux} verdict status=0 start=$SECONDS
  [ -n "$only" ] && [[ $name != *"$only"* ]] && return
  tried=$((tried + 1))
  if ! apply_block; then
    printf '%-12s %s (%s)\n' "BAD ENTRY" "$name" "$block_problem"
    return
  fi
  within_limit build_suite "$suite" >"$logs/fault.txt" 2>&1 || status=$?
  if [ "$status" -eq 124 ]; then
    verdict="TIMED OUT"
  elif [ "$status" -ne 0 ]; then
    verdict="NOT BUILT"
  else
    within_limit run_suite "$suite" >>"$logs/fault.txt" 2>&1 || status=$?
    case "$status" in
      0) verdict=MISSED ;;
      124) verdict="TIMED OUT" ;;
      *) verdict=CAUGHT caught=$((caught + 1)) ;;
    esac
  fi
  put_back
  if ! build_suite "$suite" >"$logs/put-back.txt" 2>&1; then
    echo "run_faults: after '$name' the code put back does not build; see $logs/put-back.txt"
    exit 2
  fi
  printf '%-12s %-60s %4d s\n' "$verdict" "$name" $((SECONDS - start))
  [ "$verdict" = CAUGHT ] || cp "$logs/fault.txt" "$logs/$(tr -c 'a-zA-Z0-9\n' - <<<"$name").txt"
}
for_each_block "$list" try_fault

echo "caught $caught of $tried"
[ "$caught" -eq "$tried" ]
