#!/usr/bin/env bash
# One script for what a developer does with Tidewick:
#   ./build.sh run      install what is missing, build, and start the viewer
#   ./build.sh test     install what is missing, build with the sanitizers,
#                       run every test under a virtual X server and check that
#                       every C++ file is formatted
#   ./build.sh windows  build tidewick.exe and its pictures into build/windows
#                       with MinGW-w64 and run the end-to-end tests against it
#                       under Wine
#   ./build.sh faults   build both, then break the code one fault at a time
#                       from tests/faults.txt and check that a test catches
#                       each (tools/run_faults.sh)
# All are safe to repeat: packages already present are not touched and the
# builds are incremental. tools/run_faults.sh also calls two quiet commands
# that rebuild and rerun one suite, stopping at the first failure:
#   ./build.sh retest-linux | ./build.sh retest-windows
set -euo pipefail
cd "$(dirname "$0")"

run_packages=(cmake make g++ freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri)
test_packages=("${run_packages[@]}" clang libclang-rt-14-dev clang-format googletest libgtest-dev libmd-dev
  libbenchmark-dev libstb-dev libx11-dev libxtst-dev libpng-dev libgif-dev xvfb xauth)
windows_packages=(g++-mingw-w64-x86-64-posix wine wine64)

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

# docs/gallery was drawn by Debian 12's Mesa, and another Mesa may round a
# pixel differently, so only there is it checked against the viewer.
gallery_check=OFF
if [ "$(. /etc/os-release && echo "$ID $VERSION_ID")" = "debian 12" ]; then gallery_check=ON; fi

# The sanitized test build that ./build.sh test runs and ./build.sh windows
# takes its end-to-end tests from.
configure_tests() {
  cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTIDEWICK_TESTS=ON \
    -DTIDEWICK_WERROR=ON -DTIDEWICK_SANITIZE=ON -DTIDEWICK_FUZZ=ON -DTIDEWICK_BENCH=ON \
    -DTIDEWICK_BMPSUITE_DIR="${TIDEWICK_BMPSUITE_DIR:-}" -DTIDEWICK_GALLERY_CHECK="$gallery_check" >/dev/null
}

# Mesa, LLVM and freeglut keep some allocations for the life of the
# process; the suppressions name those libraries only, never our code.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Wine keeps its own Windows folder tree, here rather than in ~/.wine.
export WINEPREFIX=$PWD/build/wine WINEDEBUG=-all

# freeglut for Windows, built once from Debian's own source package into
# build/freeglut-windows. The source comes through a private apt source list
# and lists folder, made from the deb entries of this machine's own
# configuration for its release, which stays untouched.
build_freeglut_for_windows() {
  local root=$PWD/build/freeglut-windows
  [ -f "$root/install/lib/libglut.a" ] && return
  local release
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  rm -rf "$root" && mkdir -p "$root/apt/parts" "$root/apt/lists/partial" "$root/apt/cache" "$root/src"
  if [ -f /etc/apt/sources.list ]; then
    awk -v rel="$release" '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i == rel) { $1 = "deb-src"; print; next } }' \
      /etc/apt/sources.list >"$root/apt/parts/machine.list"
  fi
  local stanzas=(/etc/apt/sources.list.d/*.sources)
  if [ -e "${stanzas[0]}" ]; then
    awk -v rel="$release" 'BEGIN { RS = ""; ORS = "\n\n" }
      { keep = 0; n = split($0, line, "\n")
        for (i = 1; i <= n; i++) if (line[i] ~ /^Suites:/) {
          m = split(line[i], word, /[ \t]+/); for (k = 2; k <= m; k++) if (word[k] == rel) keep = 1 }
        if (keep) { sub(/Types:[^\n]*/, "Types: deb-src"); print } }' \
      "${stanzas[@]}" >"$root/apt/parts/machine.sources"
  fi
  local private=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$root/apt/parts"
    -o Dir::State::Lists="$root/apt/lists" -o Dir::Cache="$root/apt/cache" -o APT::Sandbox::User="$(id -un)")
  echo "Fetching freeglut's source package"
  apt-get -qq "${private[@]}" update
  (cd "$root/src" && apt-get -qq "${private[@]}" source --download-only freeglut >/dev/null)
  tar -xzf "$root"/src/freeglut_*.orig.tar.gz -C "$root/src"
  echo "Building freeglut for Windows"
  cmake -S "$root"/src/freeglut-*/ -B "$root/build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DCMAKE_INSTALL_PREFIX="$root/install" \
    -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
    -DFREEGLUT_REPLACE_GLUT=ON >/dev/null
  cmake --build "$root/build" -j "$jobs" >/dev/null 2>&1
  cmake --install "$root/build" >/dev/null
}

