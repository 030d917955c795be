#!/usr/bin/env bash
# Fails unless a Windows program carries what Windows reads from it, as
# MinGW's windres reads its resources back and objdump its header:
#   windows_resources.sh WINDRES OBJDUMP PROGRAM VERSION
# - a well-formed manifest, as resource 1 of type 24, the one Windows reads
#   at start, declaring the program per-monitor aware of display scaling
#   (system-aware where Windows knows no more) and declaring nothing else;
# - a version resource naming Tidewick and VERSION (major.minor.patch);
# - the console subsystem, so that a console window opens with it and shows
#   what it prints.
set -uo pipefail
windres=$1 objdump=$2 program=$3 version=$4
for tool in "$windres" "$objdump" xmllint; do
  [ -x "$(command -v "$tool")" ] || { echo "no $tool"; exit 1; }
done
[ -f "$program" ] || { echo "no program: $program"; exit 1; }
resources=$("$windres" -i "$program" -O rc) || { echo "windres could not read $program"; exit 1; }
status=0
fail() { echo "$1"; status=1; }

# windres writes the manifest as quoted lines, quotes doubled, each ending in \n.
manifest=$(awk '/^1 24 /{on = 1; next} on && /^END/{exit} on && /^ *"/' <<<"$resources" |
  sed -e 's/^ *"//' -e 's/\\n"$//' -e 's/"$//' -e 's/""/"/g')
echo "The manifest:"
echo "$manifest"
if [ -z "$manifest" ]; then
  fail "there is no manifest (resource 1 of type 24)"
else
  xmllint --noout - <<<"$manifest" || fail "the manifest is not well-formed XML"
  grep -qF '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>' \
    <<<"$manifest" || fail "it does not declare dpiAware true/pm"
  grep -qF '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>' \
    <<<"$manifest" || fail "it does not declare dpiAwareness PerMonitorV2, PerMonitor"
  elements=$(grep -o '<[a-zA-Z][a-zA-Z]*' <<<"$manifest" | LC_ALL=C sort -u | tr '\n' ' ')
  [ "$elements" = "<application <assembly <dpiAware <dpiAwareness <windowsSettings " ] ||
    fail "it declares more than awareness of scaling: $elements"
fi

echo "The version resource:"
awk '/VERSIONINFO$/{on = 1} on; on && /^END/{exit}' <<<"$resources"
numbers="${version//./, }, 0"
lines=$(sed 's/^ *//' <<<"$resources")
for line in "FILEVERSION $numbers" "PRODUCTVERSION $numbers" 'VALUE "ProductName", "Tidewick"' \
  "VALUE \"ProductVersion\", \"$version\"" "VALUE \"FileVersion\", \"$version\""; do
  grep -qxF "$line" <<<"$lines" || fail "the version resource lacks $line"
done

header=$("$objdump" -p "$program") || { echo "objdump could not read $program"; exit 1; }
grep -q '^Subsystem.*(Windows CUI)' <<<"$header" || fail "it is not a console program"
[ "$status" -eq 0 ] && echo "$program declares awareness of scaling, Tidewick $version, and a console"
exit "$status"
