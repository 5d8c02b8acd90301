#!/usr/bin/env bash
# scripts/fresh_machine.sh on a tiny root (bash, env, sleep and their
# libraries, copied from this machine) instead of a bookworm one: each
# command's status comes back, and whatever happens, a failing command, a
# process left running, a TERM in the middle, no root, mount or process is
# left behind. Needs root and user namespaces, as the script does: exit 77
# (skipped) otherwise.
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ "$(id -u)" -ne 0 ]; then
  echo "fresh_machine test: skipped: needs root (it mounts and chroots, as scripts/fresh_machine.sh does)"
  exit 77
fi
if ! unshare --user --mount --pid --fork true 2>/dev/null; then
  echo "fresh_machine test: skipped: no user namespace can be made here (as inside a chroot, such as the fresh machine itself; .ci/run runs this test on its host first)"
  exit 77
fi
tmp=$(mktemp -d)
trap 'rm -rf --one-file-system "$tmp"' EXIT

# The tiny root.
tiny=$tmp/tiny
mkdir -p "$tiny"/{proc,dev,tmp,etc,root}
for program in /bin/bash /usr/bin/env /usr/bin/sleep; do
  for file in "$program" $(ldd "$program" | grep -o '/[^ ]*'); do cp --parents -L "$file" "$tiny"; done
done
tar -cf "$tmp/tiny.tar" -C "$tiny" .
export TASC_FRESH_ROOT_TARBALL=$tmp/tiny.tar TASC_FRESH_WORK=$tmp/work
mkdir "$tmp/work"

# left_behind: what a run left under the work folder: files, mounts, processes.
left_behind() {
  ls -A "$tmp/work"
  awk -v dir="$tmp/work/" 'index($5, dir) == 1 { print "mount " $5 }' /proc/self/mountinfo
  { find /proc/[0-9]*/root -maxdepth 0 -lname "$tmp/work/*" 2>/dev/null || true; } | sed 's|/proc/\(.*\)/root|process \1|'
}

failures=0 args=()
# check NAME STATUS WANT OUTPUT_LINE: the status and a line of the output.
check() {
  local leftovers
  leftovers=$(left_behind)
  if [ "$2" != "$3" ] || ! grep -qF -- "$4" "$tmp/out" || [ -n "$leftovers" ]; then
    echo "FAIL $1: exit $2 (want $3); output should hold: $4; left behind: ${leftovers:-nothing}"
    sed 's/^/  /' "$tmp/out"
    failures=$((failures + 1))
  fi
  rm -rf --one-file-system "${tmp:?}/work/"*
}

# The cases of data/fresh_machine.txt: name | exit status | a line of the output | command...
# (inside, a failing test fails the command: each is exact about what it sees)
while IFS='|' read -r name status expect commands; do
  eval "args=($commands)"
  got=0
  bash scripts/fresh_machine.sh "${args[@]}" >"$tmp/out" 2>&1 || got=$?
  check "$name" "$got" "$status" "$expect"
done <tests/setup/data/fresh_machine.txt
if grep -q 'never run' "$tmp/out" 2>/dev/null; then echo "FAIL: a command after a failing one ran"; failures=$((failures + 1)); fi

# A TERM while the command runs: the run stops with 143, and still cleans up.
bash scripts/fresh_machine.sh 'sleep 300' >"$tmp/out" 2>&1 &
run=$!
for _ in $(seq 100); do
  left_behind | grep -q '^process' && break
  sleep 0.1
done
kill -TERM "$run"
got=0
wait "$run" || got=$?
check a_term_in_the_middle_cleans_up "$got" 143 "total"

[ "$failures" -eq 0 ] || { echo "$failures case(s) failed"; exit 1; }
echo "fresh_machine: all cases passed"
