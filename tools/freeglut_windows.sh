#!/usr/bin/env bash
# freeglut for Windows, from Debian's own source package, cross-compiled with
# MinGW-w64 twice, as a static library and as a DLL, into two prefixes under
# build/freeglut-windows:
#   static  both, laid out as MSYS2 installs freeglut (libglut.a beside the
#           DLL's import library libglut.dll.a), which the windows preset
#           links statically: a build that took the import library there
#           would still need the DLL, and the tests would see it
#   dll     the DLL and its import library alone, for the windows-dll preset
#   tools/freeglut_windows.sh [static] [dll]   (both when neither is named)
# The zip needs only the static build. Each is built once; run again for
# one that is there, it does nothing.
#
# The source comes through a private apt configuration under
# build/freeglut-windows/apt, made from this machine's own entries for its
# release, turned into deb-src entries; /etc/apt stays untouched. An entry
# may name the release by codename (bookworm, bookworm-updates) or by suite
# (stable, stable-updates); a suite is matched to the codename through the
# Release files apt already holds. The version fetched is the one the
# machine's own freeglut3-dev was built from, when that is installed.
#
# Only the upstream tarball (.orig.tar.gz) is built, so only it is fetched.
# Some mirrors serve it but not the package's .dsc or Debian changes, and
# apt-get source would then fetch nothing. apt's update checks the release's
# signed index of sources; apt-helper fetches the tarball and checks it
# against the checksum that index gives.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD/build/freeglut-windows
apt_etc=${TIDEWICK_APT_ETC:-/etc/apt} # another folder, to try other source lists
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake

built() {
  case $1 in
    static) [ -f "$root/static/lib/libglut.a" ] ;;
    dll) [ -f "$root/dll/lib/libglut.dll.a" ] && [ -f "$root/static/lib/libglut.dll.a" ] ;;
    *) echo "freeglut_windows: no build is called $1 (static, dll)" >&2 && exit 2 ;;
  esac
}
wanted=("$@")
[ $# -eq 0 ] && wanted=(static dll)
kinds=()
for kind in "${wanted[@]}"; do
  built "$kind" || kinds+=("$kind")
done
[ ${#kinds[@]} -eq 0 ] && exit 0

# The names this release goes by: its codename, and each suite whose Release
# file says it is that codename.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
names=" $codename "
for release in /var/lib/apt/lists/*Release; do
  [ -f "$release" ] || continue
  if grep -qx "Codename: $codename" "$release"; then
    suite=$(sed -n 's/^Suite: //p' "$release")
    [ -n "$suite" ] && [[ $names != *" $suite "* ]] && names+="$suite "
  fi
done

mkdir -p "$root/apt/parts" "$root/apt/lists/partial" "$root/apt/cache" "$root/src"
# A suite is kept when its name, up to any dash (bookworm-updates,
# stable-security), is one of names.
keep='function ours(suite) { sub(/-.*/, "", suite); return index(names, " " suite " ") > 0 }'
if [ -f "$apt_etc/sources.list" ]; then
  awk -v names="$names" "$keep"'
    $1 == "deb" { i = 2  # the URI, after any [options]
      if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
      if (ours($(i + 1))) { $1 = "deb-src"; print } }' \
    "$apt_etc/sources.list" >"$root/apt/parts/machine.list"
fi
: >"$root/apt/parts/machine.sources"
for stanzas in "$apt_etc"/sources.list.d/*.sources; do
  [ -f "$stanzas" ] || continue
  awk -v names="$names" "$keep"'
    BEGIN { RS = ""; ORS = "\n\n" }
    { n = split($0, line, "\n"); keep = 0
      for (i = 1; i <= n; i++) if (line[i] ~ /^Suites:/) {
        m = split(line[i], word, /[ \t]+/); for (k = 2; k <= m; k++) if (ours(word[k])) keep = 1 }
      if (keep) { sub(/Types:[^\n]*/, "Types: deb-src"); print } }' \
    "$stanzas" >>"$root/apt/parts/machine.sources"
done
if [ ! -s "$root/apt/parts/machine.list" ] && [ ! -s "$root/apt/parts/machine.sources" ]; then
  echo "freeglut_windows: no apt entry in $apt_etc names$names(the release's names)" >&2
  exit 1
fi

private=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$root/apt/parts"
  -o Dir::State::Lists="$root/apt/lists" -o Dir::Cache="$root/apt/cache" -o APT::Sandbox::User="$(id -un)")
version=$(dpkg-query -W -f='${source:Version}' freeglut3-dev 2>/dev/null || true)
echo "Fetching freeglut's source package${version:+ $version}"
# apt's own account of a failed fetch is many lines; one says which file.
fetch_failed() {
  local why
  why=$(grep -m 1 -oE '(Failed to fetch|Unable to find|Can not find|Could not resolve).*' "$1" || tail -n 1 "$1")
  echo "freeglut_windows: cannot fetch freeglut's source package${version:+ $version} through the machine's apt entries: $why" >&2
  exit 1
}
log=$root/apt/fetch.log
apt-get -qq "${private[@]}" update >"$log" 2>&1 || fetch_failed "$log"
# Each file as 'URI' NAME SIZE SHA256:HASH, the tarball among them.
apt-get -qq "${private[@]}" source --print-uris "freeglut${version:+=$version}" >"$log" 2>&1 || fetch_failed "$log"
read -r uri tarball _ checksum < <(grep -E "^'[^']*\.orig\.tar\.gz' " "$log") || {
  echo "freeglut_windows: the release's index lists no upstream tarball (.orig.tar.gz) for freeglut${version:+ $version}" >&2
  exit 1
}
uri=${uri//\'/}
rm -rf "$root/src" && mkdir -p "$root/src"
/usr/lib/apt/apt-helper -o APT::Sandbox::User="$(id -un)" download-file "$uri" "$root/src/$tarball" "$checksum" \
  >"$log" 2>&1 || fetch_failed "$log"
tar -xzf "$root/src/$tarball" -C "$root/src"

# Debian's source names the library glut (FREEGLUT_REPLACE_GLUT), and
# installs GL/glut.h, as the Linux package does.
for kind in "${kinds[@]}"; do
  shared=OFF
  [ "$kind" = dll ] && shared=ON
  echo "Building freeglut for Windows ($kind)"
  rm -rf "$root/build-$kind" "$root/$kind" "$root/build-$kind.log"
  cmake -S "$root"/src/freeglut-*/ -B "$root/build-$kind" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$root/$kind" \
    -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_REPLACE_GLUT=ON \
    -DFREEGLUT_BUILD_STATIC_LIBS=$([ "$shared" = ON ] && echo OFF || echo ON) \
    -DFREEGLUT_BUILD_SHARED_LIBS=$shared >"$root/build-$kind.log" 2>&1 &&
    cmake --build "$root/build-$kind" >>"$root/build-$kind.log" 2>&1 &&
    cmake --install "$root/build-$kind" >>"$root/build-$kind.log" 2>&1 ||
    { tail -n 20 "$root/build-$kind.log"; echo "freeglut_windows: the $kind build failed" >&2; exit 1; }
done
# Again after a new static build, which starts from an empty prefix.
if [ -f "$root/build-dll/install_manifest.txt" ]; then
  cmake --install "$root/build-dll" --prefix "$root/static" >/dev/null
fi
