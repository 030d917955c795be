#!/usr/bin/env bash
# The experiments of docs/experiments.txt for CMake (cmake/experiments.cmake),
# read with tools/blocks.sh as tools/experiments.sh reads them:
#   experiment_source.sh ROOT list
#       prints NAME FILE SHOT, one experiment a line, and FILE2 after them
#       for an experiment that changes a second file
#   experiment_source.sh ROOT blocks DIR
#       writes each experiment's block, as read, to DIR/NAME.block, leaving
#       a file that holds it already untouched: a change to one block then
#       rebuilds that experiment's program alone
#   experiment_source.sh ROOT write NAME OUT [OUT2]
#       writes the file that experiment NAME changes, as its block changes
#       it, to OUT, and its second file to OUT2; fails, saying why, when the
#       block does not apply
# ROOT is the source tree, which is only read.
set -uo pipefail
root=$1
. "$root/tools/blocks.sh"
declare -A block

case $2 in
  list)
    each() {
      printf '%s %s %s%s\n' "${block[name]:-}" "${block[file]:-}" "${block[shot]:-}" \
        "${block[file2]:+ ${block[file2]}}"
    }
    for_each_block "$root/docs/experiments.txt" each
    ;;
  blocks)
    dir=$3
    mkdir -p "$dir" || exit 1
    each() {
      local read
      read=$(declare -p block) || exit 1
      [ "$(cat "$dir/${block[name]}.block" 2>/dev/null)" = "$read" ] ||
        printf '%s\n' "$read" >"$dir/${block[name]}.block" || exit 1
    }
    for_each_block "$root/docs/experiments.txt" each
    ;;
  write)
    name=$3 out=$4 out2=${5:-}
    # apply_block changes the file where it lies: here, in a copy of it alone.
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    found=0
    each() {
      [ "${block[name]:-}" = "$name" ] || return 0
      found=1
      for file in "${block[file]}" ${block[file2]:+"${block[file2]}"}; do
        mkdir -p "$work/$(dirname "$file")" && cp "$root/$file" "$work/$file" || exit 1
      done
      cd "$work" || exit 1
      apply_block || { echo "experiment $name: the block no longer applies: $block_problem" >&2; exit 1; }
      mkdir -p "$(dirname "$out")" && cp "${block[file]}" "$out" || exit 1
      if [ -n "${block[file2]:-}" ]; then
        [ -n "$out2" ] || { echo "experiment $name changes ${block[file2]} too: name OUT2" >&2; exit 1; }
        mkdir -p "$(dirname "$out2")" && cp "${block[file2]}" "$out2" || exit 1
      fi
    }
    for_each_block "$root/docs/experiments.txt" each
    [ "$found" -eq 1 ] || { echo "no experiment named $name in docs/experiments.txt" >&2; exit 1; }
    ;;
  *)
    echo "usage: experiment_source.sh ROOT list | blocks DIR | write NAME OUT [OUT2]" >&2
    exit 2
    ;;
esac
