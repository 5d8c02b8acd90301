#!/usr/bin/env bash
# setup.apt_retry (docs/development.md): apt_install against a fake apt-get that fails its first N.
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
echo "apt_install: installs on a later try, gives up after the fourth"
