#!/usr/bin/env bash
# Fails, naming each one, when an excerpt of the code quoted in a page is no
# longer in the code as it stands. An excerpt is a fenced cpp block that
# follows a line of its own naming the file it comes from (and ending in a
# colon), as every cpp block of the page must:
#   From `src/app/main.cpp`:
#
#   ```cpp
#     glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
#   ```
# Its lines must stand in that file as they are, one after another.
#   tools/check_excerpts.sh PAGE...
set -uo pipefail
cd "$(dirname "$0")/.."
status=0
count=0
for page in "$@"; do
  source="" inside=0 excerpt="" line_number=0 start=0
  while IFS= read -r line || [ -n "$line" ]; do
    line_number=$((line_number + 1))
    if [ "$inside" -eq 1 ]; then
      if [ "$line" = '```' ]; then
        inside=0
        [ -n "$source" ] || continue
        count=$((count + 1))
        code=$(cat "$source" 2>/dev/null) || { echo "$page:$start: no file $source"; status=1; continue; }
        if [[ $'\n'$code$'\n' != *$'\n'"$excerpt"* ]]; then
          echo "$page:$start: this excerpt is no longer in $source as it stands"
          status=1
        fi
        source=""
      else
        excerpt+="$line"$'\n'
      fi
    elif [[ $line =~ ^From\ \`([^\`]+)\`.*:$ ]]; then
      source=${BASH_REMATCH[1]}
    elif [ "$line" = '```cpp' ]; then
      inside=1 excerpt="" start=$line_number
      [ -n "$source" ] || { echo "$page:$start: this excerpt does not say which file it comes from"; status=1; }
    elif [ -n "$line" ]; then
      source=""
    fi
  done <"$page"
done
[ "$count" -gt 0 ] || { echo "check_excerpts: no excerpt found in $*"; exit 1; }
[ "$status" -eq 0 ] && echo "check_excerpts: $count excerpts, each still in the code"
exit "$status"
