#!/usr/bin/env bash
# Set-up for a fresh Debian 12 machine: installs the Debian packages that are
# missing (when run as root), then configures and builds one CMake preset.
#   scripts/setup.sh [PRESET]      (default: "default")
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev
          libbenchmark-dev libtomlplusplus-dev libcli11-dev)

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

# install_packages PKG...: installs what is missing, or says what to install.
install_packages() {
  local missing
  missing=$(missing_packages "$@")
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "setup: installing:" $missing
    apt-get update -qq
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
  else
    echo "setup: missing Debian packages:" $missing "(run as root to install them)" >&2
    return 1
  fi
}

if [ "${TASC_SETUP_LIB:-}" = 1 ]; then return 0 2>/dev/null || exit 0; fi

install_packages "${PACKAGES[@]}"
preset=${1:-default}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
