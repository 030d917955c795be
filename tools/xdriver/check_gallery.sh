#!/usr/bin/env bash
# Fails, naming each picture, when docs/gallery no longer holds what the
# viewer draws for the gallery's actions: the docs would then show a program
# that is not this one. Run by CTest (tests/CMakeLists.txt) on Debian 12,
# whose Mesa drew the gallery; the same sources give the same bytes there.
#   check_gallery.sh GALLERY VIEWER PICTURES NAME_PART
# GALLERY is the gallery program (tools/xdriver/gallery.cpp), NAME_PART as
# it takes it ("png" for the stills, "gif" for the animation).
set -uo pipefail
gallery=$1 viewer=$2 pictures=$3 part=$4
docs=$(cd "$(dirname "$0")/../../docs/gallery" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$gallery" "$viewer" "$pictures" "$out" "$part" >/dev/null || exit 1
status=0
count=0
for made in "$out"/*; do
  name=$(basename "$made")
  count=$((count + 1))
  if [ ! -f "$docs/$name" ]; then
    echo "docs/gallery/$name is missing: the gallery now makes it"
    status=1
  elif ! cmp -s "$made" "$docs/$name"; then
    echo "docs/gallery/$name differs from what the viewer draws now; tools/xdriver/gallery.sh makes it anew"
    status=1
  fi
done
[ "$count" -gt 0 ] || { echo "the gallery made no picture matching '$part'"; exit 1; }
[ "$status" -eq 0 ] && echo "docs/gallery: $count pictures matching '$part' as the viewer draws them"
exit "$status"
