#!/usr/bin/env bash
# Set-up, then every test: the release build with warnings as errors, and the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

for preset in ci sanitize; do
  echo "== build and test: $preset"
  scripts/setup.sh "$preset"
  ctest --preset "$preset" -j2
done
