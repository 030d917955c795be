#!/usr/bin/env bash
# Regenerates the pictures in docs/gallery/ from a clean Release build of the
# viewer and its painted pictures (build/gallery), one viewer start per
# picture under a private Xvfb (see tools/xdriver/gallery.cpp). The same
# sources give the same bytes; `git status docs/gallery` shows whether
# anything changed.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=build/gallery
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTIDEWICK_SANITIZE=OFF -DTIDEWICK_TESTS=ON \
  >/dev/null
cmake --build "$build" -j "$(nproc)" --target gallery tidewick town_pictures >/dev/null
"$build/tools/xdriver/gallery" "$build/tidewick" "$build" docs/gallery
