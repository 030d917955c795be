#!/usr/bin/env bash
# Fails when a C++ file is not laid out as clang-format lays it out under the
# root .clang-format, naming every such file; `clang-format -i FILE` fixes one.
# In a git checkout the files are the tracked *.cpp and *.h; elsewhere (an
# unpacked copy) every *.cpp and *.h under src, tools, bench and tests.
#   tools/check_format.sh      CLANG_FORMAT overrides the program to run
set -euo pipefail
cd "$(dirname "$0")/.."

format=${CLANG_FORMAT:-clang-format}
if ! command -v "$format" >/dev/null; then
  echo "check_format: $format is not installed (apt-get install clang-format)" >&2
  exit 2
fi

# Without the root style clang-format would quietly judge by its own default.
[ -f .clang-format ] || { echo "check_format: no .clang-format in $PWD" >&2; exit 2; }

files=()
if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$PWD" ]; then
  mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
else
  dirs=()
  for d in src tools bench tests; do [ -d "$d" ] && dirs+=("$d"); done
  [ ${#dirs[@]} -gt 0 ] && mapfile -t files < <(find "${dirs[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
fi

unformatted=()
checked=0
for f in "${files[@]}"; do
  [ -f "$f" ] || continue  # tracked but deleted in the working tree
  checked=$((checked + 1))
  "$format" --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done

if [ ${#unformatted[@]} -gt 0 ]; then
  for f in "${unformatted[@]}"; do echo "check_format: not formatted: $f"; done
  echo "check_format: ${#unformatted[@]} of $checked files differ from $("$format" --version)"
  exit 1
fi
echo "check_format: all $checked C++ files formatted"
