#!/usr/bin/env bash
# Breaks the code on purpose, one fault at a time, and checks that a test
# notices each. Run by ./build.sh faults, which builds everything first:
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
# line break. The fault is applied, the suite rebuilt and run (linux, the
# default: ./build.sh retest-linux; windows: ./build.sh retest-windows, the
# end-to-end tests against the Windows program), and the file put back, even
# on Ctrl-C. A fault is caught when the suite fails. One that does not build
# is reported as such and counts as a fault of the list, not as caught.
# Prints a line per fault and 'caught N of M' last; exits 0 when every fault
# was caught.
set -uo pipefail
cd "$(dirname "$0")/.."

list=${1:-tests/faults.txt}
only=${2:-}

backup=$(mktemp)
current=""
put_back() {
  if [ -n "$current" ]; then
    cp "$backup" "$current"
    current=""
  fi
}
trap 'put_back; rm -f "$backup"' EXIT
trap 'exit 130' INT TERM

tried=0
caught=0
problems=0

# Tries the fault held in name, file, from, to and suite.
try_fault() {
  [ -z "$file$from" ] && return
  [ -n "$only" ] && [[ $name != *"$only"* ]] && return
  tried=$((tried + 1))
  if [ ! -f "$file" ]; then
    printf '%-12s %s (no file %s)\n' "BAD ENTRY" "$name" "$file"
    problems=$((problems + 1))
    return
  fi
  local text before after
  text=$(cat "$file" && printf x)
  text=${text%x}
  before=${text%%"$from"*}
  after=${text#*"$from"}
  if [ "$before" = "$text" ] || [[ $after == *"$from"* ]]; then
    printf '%-12s %s (its from: is not found exactly once in %s)\n' "BAD ENTRY" "$name" "$file"
    problems=$((problems + 1))
    return
  fi
  cp "$file" "$backup"
  current=$file
  printf '%s' "$before$to$after" >"$file"
  local start=$SECONDS status=0
  ./build.sh "retest-${suite:-linux}" || status=$?
  put_back
  touch "$file"
  local verdict=CAUGHT
  if [ "$status" -eq 125 ]; then
    verdict="NOT BUILT"
    problems=$((problems + 1))
  elif [ "$status" -eq 0 ]; then
    verdict=MISSED
  else
    caught=$((caught + 1))
  fi
  printf '%-12s %-60s %4d s\n' "$verdict" "$name" $((SECONDS - start))
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
[ "$caught" -eq "$tried" ] && [ "$problems" -eq 0 ]
