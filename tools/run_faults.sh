#!/usr/bin/env bash
# Breaks the code on purpose, one fault at a time, and checks that a test
# notices each (./build.sh faults installs what it needs and runs this):
#   tools/run_faults.sh [FAULTS_FILE [NAME_PART]]
# With NAME_PART only the faults whose names contain it are tried.
#
# FAULTS_FILE (tests/faults.txt by default) holds one fault per block, blocks
# separated by blank lines, lines starting with # ignored:
#   name:  up arrow walks backwards
#   file:  src/app/view_state.cpp
#   from:  eye[2] - std::cos(heading) * moveStep
#   to:    eye[2] + std::cos(heading) * moveStep
#   suite: windows
# 'from' must occur exactly once in 'file'; \n in 'from' or 'to' stands for a
# line break. The suite is linux (the default: every test but those labelled
# slow, in the sanitized test build) or windows (the end-to-end tests against
# tidewick.exe under Wine).
#
# Everything happens in a copy of the working tree's files, in
# build/faults/tree with builds of its own, so the working tree is never
# written to, whatever stops the run. The copy's suites must pass before any
# fault is tried. Then each fault is applied, its suite's build rebuilt and
# run, and the file put back and rebuilt before the next. A fault is CAUGHT
# when the suite fails, MISSED when it passes, NOT BUILT when its build
# fails, TIMED OUT when the build and run take longer than
# TIDEWICK_FAULT_TIME_LIMIT seconds (600 by default). Prints a line per fault
# and 'caught N of M' last; exits 0 only when every fault was caught.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
list=$(realpath "${1:-tests/faults.txt}")
only=${2:-}
limit=${TIDEWICK_FAULT_TIME_LIMIT:-600}
tree=$root/build/faults/tree
logs=$root/build/faults/logs
trap 'exit 130' INT TERM

# The copy: every file git knows of or would add, as the working tree has it.
# Its build folder stays between runs, so unchanged code is not rebuilt.
mkdir -p "$tree/build" "$logs"
find "$tree" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
  tar --null -T - -cf - | tar -xf - -C "$tree"
ln -sfn "$root/build/freeglut-windows" "$tree/build/freeglut-windows"
cd "$tree" || exit 2

export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
build_suite() {
  case "$1" in
    linux) cmake --build --preset test ;;
    windows) cmake --build --preset e2e && cmake --build --preset windows ;;
  esac
}
run_suite() {
  case "$1" in
    linux) xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset test -LE slow --stop-on-failure -j "$(nproc)" ;;
    windows) GTEST_FAIL_FAST=1 ctest --preset windows ;;
  esac
}

echo "Building the copy in $tree"
for preset in test e2e windows; do
  cmake --preset "$preset" >"$logs/configure-$preset.txt" 2>&1 ||
    { echo "run_faults: cmake --preset $preset failed; see $logs/configure-$preset.txt"; exit 2; }
done
for suite in linux windows; do
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
# Tries the fault held in name, file, from, to and suite.
try_fault() {
  [ -z "$file$from" ] && return
  [ -n "$only" ] && [[ $name != *"$only"* ]] && return
  tried=$((tried + 1))
  local verdict text before after start=$SECONDS status=0 suite=${suite:-linux}
  if [ ! -f "$file" ]; then
    printf '%-12s %s (no file %s)\n' "BAD ENTRY" "$name" "$file"
    return
  fi
  text=$(cat "$file" && printf x)
  text=${text%x}
  before=${text%%"$from"*}
  after=${text#*"$from"}
  if [ "$before" = "$text" ] || [[ $after == *"$from"* ]]; then
    printf '%-12s %s (its from: is not found exactly once in %s)\n' "BAD ENTRY" "$name" "$file"
    return
  fi
  printf '%s' "$before$to$after" >"$file"
  timeout -k 10 "$limit" bash -c "$(declare -f build_suite); build_suite $suite" >"$logs/fault.txt" 2>&1 ||
    status=$?
  if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    verdict="TIMED OUT"
  elif [ "$status" -ne 0 ]; then
    verdict="NOT BUILT"
  else
    timeout -k 10 "$limit" bash -c "$(declare -f run_suite); run_suite $suite" >>"$logs/fault.txt" 2>&1 ||
      status=$?
    case "$status" in
      0) verdict=MISSED ;;
      124 | 137) verdict="TIMED OUT" ;;
      *) verdict=CAUGHT caught=$((caught + 1)) ;;
    esac
  fi
  printf '%s' "$text" >"$file"
  if ! build_suite "$suite" >"$logs/put-back.txt" 2>&1; then
    echo "run_faults: after '$name' the code put back does not build; see $logs/put-back.txt"
    exit 2
  fi
  printf '%-12s %-60s %4d s\n' "$verdict" "$name" $((SECONDS - start))
  [ "$verdict" = CAUGHT ] || cp "$logs/fault.txt" "$logs/$(echo "$name" | tr -c 'a-zA-Z0-9\n' '-').txt"
}

name="" file="" from="" to="" suite=""
while IFS= read -r line || [ -n "$line" ]; do
  if [[ -z ${line//[[:space:]]/} ]]; then
    try_fault
    name="" file="" from="" to="" suite=""
    continue
  fi
  [[ $line =~ ^[[:space:]]*# ]] && continue
  key=${line%%:*}
  value=${line#*:}
  value=${value#"${value%%[![:space:]]*}"}
  value=${value%"${value##*[![:space:]]}"}
  value=${value//\\n/$'\n'}
  case "$key" in
    name) name=$value ;;
    file) file=$value ;;
    from) from=$value ;;
    to) to=$value ;;
    suite) suite=$value ;;
    *)
      echo "run_faults: unknown key in: $line" >&2
      exit 2
      ;;
  esac
done <"$list"
try_fault

echo "caught $caught of $tried"
[ "$caught" -eq "$tried" ]
