#!/usr/bin/env bash
# package_contents.sh DIST VERSION LIST: the two archives in DIST hold
# exactly the files of LIST (@VERSION@ standing for VERSION): a missing or
# an extra file fails, and so does a missing archive.
set -euo pipefail
dist=$1 version=$2 list=$3
actual=$(
  for archive in "TASC-$version-linux-x86_64.tar.gz" "TASC-$version-windows.zip"; do
    echo "== $archive"
    [ -f "$dist/$archive" ] || continue
    # Files only: folders are listed by one archive format and not the other.
    cmake -E tar tf "$dist/$archive" | grep -v '/$' | LC_ALL=C sort
  done
)
expected=$(sed "s/@VERSION@/$version/g" "$list")
if [ "$actual" != "$expected" ]; then
  echo "FAIL: the packages differ from $list (< wanted, > packaged):" >&2
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  exit 1
fi
echo "$(grep -vc '^==' <<<"$actual") files in 2 packages"
