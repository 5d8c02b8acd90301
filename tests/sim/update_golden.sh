#!/usr/bin/env bash
# Regenerates the golden traces and summaries (and the README's chart)
# from a build, after an intended change of behaviour:
#   tests/sim/update_golden.sh [BUILD_DIR]     (default: build/default)
# Review the difference (git diff tests/sim/golden) before committing it.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/default}
sim="$build/tools/tasc/tasc sim"
plugin=$build/TASC.so
$sim --plugin "$plugin" --quiet --no-chart --trace tests/sim/golden/single-stop.trace.csv \
  examples/single-stop.toml
$sim --plugin "$plugin" --quiet --jobs 2 --trace tests/sim/golden/sweep.sweep.csv examples/sweep.toml
# The README's chart.
$sim --plugin "$plugin" --quiet --no-trace --chart docs/single-stop.svg examples/single-stop.toml
echo "golden traces written to tests/sim/golden/, the chart to docs/"
