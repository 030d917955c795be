#!/bin/sh
# The worksheet done as a class does it: the zip a class is handed, unpacked
# as a learner might name the folder (spaces, letters beyond ASCII), and its
# tidewick.exe driven by the lesson driver under Wine, through every step of
# the worksheet or, with --screen, through its first question on the small
# screen.
#   tests/lesson_test.sh LESSON_DRIVER WINE_PREFIX ZIP WORKSHEET [--screen]
set -eu
driver=$1 prefix=$2 zip=$3 worksheet=$4
mode=${5:-}
top=$(mktemp -d /tmp/tidewick-lesson-XXXXXX)
trap 'rm -rf "$top"' EXIT
folder="$top/Unterricht für Třída 3b"
mkdir "$folder"
(cd "$folder" && cmake -E tar xf "$zip")
"$driver" --wine "$prefix" $mode "$folder/tidewick.exe" "$worksheet"
