#!/usr/bin/env bash
# wineserver.sh start|stop: the persistent wine server of the test run (a
# CTest fixture), so that each wine test takes a fraction of a second instead
# of starting a server and a prefix of its own.
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"
case "${1:-}" in
  start)
    [ -n "$tasc_wine64" ] && [ -n "$tasc_wineserver" ] ||
      { echo "wine64 is not installed (scripts/setup.sh installs it)" >&2; exit 1; }
    # A server that an earlier run left behind is stopped first: -p fails
    # while another server holds the prefix.
    "$tasc_wineserver" -k >/dev/null 2>&1 || true
    "$tasc_wineserver" -w >/dev/null 2>&1 || true
    # The x86 runs need the prefix's 32-bit system files, which only a boot
    # with a working 32-bit loader installs: a prefix booted before that is
    # booted afresh.
    if wine32_enable; then
      [ -e "$tasc_binfmt/qemu-i386" ] && echo "x86: wine's 32-bit loader runs under qemu-i386"
      [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] || rm -rf "${WINEPREFIX:?}"
    else
      echo "x86: $wine32_why"
    fi
    mkdir -p "$WINEPREFIX"
    # The server outlives this script: it must not hold the test's output open.
    "$tasc_wineserver" -p >/dev/null 2>&1 || { echo "wineserver did not start" >&2; exit 1; }
    wine_run win64 wineboot -i >/dev/null 2>&1 || { echo "wineboot failed" >&2; exit 1; }
    ;;
  stop)
    "$tasc_wineserver" -k >/dev/null 2>&1 || true
    ;;
  *) echo "usage: wineserver.sh start|stop" >&2; exit 2 ;;
esac
