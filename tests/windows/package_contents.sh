#!/usr/bin/env bash
# package_contents.sh DIST VERSION LIST: the two archives in DIST hold
# exactly the files of LIST (@VERSION@ standing for VERSION): a missing or
# an extra file fails, and so does a missing archive. A line PREFIX/docs/@DOCS@
# stands for every page and picture (*.md, *.svg) under the source's docs/,
# which the packages take by that pattern; the pages named on lines of their
# own must be there whatever the pattern finds.
set -euo pipefail
dist=$1 version=$2 list=$3
docs=$(cd "$(dirname "$0")/../../docs" && pwd)
actual=$(
  for archive in "TASC-$version-linux-x86_64.tar.gz" "TASC-$version-windows.zip"; do
    echo "== $archive"
    [ -f "$dist/$archive" ] || continue
    # Files only: folders are listed by one archive format and not the other.
    cmake -E tar tf "$dist/$archive" | grep -v '/$' | LC_ALL=C sort
  done
)
pages=$(cd "$docs" && find . -type f \( -name '*.md' -o -name '*.svg' \) | sed 's|^\./||')
# expand: the list's lines, @DOCS@ expanded, each archive's lines sorted.
expand() {
  local line section=
  while IFS= read -r line; do
    case $line in
      '== '*)
        [ -n "$section" ] && LC_ALL=C sort -u <<<"$section"
        echo "$line"
        section= ;;
      */docs/@DOCS@) for page in $pages; do section+="${line%@DOCS@}$page"$'\n'; done ;;
      *) section+="$line"$'\n' ;;
    esac
  done
  [ -z "$section" ] || LC_ALL=C sort -u <<<"$section"
}
expected=$(sed "s/@VERSION@/$version/g" "$list" | expand | grep -v '^$')
if [ "$actual" != "$expected" ]; then
  echo "FAIL: the packages differ from $list (< wanted, > packaged):" >&2
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  exit 1
fi
echo "$(grep -vc '^==' <<<"$actual") files in 2 packages"
