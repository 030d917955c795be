#!/bin/sh
# Builds bmp_bench as docs/performance.md measures it (Release, -O2, no
# sanitizers) and runs it, five repetitions, medians. Extra arguments go to
# the benchmark, e.g. --benchmark_filter=8bit. BUILD_DIR overrides the
# build folder (default build/bench).
set -e
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build/bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DTIDEWICK_BENCH=ON -DTIDEWICK_TESTS=OFF -DTIDEWICK_SANITIZE=OFF -DTIDEWICK_FUZZ=OFF
cmake --build "$build" -j"$(nproc)" --target bmp_bench
exec "$build/bench/bmp_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
