#!/usr/bin/env bash
# package_test.sh DIST VERSION WORK_DIR LIST PATH...: the archives that
# scripts/package.sh made in DIST, unpacked into WORK_DIR, and their tools run
# as development.md ("Packaging") says; besides, the archives hold exactly the
# files of LIST (@VERSION@: VERSION; PREFIX/docs/@DOCS@: every *.md and *.svg
# under docs/, the pages on lines of their own whatever that finds), no file
# holds a PATH given (a binary must not carry the machine that built it), and
# the zip's text files end their lines in CRLF, and no Linux file holds a CR.
# Environment: TASC_POSIX_BIN, TASC_WINE_PREFIX.
set -euo pipefail
dist=$(cd "$1" && pwd) version=$2 work=$3 list=$4
shift 4
source "$(dirname "$0")/wine_env.sh"
use_locale
rm -rf "$work" && mkdir -p "$work/posix"
tgz=TASC-$version-linux-x86_64.tar.gz zip=TASC-$version-windows.zip
for archive in "$tgz" "$zip"; do
  mkdir "$work/$archive" && (cd "$work/$archive" && cmake -E tar xf "$dist/$archive")
done
win=$work/$zip/TASC-$version-windows linux=$work/$tgz/TASC-$version-linux-x86_64

# The files of each archive under its name, sorted: as unpacked, and as LIST
# has them (its "== ARCHIVE" lines name the archive of the lines below them).
actual=$(cd "$work" && find "$tgz" "$zip" -type f | LC_ALL=C sort)
pages=$(cd "$source_dir/docs" && find . -type f \( -name '*.md' -o -name '*.svg' \) | sed 's|^\./||')
expected=$(sed "s/@VERSION@/$version/g" "$list" | while IFS= read -r line; do
  case $line in
    '') ;;
    '== '*) archive=${line#== } ;;
    */docs/@DOCS@) for page in $pages; do echo "$archive/${line%@DOCS@}$page"; done ;;
    *) echo "$archive/$line" ;;
  esac
done | LC_ALL=C sort -u)
if [ "$actual" != "$expected" ]; then
  fail "the packages differ from $list (< wanted, > packaged):"
  diff <(echo "$expected") <(echo "$actual") >&2 || true
fi

for path in "$@"; do
  [ -n "$path" ] || continue
  found=$(grep -rlaF -- "$path" "$work/$zip" "$work/$tgz" || true)
  [ -z "$found" ] || fail "the build machine's path $path is in: ${found//$work\//}"
done
texts() { find "$1" -type f \( -name '*.toml' -o -name '*.ini' -o -name '*.csv' -o -name '*.txt' -o -name '*.md' \); }
count=0
while IFS= read -r f; do
  count=$((count + 1))
  # As many line feeds as lines that end in a carriage return.
  lf=$(LC_ALL=C tr -cd '\n' <"$f" | wc -c)
  if [ "$lf" = 0 ] || [ "$lf" != "$(LC_ALL=C grep -c $'\r$' "$f")" ]; then
    fail "${f#$work/}: not every line ends in CRLF"
  fi
done < <(texts "$work/$zip")
[ "$count" -gt 0 ] || fail "no text file in the Windows zip"
while IFS= read -r f; do
  ! LC_ALL=C grep -q $'\r' "$f" || fail "${f#$work/}: a CR in the Linux archive"
done < <(texts "$work/$tgz")

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
for dir in "$win" "$linux"; do  # check's report, --version, sim's summary, trace and chart
  for f in .check .version .summary /tasc-sim-out/single-stop.trace.csv /tasc-sim-out/single-stop.svg; do
    same "$work/posix$f" "$dir$f" "$dir$f"
  done
done
passed && echo "$(wc -l <<<"$actual") files in 2 packages, $count Windows text files in" \
  "CRLF, no build path; packaged tasc.exe and tasc: $(grep '^stop error' "$work/posix.summary")"
