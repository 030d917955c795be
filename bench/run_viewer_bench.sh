#!/usr/bin/env bash
# The whole viewer against the floor (bench/floor.cpp: clear and swap only,
# and the same with one textured quad over the window), in one command:
#   bench/run_viewer_bench.sh [RUNS [SECONDS]]     7 runs of 10 s by default
# Builds a Release tree in build/viewer-bench, then runs bench/viewer_bench,
# which starts each program on an Xvfb of its own, taking turns. Prints the
# machine, the date and the load around the run, every run, and the medians
# with their ratios. The machine should be otherwise idle: other builds on
# it show up as noise, mostly in the floor's frame rate.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-7}
seconds=${2:-10}
build=build/viewer-bench

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTIDEWICK_TESTS=OFF -DTIDEWICK_BENCH=ON \
  -DTIDEWICK_SANITIZE=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target viewer_bench floor tidewick town_pictures >/dev/null

echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p'), Linux $(uname -r)"
echo "mesa: $(dpkg-query -W -f='${Version}' libgl1-mesa-dri 2>/dev/null || echo unknown)," \
  "xvfb: $(dpkg-query -W -f='${Version}' xvfb 2>/dev/null || echo unknown)"
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
"$build/bench/viewer_bench" --viewer "$build/tidewick" --floor "$build/bench/floor" \
  --pictures "$build" --runs "$runs" --seconds "$seconds"
echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
