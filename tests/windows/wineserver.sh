#!/usr/bin/env bash
# wineserver.sh start|stop: the persistent wine server of the test run (a
# CTest fixture), so that each wine test takes a fraction of a second instead
# of starting a server and a prefix of its own.
set -euo pipefail
here=$(dirname "$0")
source "$here/wine_env.sh"
case "${1:-}" in
  start)
    command -v wine >/dev/null || { echo "wine is not installed (scripts/setup.sh installs it)" >&2; exit 1; }
    mkdir -p "$WINEPREFIX"
    wineserver -p >/dev/null 2>&1
    wine wineboot -i >/dev/null 2>&1
    ;;
  stop)
    wineserver -k >/dev/null 2>&1 || true
    ;;
  *) echo "usage: wineserver.sh start|stop" >&2; exit 2 ;;
esac
