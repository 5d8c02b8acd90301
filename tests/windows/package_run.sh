#!/usr/bin/env bash
# package_run.sh DIST VERSION WORK_DIR: unpacks the Windows zip (and the
# Linux archive) into empty folders and runs the packaged tools with their
# defaults: the plug-in beside tasc and the packaged example. Under wine,
# x64\tasc.exe check must give the POSIX build's report and exit status on
# the packaged vehicle, and x64\tasc.exe sim (no arguments) the POSIX build's
# summary, trace and chart over the packaged stop; so must the Linux tasc.
# Environment: TASC_POSIX_BIN, TASC_WINE_PREFIX.
set -euo pipefail
dist=$(cd "$1" && pwd) version=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
source "$here/wine_env.sh"
use_locale
rm -rf "$work" && mkdir -p "$work/posix" "$work/windows" "$work/linux"
(cd "$work/windows" && cmake -E tar xf "$dist/TASC-$version-windows.zip")
(cd "$work/linux" && cmake -E tar xf "$dist/TASC-$version-linux-x86_64.tar.gz")
win=$work/windows/TASC-$version-windows linux=$work/linux/TASC-$version-linux-x86_64

run_all() {  # DIR TASC... : check and sim with the defaults, from DIR
  local dir=$1 rc=0
  shift
  (cd "$dir" && "$@" check examples/vehicle) >"$dir.check" || rc=$?
  echo "exit status $rc" >>"$dir.check"
  (cd "$dir" && "$@" --version) >"$dir.version"
  # The lines that name paths: the scenario's must be the packaged one.
  (cd "$dir" && "$@" sim) >"$dir.sim" || fail "$dir: tasc sim failed"
  grep -E '^scenario ' "$dir.sim" | grep -Eq '[\/]examples[\/]single-stop\.toml\)$' ||
    fail "$dir: tasc sim did not run the packaged example: $(grep '^scenario' "$dir.sim")"
  sed -E '/^(scenario|trace|chart) /d' "$dir.sim" >"$dir.summary"
}

# The reference: the POSIX build in its build tree, on a copy of the examples.
mkdir -p "$work/posix/examples"
cp -R "$source_dir/examples/." "$work/posix/examples/"
run_all "$work/posix" "$TASC_POSIX_BIN/tools/tasc/tasc"
run_all "$win" wine_run win64 "$win/x64/tasc.exe"
run_all "$linux" "$linux/tasc"
grep -q '^exit status 0$' "$work/posix.check" || fail "the bundled vehicle does not check clean"
echo "tasc $version" | cmp -s - "$work/posix.version" || fail "tasc --version: $(<"$work/posix.version")"
for dir in "$win" "$linux"; do
  same "$work/posix.check" "$dir.check" "$dir: tasc check report"
  same "$work/posix.version" "$dir.version" "$dir: tasc --version"
  same "$work/posix.summary" "$dir.summary" "$dir: tasc sim summary"
  same "$work/posix/tasc-sim-out/single-stop.trace.csv" "$dir/tasc-sim-out/single-stop.trace.csv" \
    "$dir: trace"
  same "$work/posix/tasc-sim-out/single-stop.svg" "$dir/tasc-sim-out/single-stop.svg" "$dir: chart"
done
passed && echo "packaged tasc.exe and tasc: $(grep '^stop error' "$work/posix.summary")"
