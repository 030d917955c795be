#!/usr/bin/env bash
# One script for the two things a developer does with Tidewick:
#   ./build.sh run    install what is missing, build, and start the viewer
#   ./build.sh test   install what is missing, build with the sanitizers,
#                     run every test under a virtual X server and check that
#                     every C++ file is formatted
# Both are safe to repeat: packages already present are not touched and the
# builds are incremental.
set -euo pipefail
cd "$(dirname "$0")"

run_packages=(cmake make g++ freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri)
test_packages=("${run_packages[@]}" clang libclang-rt-14-dev clang-format googletest libgtest-dev libmd-dev
  libbenchmark-dev libstb-dev libx11-dev libxtst-dev libpng-dev libgif-dev xvfb xauth)

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

jobs=$(nproc)

case "${1:-}" in
  run)
    install_missing "${run_packages[@]}"
    cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTIDEWICK_TESTS=OFF >/dev/null
    cmake --build build/release -j "$jobs"
    if [ -z "${DISPLAY:-}" ]; then
      echo "tidewick needs an X display and DISPLAY is not set: run it from a desktop session (or over ssh -X)."
      exit 1
    fi
    # The viewer reads its pictures from the folder it starts in.
    cd build/release && exec ./tidewick
    ;;
  test)
    install_missing "${test_packages[@]}"
    cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DTIDEWICK_WERROR=ON -DTIDEWICK_SANITIZE=ON -DTIDEWICK_FUZZ=ON -DTIDEWICK_BENCH=ON \
      -DTIDEWICK_BMPSUITE_DIR="${TIDEWICK_BMPSUITE_DIR:-}" >/dev/null
    cmake --build build/test -j "$jobs"
    # Mesa, LLVM and freeglut keep some allocations for the life of the
    # process; the suppressions name those libraries only, never our code.
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    # Both always run, so a layout slip does not hide the tests' results;
    # either failing fails the command.
    status=0
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build/test --output-on-failure -j "$jobs" ||
      status=$?
    tools/check_format.sh || status=1
    exit "$status"
    ;;
  *)
    echo "usage: ./build.sh run | ./build.sh test" >&2
    exit 2
    ;;
esac
