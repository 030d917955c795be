#!/usr/bin/env bash
# Fails unless a Windows program needs only DLLs that a Windows machine has
# or that travel with it, as MinGW's objdump reads its imports:
#   windows_imports.sh OBJDUMP PROGRAM static|dll
# static: every DLL it names is Windows' own. dll: it names freeglut's DLL,
# and every DLL it names, or that a DLL beside it names, is Windows' own or
# lies beside it.
set -uo pipefail
objdump=$1 program=$2 kind=$3
beside=$(dirname "$program")
[ -x "$(command -v "$objdump")" ] || { echo "no objdump: $objdump"; exit 1; }
[ -f "$program" ] || { echo "no program: $program"; exit 1; }

# Windows' own DLLs, as MinGW-w64's runtime and freeglut name them.
windows_own=" advapi32.dll gdi32.dll glu32.dll kernel32.dll msvcrt.dll opengl32.dll user32.dll winmm.dll ucrtbase.dll "
imports() {
  "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z'
}

names=$(imports "$program") || exit 1
[ -n "$names" ] || { echo "objdump read no imports from $program"; exit 1; }
echo "$program imports:" $names
status=0
if [ "$kind" = dll ]; then
  grep -qE '^(lib)?(free)?glut(32)?\.dll$' <<<"$names" || { echo "it does not import freeglut's DLL"; status=1; }
fi
seen=" "
queue=($names)
while [ ${#queue[@]} -gt 0 ]; do
  dll=${queue[0]}
  queue=("${queue[@]:1}")
  [[ $seen == *" $dll "* ]] && continue
  seen+="$dll "
  [[ $windows_own == *" $dll "* || $dll == api-ms-* ]] && continue
  if [ "$kind" = static ]; then
    echo "it needs $dll, which Windows does not have"
    status=1
    continue
  fi
  found=$(find "$beside" -maxdepth 1 -iname "$dll" | head -n 1)
  if [ -z "$found" ]; then
    echo "it needs $dll, which is not beside it"
    status=1
  else
    queue+=($(imports "$found"))
  fi
done
if [ "$status" -eq 0 ]; then
  if [ "$kind" = static ]; then echo "every DLL it needs is Windows' own"; else echo "every DLL it needs is Windows' own or beside it"; fi
fi
exit "$status"
