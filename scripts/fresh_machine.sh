#!/usr/bin/env bash
# fresh_machine.sh [COMMAND...]: runs the README's two commands (its opening
# code block, in order, with CI=true) as root on a brand-new Debian 12 machine:
# a bare bookworm root (apt, git, ca-certificates) into which the committed
# HEAD is cloned, at /root/tasc. With arguments it runs those commands there
# instead, each a shell command line. Prints how long each stage took.
#
# The root is made by mmdebstrap from this machine's apt sources and cached as
# a tarball outside the clone ($TASC_FRESH_CACHE, default
# /var/cache/tasc-fresh-root), remade when a day old; TASC_FRESH_ROOT_TARBALL
# names another tarball to unpack instead. Each run unpacks it anew under
# $TASC_FRESH_WORK (default /var/tmp) and removes it at the end, whatever
# happens. The commands run in their own user (identity-mapped), mount and
# PID namespaces: proc, a minimal /dev, a tmpfs on /tmp and binfmt_misc are
# mounted there only, so they vanish with the last process, nothing of the
# host's is bound in, and the root's binfmt_misc registrations (wine's x86
# loader under qemu) are its own (an empty binfmt_misc of its user
# namespace), neither the host's nor left behind on it.
#
# Needs root. Exit status: the first failing command's, 2 when the machine
# cannot be made, 128+N when stopped by signal N.
set -euo pipefail
shopt -s inherit_errexit

if [ "${1:-}" = --inside ]; then
  # In the new namespaces: mount what the root needs, then run one command.
  root=$2 command=$3
  until grep -q . /proc/self/uid_map; do sleep 0.02; done
  mount -t proc -o nosuid,nodev,noexec proc "$root/proc"
  mount -t tmpfs -o mode=755,nosuid tmpfs "$root/dev"
  for node in null zero full random urandom tty; do
    : >"$root/dev/$node"
    mount --bind "/dev/$node" "$root/dev/$node"
  done
  mkdir "$root/dev/pts" "$root/dev/shm"
  mount -t devpts -o newinstance,ptmxmode=0666,mode=620 devpts "$root/dev/pts"
  mount -t tmpfs -o mode=1777,nosuid,nodev tmpfs "$root/dev/shm"
  ln -s pts/ptmx "$root/dev/ptmx"
  ln -s /proc/self/fd "$root/dev/fd"
  for fd in 0:stdin 1:stdout 2:stderr; do ln -s "/proc/self/fd/${fd%%:*}" "$root/dev/${fd#*:}"; done
  mount -t tmpfs -o mode=1777,nosuid tmpfs "$root/tmp"
  # binfmt_misc, mounted as a Debian machine has it from boot: this user
  # namespace's own, empty; without it the host's registrations would serve.
  mount -t binfmt_misc binfmt_misc "$root/proc/sys/fs/binfmt_misc"
  exec chroot "$root" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" CI=true \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c "cd /root/tasc && $command"
fi

cd "$(dirname "$0")/.."
source=$PWD
self=$source/scripts/fresh_machine.sh
say() { echo "fresh_machine: $*" >&2; }
die() { say "$*"; exit 2; }

# readme_commands: the command lines of the README's opening code block.
readme_commands() {
  awk '/^```/ { if (open) exit; open = 1; next } open' README.md |
    sed -e 's/[[:space:]]*#.*$//' -e '/^[[:space:]]*$/d'
}

if [ "${1:-}" = --readme-commands ]; then readme_commands; exit 0; fi
[ "$(id -u)" -eq 0 ] || die "needs root: it makes a root file system and runs commands in it"
unshare --user --mount --pid --fork true 2>/dev/null ||
  die "cannot make user, mount and PID namespaces here (not from inside a chroot, nor where the kernel allows no user namespaces)"
