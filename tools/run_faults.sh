#!/usr/bin/env bash
# Breaks the code on purpose, one fault at a time, and checks that a test
# notices each (./build.sh faults installs what it needs and runs this):
#   tools/run_faults.sh [FAULTS_FILE [NAME_PART]]
# With NAME_PART only the faults whose names contain it are tried.
#
# FAULTS_FILE (tests/faults.txt by default) holds one fault per block in the
# format tools/blocks.sh describes, with two keys of its own:
#   suite: windows
#   tests: ^(BmpReader|ByteOrder)\.|^e2e$
# The suite is linux (the default: every test but those labelled slow, in
# the sanitized test build) or windows (the Windows programs' tests, under
# Wine). tests, a CTest regular expression (ctest -R), names the tests of
# the suite that can catch the fault: only they run, and only what they use
# is rebuilt (the test programs they run; the Windows builds whose folders
# they read). Without it the whole suite runs.
#
# Everything happens in a copy of the working tree's files, in
# build/faults/tree with builds of its own, so the working tree is never
# written to, whatever stops the run. The suites of the faults to be tried
# are built, and the tests those faults name must pass before any fault is
# tried. Then each fault is applied, what its tests use rebuilt and they
# run, and the file put back; the next fault's build undoes this one's. A
# fault is CAUGHT when a test fails, MISSED when they pass, NOT BUILT when
# its build fails, TIMED OUT when its build or its run takes longer than
# TIDEWICK_FAULT_TIME_LIMIT seconds (600 by default), BAD ENTRY when its
# block does not apply or its tests name no test. Prints a line per fault
# and 'caught N of M' last; exits 0 only when every fault was caught.
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
# Only what the suites run is built: the fuzzer, the benchmarks, the soak
# and the gallery are not. The linux suite's builds are its test programs,
# built one at a time: make builds the targets of one call side by side,
# each with the libraries they share, and two links of one test program then
# collide. The windows suite's are the Windows builds, after e2e, which
# holds the test runner and the painter they take the pictures from.
linux_builds="view_test scene_test textures_test input_test reader_test e2e_test"
windows_builds="e2e windows windows-dll"
build_suite() {
  local suite=$1 build
  for build in "${@:2}"; do
    case "$suite" in
      linux) cmake --build --preset test --target "$build" ;;
      windows) cmake --build --preset "$build" ;;
    esac || return
  done
}
# Runs suite $1's tests that match regular expression $2, or all of them
# when $2 is empty, until the first failure.
run_suite() {
  case "$1" in
    linux) GTEST_FAIL_FAST=1 xvfb-run -a -s "-screen 0 1280x1024x24" \
      ctest --preset test -LE slow ${2:+-R "$2"} --stop-on-failure -j "$(nproc)" ;;
    windows) GTEST_FAIL_FAST=1 ctest --preset windows ${2:+-R "$2"} --stop-on-failure ;;
  esac
}
# Prints CTest's account (-N -V) of suite $1's tests that match regular
# expression $2.
describe_tests() {
  case "$1" in
    linux) ctest --preset test -N -V -LE slow -R "$2" ;;
    windows) ctest --preset windows -N -V -R "$2" ;;
  esac
}
# Prints which of suite $1's builds its tests that match regular expression
# $2 use, or all of them when $2 is empty: a test program when a test runs
# it, a Windows build when a test reads its folder or a file in it. Fails
# when $2 names no test.
builds_for() {
  local all=$linux_builds described build
  [ "$1" = windows ] && all=$windows_builds
  if [ -z "$2" ]; then
    echo "$all"
    return
  fi
  described=$(describe_tests "$1" "$2")
  grep -q '^ *Test *#' <<<"$described" || return
  for build in $all; do
    case "$1" in
      linux) grep -q "^[0-9]*: Test command: [^ ]*/$build\( \|$\)" <<<"$described" ;;
      windows) [ "$build" = e2e ] || grep -qE "/build/$build([/\" ]|$)" <<<"$described" ;;
    esac && echo "$build"
  done
  return 0
}
# Prints one regular expression for the names of suite $1's tests that the
# expressions on the lines of $2 match. CTest's expressions hold at most
# nine groups, too few to join the faults' own, and one that holds more
# matches nothing.
names_matching() {
  local expression
  while IFS= read -r expression; do
    describe_tests "$1" "$expression" | sed -n 's/^ *Test *#[0-9]*: //p'
  done < <(sort -u <<<"$2") | sort -u | sed 's/[^[:alnum:]_]/\\&/g; s/.*/^&$/' | paste -sd '|'
}
# Runs function $1 with the arguments that follow within the time limit;
# 124 when over it.
within_limit() {
  timeout -k 10 "$limit" bash -c "$(declare -f "$1"); \"\$@\"" _ "$@"
  local status=$?
  [ "$status" -eq 137 ] && return 124
  return "$status"
}
# Runs suite $1's tests as run_suite does, within the time limit, and ends
# the run at the first test that CTest reports failed ('***Failed' and the
# like), with everything it started. --stop-on-failure alone starts no more
# tests but waits for those running, and the viewer's run from end to end
# takes longer than the unit tests that catch most faults beside it.
run_until_failure() {
  local output pid status
  output=$(mktemp) || return
  # timeout runs the tests in a process group of its own, and a TERM sent
  # to it ends that whole group.
  timeout -k 10 "$limit" bash -c "$(declare -f run_suite); run_suite \"\$@\"" _ "$@" \
    >"$output" 2>&1 &
  pid=$!
  # Not a pipeline: that would wait for tail, which waits for the tests.
  if grep -q -m 1 '\*\*\*' < <(tail -n +1 -s 0.2 -f --pid="$pid" "$output"); then
    kill "$pid" 2>/dev/null
  fi
  wait "$pid"
  status=$?
  cat "$output"
  rm -f "$output"
  [ "$status" -eq 137 ] && return 124
  return "$status"
}

