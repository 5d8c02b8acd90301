#!/usr/bin/env bash
# Set-up, then the main job on the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh default
exec build/default/tools/tasc/tasc sim