if [ $# -gt 0 ]; then
  commands=("$@")
else
  mapfile -t commands < <(readme_commands)
  [ "${#commands[@]}" -gt 0 ] || die "README.md opens with no code block of commands"
fi

cache=${TASC_FRESH_CACHE:-/var/cache/tasc-fresh-root}
work=${TASC_FRESH_WORK:-/var/tmp}
include=ca-certificates,git
root='' ns_pid='' running='' start=$(date +%s) stage_start=$start
timings=()

# stage_done NAME: records and prints how long the stage that ends took.
stage_done() {
  local now
  now=$(date +%s)
  timings+=("$(printf '%6d s  %s' $((now - stage_start)) "$1")")
  say "$1: $((now - stage_start)) s"
  stage_start=$now
}

# apt_sources: the machine's apt sources file, the mirror mmdebstrap reads.
apt_sources() {
  if [ -n "${TASC_FRESH_SOURCES:-}" ]; then echo "$TASC_FRESH_SOURCES"
  elif [ -f /etc/apt/sources.list.d/debian.sources ]; then echo /etc/apt/sources.list.d/debian.sources
  elif grep -qs '^deb ' /etc/apt/sources.list; then echo /etc/apt/sources.list
  else die "no apt sources file (/etc/apt/sources.list.d/debian.sources or /etc/apt/sources.list)"
  fi
}

# root_tarball: prints the tarball of the bare root, made when missing or a
# day old. The name holds a digest of the sources, so another mirror makes
# another root.
root_tarball() {
  if [ -n "${TASC_FRESH_ROOT_TARBALL:-}" ]; then echo "$TASC_FRESH_ROOT_TARBALL"; return; fi
  local sources key tarball
  sources=$(apt_sources)
  key=$( { cat "$sources"; echo "$include"; } | sha256sum | cut -c1-12)
  tarball=$cache/bookworm-apt-$key.tar
  mkdir -p "$cache"
  (
    flock 9
    if [ -z "$(find "$tarball" -mmin -1440 2>/dev/null)" ]; then
      if ! command -v mmdebstrap >/dev/null; then
        say "installing mmdebstrap (Debian package) on this machine to make the root"
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
          apt-get install -y -qq --no-install-recommends mmdebstrap >/dev/null
      fi
      say "making a bare bookworm root from $sources into $tarball"
      mmdebstrap --quiet --variant=apt --include="$include" bookworm "$cache/new-$$.tar" "$sources" >&2 &&
        mv "$cache/new-$$.tar" "$tarball"
    fi
  ) 9>"$cache/lock" || { rm -f "$cache/new-$$.tar"; die "cannot make the root with mmdebstrap"; }
  echo "$tarball"
}

# mounts_under DIR: the mount points at or below DIR in this namespace.
mounts_under() {
  awk -v dir="$1" '$5 == dir || index($5, dir "/") == 1 { print $5 }' /proc/self/mountinfo
}

# processes_in DIR: the processes whose root is DIR (the commands' leftovers).
processes_in() {
  { find /proc/[0-9]*/root -maxdepth 0 -lname "$1" 2>/dev/null || true; } | cut -d/ -f3
}

# cleanup: ends what still runs in the root, undoes any mount under it and
# removes it, never crossing into another file system; then the times.
cleanup() {
  local status=$? pids mount
  set +e
  trap - EXIT INT TERM
  [ -n "$ns_pid" ] && kill -KILL "$ns_pid" 2>/dev/null && wait "$ns_pid" 2>/dev/null
  [ -n "$running" ] && stage_done "[stopped] $running"
  if [ -n "$root" ] && [ -d "$root" ]; then
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      pids=$(processes_in "$root")
      [ -z "$pids" ] && break
      # shellcheck disable=SC2086
      kill -KILL $pids 2>/dev/null
      sleep 0.5
    done
    for mount in $(mounts_under "$root" | sort -r); do
      umount "$mount" 2>/dev/null || umount -l "$mount"
    done
    if [ -n "$(mounts_under "$root")" ]; then
      say "FAILED to unmount under $root; left it in place: $(mounts_under "$root" | tr '\n' ' ')"
      [ "$status" -eq 0 ] && status=2
    else
      rm -rf --one-file-system "$root"
    fi
    stage_done "clean-up"
  fi
  stage_start=$start
  stage_done total
  printf '%s\n' "${timings[@]}" >&2
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# run_inside COMMAND: runs one command line in the root, in new namespaces.
# unshare itself enters the user namespace; its ids are mapped from here.
run_inside() {
  local mine
  mine=$(readlink /proc/self/ns/user)
  unshare --user --mount --pid --fork --kill-child -- bash "$self" --inside "$root" "$1" &
  ns_pid=$!
  while [ "$(readlink "/proc/$ns_pid/ns/user" 2>/dev/null || echo "$mine")" = "$mine" ]; do
    kill -0 "$ns_pid" 2>/dev/null || break
    sleep 0.02
  done
  echo '0 0 65536' >"/proc/$ns_pid/uid_map"
  echo '0 0 65536' >"/proc/$ns_pid/gid_map"
  local status=0
  wait "$ns_pid" || status=$?
  ns_pid=
  return "$status"
}

# The machine.
tarball=$(root_tarball)
[ -f "$tarball" ] || die "no root tarball $tarball"
mkdir -p "$work"
root=$(mktemp -d "$work/tasc-fresh.XXXXXX")
chmod 755 "$root"
tar -xf "$tarball" -C "$root" --numeric-owner
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
stage_done "root ($tarball)"

# The commit under test, as a new user would clone it.
commit=$(git rev-parse HEAD)
if [ -n "$(git status --porcelain)" ]; then
  say "WARNING: uncommitted changes are NOT tested, only commit ${commit:0:12}:"
  git status --short | head -n 20 >&2
fi
mkdir -p "$root/root"
git clone -q --no-checkout "$source" "$root/root/tasc"
git -C "$root/root/tasc" fetch -q "$source" HEAD
git -C "$root/root/tasc" -c advice.detachedHead=false checkout -q --detach "$commit"
stage_done "clone (${commit:0:12})"

for command in "${commands[@]}"; do
  say "running as root on the fresh machine: $command"
  status=0 running=$command
  run_inside "$command" || status=$?
  running=''
  stage_done "[exit $status] $command"
  [ "$status" -eq 0 ] || exit "$status"
done