# Only the suites of the faults to be tried are built and checked, so that
# trying a few Linux faults needs neither MinGW nor Wine; and only the tests
# those faults name are run unbroken: needed[SUITE] is all when one of them
# names none, else their regular expressions, one a line.
# A fault's build is undone by the next one's, and the last one's by none:
# the copy takes the working tree's file times, older than that build, so
# every file a fault changes is touched, to be built again as it stands.
declare -A block needed
note_suite() {
  local name=${block[name]:-} suite=${block[suite]:-linux} tests=${block[tests]:-}
  [ -f "${block[file]:-}" ] && touch "${block[file]}"
  [ -f "${block[file2]:-}" ] && touch "${block[file2]}"
  [ -n "$only" ] && [[ $name != *"$only"* ]] && return
  if [ -z "$tests" ]; then
    needed[$suite]=all
  elif [ "${needed[$suite]:-}" != all ]; then
    needed[$suite]+="${needed[$suite]:+$'\n'}$tests"
  fi
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
  # shellcheck disable=SC2046 # one word per build
  if ! build_suite "$suite" $(builds_for "$suite" "") >"$logs/build-$suite.txt" 2>&1; then
    echo "run_faults: the code as it stands does not build ($suite); see $logs/build-$suite.txt"
    exit 2
  fi
  unbroken=
  [ "${needed[$suite]}" != all ] && unbroken=$(names_matching "$suite" "${needed[$suite]}")
  if ! run_suite "$suite" "$unbroken" >"$logs/unbroken-$suite.txt" 2>&1; then
    echo "run_faults: the $suite suite fails without a fault; see $logs/unbroken-$suite.txt"
    exit 2
  fi
done

tried=0 caught=0
try_fault() {
  local name=${block[name]:-} suite=${block[suite]:-linux} tests=${block[tests]:-}
  local builds verdict status=0 start=$SECONDS
  [ -n "$only" ] && [[ $name != *"$only"* ]] && return
  tried=$((tried + 1))
  if ! builds=$(builds_for "$suite" "$tests"); then
    printf '%-12s %s (its tests: name no test of the %s suite)\n' "BAD ENTRY" "$name" "$suite"
    return
  fi
  if ! apply_block; then
    printf '%-12s %s (%s)\n' "BAD ENTRY" "$name" "$block_problem"
    return
  fi
  # shellcheck disable=SC2086 # one word per build
  within_limit build_suite "$suite" $builds >"$logs/fault.txt" 2>&1 || status=$?
  if [ "$status" -eq 124 ]; then
    verdict="TIMED OUT"
  elif [ "$status" -ne 0 ]; then
    verdict="NOT BUILT"
  else
    run_until_failure "$suite" "$tests" >>"$logs/fault.txt" 2>&1 || status=$?
    case "$status" in
      0) verdict=MISSED ;;
      124) verdict="TIMED OUT" ;;
      *) verdict=CAUGHT caught=$((caught + 1)) ;;
    esac
  fi
  put_back
  printf '%-12s %-60s %4d s\n' "$verdict" "$name" $((SECONDS - start))
  [ "$verdict" = CAUGHT ] || cp "$logs/fault.txt" "$logs/$(tr -c 'a-zA-Z0-9\n' - <<<"$name").txt"
}
for_each_block "$list" try_fault

echo "caught $caught of $tried"
[ "$caught" -eq "$tried" ]
