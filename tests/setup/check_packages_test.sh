#!/usr/bin/env bash
# scripts/check_packages.sh against package lists fed to it: a small Ninja
# build that reads headers of two listed packages and a CMake package file,
# checked with the set-up's lists and with lists that lack a package.
set -euo pipefail
cd "$(dirname "$0")/../.."
check=$PWD/scripts/check_packages.sh
build=$(mktemp -d)
stray=$build-stray.cmake # outside the builds and the sources, from no package
trap 'rm -rf "$build" "$stray"' EXIT
: >"$stray"

# The fake build of data/fake: a source that reads those headers, its Ninja file.
cp -R tests/setup/data/fake "$build/fake"
sed -e "s|@BUILD@|$build|" -e "s|@SOURCE@|$PWD|" tests/setup/data/fake/build.ninja.in \
  >"$build/fake/build.ninja"
ninja -C "$build/fake" -d keepdepfile reads.o >/dev/null
mkdir "$build/stray"
printf 'rule RERUN_CMAKE\n  command = true\nbuild build.ninja: RERUN_CMAKE | %s\n' "$stray" \
  >"$build/stray/build.ninja"

lines=$(bash "$check" --listed)
listed=$(tr '\n' ' ' <<<"$lines")
# without PACKAGE...: the set-up's lists less these.
without() { grep -vx "${@/#/-e}" <<<"$lines" | tr '\n' ' '; }

failures=0
# The cases of data/check_packages.txt: name | packages | build | exit status | a line the output
# must hold ($listed, $(without ...) and $stray expanded)
while IFS='|' read -r name packages folder status expect; do
  packages=$(eval "echo $packages") expect=$(eval "echo \"$expect\"")
  out=$(TASC_PACKAGES=$packages bash "$check" "$build/$folder" 2>&1) && got=0 || got=$?
  if [ "$got" != "$status" ] || ! grep -qF -- "$expect" <<<"$out"; then
    echo "FAIL $name: exit $got (want $status), output lacks: $expect"
    printf '%s\n' "$out" | sed 's/^/  /'
    failures=$((failures + 1))
  fi
done <tests/setup/data/check_packages.txt
[ "$failures" -eq 0 ] || { echo "$failures case(s) failed"; exit 1; }
echo "check_packages: all cases passed"
