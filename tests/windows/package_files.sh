#!/usr/bin/env bash
# package_files.sh DIST VERSION WORK_DIR PATH...: unpacks the Windows zip and
# the Linux archive of DIST into WORK_DIR and checks their files' bytes:
#   - no file holds any PATH given (the source folder and the build folders:
#     a binary must not carry the machine that built it), found as grep -a
#     finds them, in the binaries and the text alike;
#   - every text file (*.toml, *.ini, *.csv, *.txt, *.md) of the Windows zip
#     ends its lines with CRLF, and none of the Linux archive has a CR.
set -euo pipefail
dist=$(cd "$1" && pwd) version=$2 work=$3
shift 3
rm -rf "$work" && mkdir -p "$work/windows" "$work/linux"
(cd "$work/windows" && cmake -E tar xf "$dist/TASC-$version-windows.zip")
(cd "$work/linux" && cmake -E tar xf "$dist/TASC-$version-linux-x86_64.tar.gz")

status=0
fail() { echo "FAIL: $*" >&2; status=1; }
for path in "$@"; do
  [ -n "$path" ] || continue
  found=$(grep -rlaF -- "$path" "$work" || true)
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
done < <(texts "$work/windows")
[ "$count" -gt 0 ] || fail "no text file in the Windows zip"
while IFS= read -r f; do
  ! LC_ALL=C grep -q $'\r' "$f" || fail "${f#$work/}: a CR in the Linux archive"
done < <(texts "$work/linux")
[ $status = 0 ] && echo "no build path in $(find "$work" -type f | wc -l) packaged files; $count Windows text files in CRLF"
exit $status
