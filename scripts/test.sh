#!/usr/bin/env bash
# Set-up, then every test: the release build with warnings as errors, and the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

# The Windows DLLs are built and tested under wine by the suite itself
# (tests/windows); their tools must be there, or the run fails here.
TASC_SETUP_LIB=1 source scripts/setup.sh
install_windows_tools || { echo "test: mingw-w64 and wine are required" >&2; exit 1; }

for preset in ci sanitize; do
  echo "== build and test: $preset"
  scripts/setup.sh "$preset"
  ctest --preset "$preset" -j2
done