configure_windows() {
  local glut=$PWD/build/freeglut-windows/install
  cmake -S . -B build/windows -DCMAKE_BUILD_TYPE=Release -DTIDEWICK_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_FIND_ROOT_PATH="$glut" -DCMAKE_PREFIX_PATH="$glut" >/dev/null
}

build_windows() {
  cmake --build build/windows -j "$jobs" "$@"
  # The painter may have run under Wine with no display; Wine's desktop
  # process, started then, would refuse the viewer its window.
  wineserver -k 2>/dev/null || true
}

# The end-to-end tests of build/test, run against tidewick.exe under Wine.
# Mesa's driver is loaded before each program starts, as in the tests'
# CTest settings (see tests/CMakeLists.txt).
run_windows_tests() {
  local driver status=0
  driver=$(find /usr/lib/*/dri /usr/lib/dri -name swrast_dri.so 2>/dev/null | head -n 1 || true)
  TIDEWICK_VIEWER=$PWD/build/windows/tidewick.exe LD_PRELOAD=$driver build/test/tests/e2e_test "$@" ||
    status=$?
  wineserver -k 2>/dev/null || true
  return "$status"
}

# Every test under a virtual X server but the minute of fuzzing, the
# gallery's two minutes, and the soak, whose size check wants a quiet
# machine.
run_linux_tests() {
  xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build/test -j "$jobs" \
    -E 'bmp_fuzz|gallery_|soak_short' "$@"
}

case "${1:-}" in
  run)
    install_missing "${run_packages[@]}"
    cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build/release -j "$jobs"
    if [ -z "${DISPLAY:-}" ]; then
      echo "tidewick needs an X display and DISPLAY is not set: run it from a desktop session (or over ssh -X)."
      exit 1
    fi
    cat <<'EOF'
Tidewick's controls (each with a picture and its GL in docs/controls.md):
  arrow keys         walk forward and back, turn left and right
  left-button drag   tilt and turn the town; letting go sets the sun and moon circling,
                     pressing the button again stops them
  z / x              zoom in / out
  p                  perspective / orthographic
  d                  depth test off / on
  t                  texturing off / on; the scene turns it back on as it draws, so only
                     a press that turns it off shows, as one flat frame
  m / r              filtering / wrapping of the large house, the ground and the near strip
  c / f              texture environment / front face; neither changes the picture
  close the window   quit (no key quits)
EOF
    # The viewer reads its pictures from the folder it starts in.
    cd build/release && exec ./tidewick
    ;;
  test)
    install_missing "${test_packages[@]}"
    [ "$gallery_check" = ON ] ||
      echo "Not Debian 12: the check of docs/gallery against the viewer is left out (another Mesa may draw other bytes)."
    configure_tests
    cmake --build build/test -j "$jobs"
    # Both always run, so a layout slip does not hide the tests' results;
    # either failing fails the command.
    status=0
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build/test --output-on-failure -j "$jobs" ||
      status=$?
    tools/check_format.sh || status=1
    exit "$status"
    ;;
  windows)
    install_missing "${test_packages[@]}" "${windows_packages[@]}"
    configure_tests
    cmake --build build/test -j "$jobs" --target e2e_test
    build_freeglut_for_windows
    configure_windows
    build_windows
    run_windows_tests
    ;;
  faults)
    install_missing "${test_packages[@]}" "${windows_packages[@]}"
    configure_tests
    cmake --build build/test -j "$jobs"
    build_freeglut_for_windows
    configure_windows
    build_windows
    exec tools/run_faults.sh tests/faults.txt
    ;;
  retest-linux)
    cmake --build build/test -j "$jobs" >/dev/null 2>&1 || exit 125
    run_linux_tests --stop-on-failure >/dev/null 2>&1
    ;;
  retest-windows)
    build_windows >/dev/null 2>&1 || exit 125
    run_windows_tests --gtest_fail_fast >/dev/null 2>&1
    ;;
  *)
    echo "usage: ./build.sh run | test | windows | faults" >&2
    exit 2
    ;;
esac
