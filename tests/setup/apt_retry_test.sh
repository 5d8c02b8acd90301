#!/usr/bin/env bash
# setup.apt_retry (development.md, "Building"): apt_install against an apt-get
# failing its first N installs; the older i386 twins pinned when asked, and only those needed.
set -euo pipefail
cd "$(dirname "$0")/../.."
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
cat >"$fake/apt-get" <<'FAKE'
#!/usr/bin/env bash
echo "$*" >>"$FAKE_LOG"
[ "$1" = update ] && exit 100  # an index of the wrong size
n=$(grep -c '^install' "$FAKE_LOG")
[ "$n" -gt "$FAILS" ] || exit 100
FAKE
chmod +x "$fake/apt-get"
export PATH=$fake:$PATH TASC_APT_WAIT=0 FAKE_LOG=$fake/log FAILS
# apt_install PKG...: the set-up's own, from the set-up sourced as a library.
apt_install() { bash -c 'TASC_SETUP_LIB=1 source scripts/setup.sh; apt_install "$@"' scripts/setup.sh "$@"; }
for fails in 0 3 4; do
  : >"$FAKE_LOG"
  if FAILS=$fails apt_install wine32:i386 2>/dev/null; then got=installed; else got=failed; fi
  want=installed tries=$((fails + 1))
  [ "$fails" -lt 4 ] || want=failed tries=4
  if [ "$got" != "$want" ] || [ "$(grep -c '^install -y' "$FAKE_LOG")" != "$tries" ] ||
    [ "$(grep -c '^update' "$FAKE_LOG")" != "$tries" ]; then
    echo "FAIL: $fails failing installs: $got, want $want after $tries tries; apt-get calls:"
    cat "$FAKE_LOG"
    exit 1
  fi
done

# The fake archive (data/apt_archive.txt says its columns and cases).
grep -v '^#' tests/setup/data/apt_archive.txt >"$fake/archive"
cat >"$fake/apt-cache" <<'FAKE'
#!/usr/bin/env bash
[ "$1" = depends ] && { echo "${*: -1}"; awk '{ print "  Depends: " $1 ":i386"; print $1 ":i386" }' "${0%/*}/archive"; }
[ "$1" = policy ] && awk -v p="${2%:i386}" '$1 == p { print "  Candidate: " $6 }' "${0%/*}/archive"
exit 0
FAKE
cat >"$fake/dpkg-query" <<'FAKE'
#!/usr/bin/env bash
awk -v p="${3%:amd64}" '$1 == p && $2 != "not-installed" { print $2, $3, $4, $5; found = 1 } END { exit !found }' "${0%/*}/archive"
FAKE
cat >"$fake/dpkg" <<'FAKE'
#!/usr/bin/env bash
FAKE
chmod +x "$fake/apt-cache" "$fake/dpkg-query" "$fake/dpkg"
export TASC_APT_PREFS=$fake/prefs FAILS=4
wine32() { bash -c 'TASC_SETUP_LIB=1 source scripts/setup.sh; missing_packages() { echo "$@"; }; install_wine32' scripts/setup.sh >/dev/null 2>&1; }
: >"$FAKE_LOG"
if CI= wine32 || [ -e "$fake/prefs" ]; then echo "FAIL: pinned older twins unasked"; exit 1; fi
want=$'Package: src:zlib:any\nPin: version 1:1.2.13-1\nPin-Priority: 1001'
: >"$FAKE_LOG"
if ! CI=true wine32 || [ "$(cat "$fake/prefs")" != "$want" ] ||
  [ "$(grep -c '^install -y.*--allow-downgrades wine32:i386' "$FAKE_LOG")" != 1 ]; then
  echo "FAIL: want zlib's pin only, then one install allowed to downgrade; pins, apt-get calls:"
  cat "$fake/prefs" "$FAKE_LOG"
  exit 1
fi
echo "apt_install: installs on a later try, gives up after the fourth; older i386 twins pinned when asked"
