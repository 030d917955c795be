#!/usr/bin/env bash
# The experiments of docs/experiments.txt for CMake (cmake/experiments.cmake),
# read with tools/blocks.sh as tools/experiments.sh reads them:
#   experiment_source.sh ROOT list
#       prints NAME FILE SHOT, one experiment a line
#   experiment_source.sh ROOT write NAME OUT
#       writes the file that experiment NAME changes, as its block changes
#       it, to OUT; fails, saying why, when the block does not apply
# ROOT is the source tree, which is only read.
set -uo pipefail
root=$1
. "$root/tools/blocks.sh"
declare -A block

case $2 in
  list)
    each() { printf '%s %s %s\n' "${block[name]:-}" "${block[file]:-}" "${block[shot]:-}"; }
    for_each_block "$root/docs/experiments.txt" each
    ;;
  write)
    name=$3 out=$4
    # apply_block changes the file where it lies: here, in a copy of it alone.
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    found=0
    each() {
      [ "${block[name]:-}" = "$name" ] || return 0
      found=1
      mkdir -p "$work/$(dirname "${block[file]}")" &&
        cp "$root/${block[file]}" "$work/${block[file]}" || exit 1
      cd "$work" || exit 1
      apply_block || { echo "experiment $name: the block no longer applies: $block_problem" >&2; exit 1; }
      mkdir -p "$(dirname "$out")" && cp "${block[file]}" "$out" || exit 1
    }
    for_each_block "$root/docs/experiments.txt" each
    [ "$found" -eq 1 ] || { echo "no experiment named $name in docs/experiments.txt" >&2; exit 1; }
    ;;
  *)
    echo "usage: experiment_source.sh ROOT list | write NAME OUT" >&2
    exit 2
    ;;
esac
