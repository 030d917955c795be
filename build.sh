#!/usr/bin/env bash
# The front door: installs what is missing with apt, then calls CMake's
# presets (CMakePresets.json), which hold the build itself.
#   ./build.sh run      build the viewer and its pictures, and start it
#   ./build.sh test     build with the sanitizers, run every test under a
#                       virtual X server, check that the C++ is formatted
#   ./build.sh windows  build tidewick.exe with MinGW-w64, static and with
#                       DLLs, zip the static one for a class, and test both
#                       and the zip under Wine
#   ./build.sh zip      only the zip for a class, without Wine, Chromium or
#                       a test: the same bytes as the one windows tests
#   ./build.sh faults   break the code one fault of tests/faults.txt at a
#                       time and check that a test catches each
# Each is safe to repeat: packages present are left alone, builds are
# incremental.
set -euo pipefail
cd "$(dirname "$0")"

run_packages=(cmake make g++ freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri)
test_packages=("${run_packages[@]}" clang libclang-rt-dev clang-format googletest libgtest-dev libmd-dev
  libbenchmark-dev libstb-dev libx11-dev libxtst-dev libpng-dev libgif-dev xvfb xauth python3 graphviz
  fonts-dejavu-core)
zip_packages=("${run_packages[@]}" g++-mingw-w64-x86-64-posix pandoc python3)
windows_packages=("${test_packages[@]}" "${zip_packages[@]}" wine wine64 libxml2-utils chromium chromium-driver
  python3-selenium poppler-utils)

install_missing() {
  local missing=() sudo=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
export CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$(nproc)}

build() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1" "${@:2}"; }

# A teacher compares this line with a colleague's: the same source gives the
# same zip, byte for byte.
print_zip() {
  local zip
  zip=$(echo "$1"/Tidewick-*-windows-x64.zip)
  echo "The zip for a class: $zip"
  echo "Its SHA-256: $(sha256sum "$zip" | cut -d ' ' -f 1)"
}

case "${1:-}" in
  run)
    install_missing "${run_packages[@]}"
    build release
    if [ -z "${DISPLAY:-}" ]; then
      echo "tidewick needs an X display and DISPLAY is not set: run it from a desktop session (or over ssh -X)."
      exit 1
    fi
    echo "Tidewick: the arrow keys walk and turn, a left drag tilts the town, z and x zoom;"
    echo "every control is in docs/controls.md. Close the window to quit."
    cd build/release && exec ./tidewick # it reads its pictures from the folder it starts in
    ;;
  test)
    install_missing "${test_packages[@]}"
    build test
    # Both run, so a layout slip does not hide the tests' results.
    status=0
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset test || status=$?
    tools/check_format.sh || status=1
    exit "$status"
    ;;
  windows)
    install_missing "${windows_packages[@]}"
    tools/freeglut_windows.sh
    build e2e # the Linux painter, viewer and test runner that the Windows build needs
    build windows
    build windows-dll
    ctest --preset windows
    print_zip build/windows
    ;;
  zip)
    install_missing "${zip_packages[@]}"
    tools/freeglut_windows.sh static
    build release --target paint_town # the Windows build's pictures are painted on this machine
    build zip
    print_zip build/zip
    ;;
  faults)
    install_missing "${windows_packages[@]}"
    tools/freeglut_windows.sh
    exec tools/run_faults.sh "${@:2}"
    ;;
  *)
    echo "usage: ./build.sh run | test | windows | zip | faults" >&2
    exit 2
    ;;
esac
