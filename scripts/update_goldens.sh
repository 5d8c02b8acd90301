#!/usr/bin/env bash
# update_goldens.sh [PRESET]: after an intended change of behaviour, rewrites
# every golden the suite compares (default preset ci): it builds the preset,
# then runs the suite (the Windows comparisons aside: they hold no golden)
# with TASC_UPDATE_GOLDEN=1, under which a golden comparison that differs
# writes the new output over its golden and passes, whatever its test's name. Then it lists what changed: review
# it (git diff) before committing. Exit status: the tests' (a test can still
# fail for what is no golden, such as an exit status).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-ci}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
export TASC_UPDATE_GOLDEN=1
status=0
ctest --preset "$preset" -E '^windows\.' -j2 || status=$?
echo "== goldens changed"
git status --short -- tests docs README.md
exit "$status"
