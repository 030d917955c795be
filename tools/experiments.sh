#!/usr/bin/env bash
# The experiments of docs/experiments.md, each kept as a block of
# docs/experiments.txt, applied to a copy of the tree and seen in the real
# viewer's window, as the gallery sees it:
#   tools/experiments.sh [NAME_PART]
#       takes each experiment's picture into docs/gallery/experiments/ and
#       writes each one's diff into docs/experiments.md, under its
#       <!-- diff NAME --> line
#   tools/experiments.sh --check [NAME_PART]
#       fails, naming the experiment, when a block no longer applies or
#       builds, when the changed viewer has a GL call refused (an experiment
#       must not teach a call that does nothing), when its picture is not
#       the one in docs/gallery/experiments/, or when the page's diff is not
#       the block's
# With NAME_PART only the experiments whose names contain it are taken.
# The copy and its Release build live in build/experiments; the working tree
# is only read, and written to only by the first form.
set -uo pipefail
cd "$(dirname "$0")/.."
. tools/blocks.sh
root=$PWD
mode=write
if [ "${1:-}" = --check ]; then
  mode=check
  shift
fi
only=${1:-}
tree=$root/build/experiments/tree
made=$root/build/experiments/made
trap 'exit 130' INT TERM

copy_tree "$tree"
rm -rf "$made" && mkdir -p "$made"
cd "$tree" || exit 2
# The e2e preset's Release build has the viewer, its pictures and the
# gallery program that drives it.
build=build/e2e
if ! { cmake --preset e2e && cmake --build "$build" --target tidewick town_pictures gallery; } \
  >"$made/build.txt" 2>&1; then
  echo "experiments: the code as it stands does not build; see $made/build.txt"
  exit 2
fi

status=0
count=0
declare -A block
take() {
  local name=${block[name]:-} shot=${block[shot]:-} why=""
  [ -n "$only" ] && [[ $name != *"$only"* ]] && return
  count=$((count + 1))
  if ! apply_block; then
    why="the block no longer applies: $block_problem"
  else
    {
      diff -U1 --label "a/${block[file]}" --label "b/${block[file]}" <(printf '%s' "$original_text") \
        "${block[file]}"
      [ -z "${block[file2]:-}" ] || diff -U1 --label "a/${block[file2]}" --label "b/${block[file2]}" \
        <(printf '%s' "$original_text2") "${block[file2]}"
    } >"$made/$name.diff"
    if ! cmake --build "$build" --target tidewick >"$made/$name.txt" 2>&1; then
      why="the changed viewer does not build; see $made/$name.txt"
    elif ! "$build/tools/xdriver/gallery" "$build/tidewick" "$build" "$made/$name" "$shot.png" \
      >>"$made/$name.txt" 2>&1 || ! mv "$made/$name/$shot.png" "$made/$name.png"; then
      why="the gallery could not take its picture ($shot); see $made/$name.txt"
    fi
    put_back
  fi
  if [ -z "$why" ] && [ "$mode" = check ] && ! cmp -s "$made/$name.png" "$root/docs/gallery/experiments/$name.png"; then
    why="docs/gallery/experiments/$name.png differs from what the changed viewer draws now"
  fi
  if [ -n "$why" ]; then
    echo "experiment $name: $why"
    # The gallery's own words, such as the GL calls the changed viewer had
    # refused.
    sed -n 's/^gallery: /  /p; /^  Mesa: /p' "$made/$name.txt" 2>/dev/null
    status=1
  elif [ "$mode" = write ]; then
    mkdir -p "$root/docs/gallery/experiments"
    cp "$made/$name.png" "$root/docs/gallery/experiments/$name.png"
    echo "docs/gallery/experiments/$name.png"
  fi
}
for_each_block "$root/docs/experiments.txt" take
cmake --build "$build" --target tidewick >/dev/null 2>&1 # the copy's viewer as the code stands
[ "$count" -gt 0 ] || { echo "experiments: none is named like '$only'"; exit 1; }

# The page's diffs, when every experiment was taken: each fenced block after
# a <!-- diff NAME --> line is the diff of that experiment's block.
page=$root/docs/experiments.md
if [ -z "$only" ]; then
  awk -v made="$made" '
    skipping && /^```$/ { skipping = 0; next }
    skipping { next }
    /^<!-- diff [a-z0-9-]+ -->$/ {
      print; name = $3; file = made "/" name ".diff"
      if ((getline line < file) <= 0) { print "no diff made for " name > "/dev/stderr"; exit 1 }
      print "```diff"; print line; while ((getline line < file) > 0) print line; print "```"
      getline fence; if (fence != "```diff") { print "no diff block after the line for " name > "/dev/stderr"; exit 1 }
      skipping = 1; next }
    { print }' "$page" >"$made/experiments.md" || status=1
  if [ "$status" -ne 0 ]; then
    :
  elif [ "$mode" = write ]; then
    cp "$made/experiments.md" "$page"
  elif ! cmp -s "$made/experiments.md" "$page"; then
    echo "docs/experiments.md: its diffs are not those of docs/experiments.txt; tools/experiments.sh writes them"
    diff -u "$page" "$made/experiments.md" | head -n 40
    status=1
  fi
fi
[ "$status" -eq 0 ] && echo "experiments: $count, each as its block and picture say"
exit "$status"
