#!/usr/bin/env bash
# Captures the textured town from the real window under a private Xvfb, as
# the README shows it: docs/town.png from the starting camera, and
# docs/town-tilted.png zoomed in and tilted by a drag so the ground shows.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/shots -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/shots -j "$(nproc)" --target tidewick screenshot town_pictures
mkdir -p docs
build/shots/tools/screenshot build/shots/tidewick build/shots docs/town.png
# Before the left button is first used, a drag with the middle button tilts
# the scene too, measured from the window's corner, and starts no orbit.
build/shots/tools/screenshot build/shots/tidewick build/shots docs/town-tilted.png \
  key:z key:z key:z key:z key:z mdrag:0,0,0,100
echo "wrote docs/town.png and docs/town-tilted.png"
