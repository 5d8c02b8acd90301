#!/usr/bin/env bash
# Set-up for a fresh Debian 12 machine: installs the Debian packages that are
# missing (when run as root), then configures and builds one CMake preset.
#   scripts/setup.sh [PRESET]      (default: "default")
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine32.sh

PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev clang-format clang-tidy libgtest-dev
          libgmock-dev libbenchmark-dev libtomlplusplus-dev libcli11-dev libnlopt-dev
          libnlopt-cxx-dev nlohmann-json3-dev)

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

# apt_install PKG...: apt-get update, then install. A mirror caught mid-sync
# (an index of the wrong size) can fail the install for minutes: it is tried
# up to 4 times, TASC_APT_WAIT seconds apart (default 60). An index that fails
# to update fails nothing by itself: the packages may not need it.
apt_install() {
  local try
  for try in 1 2 3 4; do
    apt-get update -qq || true
    if DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" \
      >/dev/null; then
      return 0
    fi
    [ "$try" = 4 ] && break
    echo "setup: apt-get failed (try $try of 4); again in ${TASC_APT_WAIT:-60} s" >&2
    sleep "${TASC_APT_WAIT:-60}"
  done
  return 1
}

# install_packages PKG...: installs what is missing, or says what to install.
install_packages() {
  local missing
  missing=$(missing_packages "$@")
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "setup: installing:" $missing
    # shellcheck disable=SC2086
    apt_install $missing
  else
    echo "setup: missing Debian packages:" $missing "(run as root to install them)" >&2
    return 1
  fi
}

# install_windows_tools: mingw-w64 for the two Windows DLLs, wine (64-bit and,
# with the i386 architecture, 32-bit) to test them, qemu-user-static for the
# 32-bit loader where the kernel runs no 32-bit programs (scripts/wine32.sh),
# the locale sources for the Japanese test locale, and dpkg-dev to unpack
# NLopt's source package (configuring a Windows preset cross-builds NLopt for
# tasc.exe with scripts/nlopt_mingw.sh, once per build folder). Fails, saying
# so, when they cannot be installed, or, in CI, when the 32-bit loader cannot
# run.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 wine qemu-user-static locales
                  dpkg-dev)
install_windows_tools() {
  if ! install_packages "${WINDOWS_PACKAGES[@]}"; then
    echo "setup: FAILED to install mingw-w64 and wine:" "${WINDOWS_PACKAGES[@]}" >&2
    return 1
  fi
  install_wine32 || return 1
  if ! wine32_enable; then
    [ "${CI:-}" = true ] && { echo "setup: FAILED: cannot run the x86 DLL: $wine32_why" >&2; return 1; }
    echo "setup: the x86 comparisons will be skipped: $wine32_why" >&2
  fi
  return 0
}

# install_wine32: wine's 32-bit loader, from the i386 architecture.
install_wine32() {
  if [ -z "$(missing_packages wine32:i386)" ]; then return 0; fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing Debian package: wine32:i386 (run as root to install it)" >&2
    return 1
  fi
  echo "setup: installing: wine32:i386"
  dpkg --add-architecture i386
  apt_install wine32:i386 && return 0
  if [ "${CI:-}" = true ] || [ "${TASC_I386_TWINS:-}" = older ]; then
    pin_i386_twins wine32:i386 && apt_install --allow-downgrades wine32:i386 && return 0
  else
    echo "setup: if an i386 index failed to download, TASC_I386_TWINS=older installs the" \
      "older i386 twins the archive has, and their amd64 libraries at the same version" >&2
  fi
  echo "setup: FAILED to install wine32:i386" >&2
  return 1
}

# pin_i386_twins PKG: when an i386 index fails to download (a stale mirror),
# PKG's i386 libraries exist only at the main archive's older versions, and a
# Multi-Arch: same library must have one version on both architectures. Pins
# each such library's source package, on both architectures, to the version
# the i386 side has, so that apt puts the older amd64 twin beside it. The pins
# stay, so that later installs keep the pair (TASC_APT_PREFS, default
# /etc/apt/preferences.d/tasc-i386-twins: remove it to upgrade them again).
pin_i386_twins() {
  local prefs=${TASC_APT_PREFS:-/etc/apt/preferences.d/tasc-i386-twins} p status version multi src want
  : >"$prefs"
  for p in $(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
    --no-replaces --no-enhances "$1" | grep -E '^[a-z0-9].*:i386$' | sort -u); do
    read -r status version multi src < <(dpkg-query -W -f='${db:Status-Status} ${Version} ${Multi-Arch} ${source:Package}\n' "${p%:i386}:amd64" 2>/dev/null) || continue
    want=$(apt-cache policy "$p" | awk '/Candidate:/ { print $2 }')
    [ "$status $multi" = "installed same" ] && [ "$want" != "$version" ] && [ "$want" != "(none)" ] || continue
    echo "setup: no i386 twin of ${p%:i386} $version: pinning src:$src to $want" >&2
    printf 'Package: src:%s:any\nPin: version %s\nPin-Priority: 1001\n\n' "$src" "$want" >>"$prefs"
  done
  [ -s "$prefs" ] || { rm -f "$prefs"; return 1; }
}

# Every package that the set-up installs (scripts/check_packages.sh reads it).
SETUP_PACKAGES=("${PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" wine32:i386)

if [ "${TASC_SETUP_LIB:-}" = 1 ]; then return 0 2>/dev/null || exit 0; fi

install_packages "${PACKAGES[@]}"
preset=${1:-default}
cmake --preset "$preset" >/dev/null
# TASC_TARGETS: build only these targets (default: all of the preset).
# shellcheck disable=SC2086
cmake --build --preset "$preset" ${TASC_TARGETS:+--target $TASC_TARGETS}
