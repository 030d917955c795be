#!/usr/bin/env bash
# Runs the README's commands as a new user would on another Debian release:
# in a fresh root of that release made with debootstrap from Debian's own
# packages, holding a clean clone of this tree's last commit and nothing from
# this machine but the kernel, /proc and /dev.
#   tools/prove_debian.sh [CODENAME [COMMAND...]]
# CODENAME defaults to trixie (Debian 13), the commands to "run test".
# Inside, it runs each `./build.sh COMMAND` in turn as a user who is not
# root but may use sudo, as Windows' Linux subsystem makes one; build.sh
# installs what it needs through sudo. `run` with no display must build and
# then say that it needs one; `test` must pass with the layout check,
# `windows` with the Windows programs' tests, and `zip` must print the zip's
# SHA-256. It prints how each ended and fails when any fails.
#
# Under build/debian-CODENAME it keeps the base system (fetched once), the
# packages apt downloads (so that a second run fetches only what changed) and
# each command's whole output in logs/. The root a run works in is a fresh
# copy of the base, made anew each time.
#
# The mirror is the one this machine's apt configuration names for Debian.
# Everything is mounted in a mount namespace of the script's own, so the
# mounts vanish with it and no unmount can reach this machine's.
set -euo pipefail
cd "$(dirname "$0")/.."
codename=${1:-trixie}
commands=("${@:2}")
[ ${#commands[@]} -gt 0 ] || commands=(run test)

if [ "$(id -u)" -ne 0 ]; then exec sudo "$0" "$@"; fi
command -v debootstrap >/dev/null || {
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap
}

# The Debian archive and its security archive among the machine's entries.
archives() {
  sed -n 's/^URIs:[[:space:]]*//p' /etc/apt/sources.list.d/*.sources 2>/dev/null | tr ' ' '\n'
  awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) { print $i; break } }' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null
  true
}
mirror=$(archives | grep -E '/debian/?$' | head -n 1 || true)
security=$(archives | grep -E '/debian-security/?$' | head -n 1 || true)
[ -n "$mirror" ] || { echo "prove_debian: no Debian archive in /etc/apt's entries" >&2; exit 1; }

home=$PWD/build/debian-$codename
base=$home/base root=$home/root debs=$home/debs logs=$home/logs
mkdir -p "$home" "$debs" "$logs"

if [ ! -f "$base/.complete" ]; then
  echo "Making a $codename base system in $base"
  rm -rf "$base"
  debootstrap --variant=minbase "$codename" "$base" "$mirror" >"$logs/debootstrap.log" 2>&1 ||
    { tail -n 5 "$logs/debootstrap.log"; echo "prove_debian: debootstrap failed" >&2; exit 1; }
  touch "$base/.complete"
fi

echo "Copying the base system to $root"
rm -rf "$root"
cp -a "$base" "$root"
{
  echo "deb $mirror $codename main"
  echo "deb $mirror $codename-updates main"
  [ -z "$security" ] || echo "deb $security $codename-security main"
} >"$root/etc/apt/sources.list"
# Debian's installer names the machine's own addresses; debootstrap does not.
# Without them "localhost" names nothing, and a browser's driver, reached
# there, cannot be reached.
printf '127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' >"$root/etc/hosts"
# A clone, so that only what is committed goes in, as a new user would get it.
user=teacher home_in_root=/home/$user
mkdir -p "$root$home_in_root"
git clone -q "$PWD" "$root$home_in_root/tidewick"

# sudo, which the user may use without a password here; then git, installed
# by the user as the README says, before the clone. Then the commands, each
# on its own, as that user, with a clean environment.
{
  echo '#!/bin/sh'
  echo 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq sudo >/dev/null'
  echo "useradd -s /bin/sh $user && chown -R $user: $home_in_root"
  echo "echo '$user ALL=(ALL) NOPASSWD: ALL' >/etc/sudoers.d/$user"
  echo "as_user() { runuser -u $user -- \"\$@\"; }"
  echo "as_user sudo apt update >/root/git.log 2>&1 && as_user sudo apt install -y git >>/root/git.log 2>&1 ||"
  echo "  { echo 'prove: installing git failed'; tail -n 5 /root/git.log; exit 1; }"
  for command in "${commands[@]}"; do
    echo "start=\$(date +%s)"
    echo "cd $home_in_root/tidewick && as_user ./build.sh $command >/root/$command.log 2>&1; echo \$? >/root/$command.status"
    echo "echo \$((\$(date +%s) - start)) >/root/$command.seconds"
  done
} >"$root/root/prove.sh"
chmod +x "$root/root/prove.sh"

start=$(date +%s)
unshare --mount --propagation private -- sh -c '
  set -e
  root=$1 debs=$2
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  mount --bind "$debs" "$root/var/cache/apt/archives"
  exec chroot "$root" /usr/bin/env -i HOME=/home/teacher TERM=dumb LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin /root/prove.sh
' sh "$root" "$debs"
elapsed=$(($(date +%s) - start))
for command in "${commands[@]}"; do cp "$root/root/$command.log" "$logs/"; done

release=$(. "$root/etc/os-release" && echo "$PRETTY_NAME")
status=0
echo "On $release, in $((elapsed / 60)) min $((elapsed % 60)) s:"
for command in "${commands[@]}"; do
  log=$logs/$command.log
  ended=$(cat "$root/root/$command.status")
  seconds=$(cat "$root/root/$command.seconds")
  took="$((seconds / 60)) min $((seconds % 60)) s"
  if [ "$command" = run ]; then
    if [ "$ended" = 1 ] && grep -q "needs an X display" "$log" &&
      [ -x "$root$home_in_root/tidewick/build/release/tidewick" ]; then
      echo "  ./build.sh run ($took): built, then stopped for want of a display: $(tail -n 1 "$log")"
    else
      echo "  ./build.sh run FAILED (status $ended, $took); the end of $log:"
      tail -n 15 "$log" | sed 's/^/    /'
      status=1
    fi
    continue
  fi
  # What the command's own output says of how it ended: the tests' count,
  # the layout check, the zip's SHA-256.
  summary=$(grep -E "tests passed|tests failed|^check_format:|^Its SHA-256" "$log" | paste -sd ';' | sed 's/;/; /g')
  if [ "$ended" = 0 ]; then
    echo "  ./build.sh $command ($took): $summary"
  else
    echo "  ./build.sh $command FAILED (status $ended, $took): ${summary:-no test summary}"
    grep -E "^[[:space:]]*[0-9]+ - .* \([A-Za-z ]+\)|^check_format:|error:|^E: " "$log" |
      head -n 20 | sed 's/^[[:space:]]*/    /' || true
    echo "  the whole output: $log"
    status=1
  fi
done
exit "$status"
