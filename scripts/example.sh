#!/usr/bin/env bash
# Set-up, then the main job on the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
# Only what it runs: the plug-in and `tasc` (the test command builds the rest).
TASC_TARGETS="TASC tasc" scripts/setup.sh example
exec build/example/tools/tasc/tasc sim --out build/example/tasc-sim-out
