#!/usr/bin/env bash
# static_checks.sh BUILD_DIR: the sources are clang-format clean, and
# clang-tidy (.clang-tidy, every warning an error) finds nothing in the
# plug-in, the tools, the fuzzers, the benchmarks and the test instruments of
# BUILD_DIR's compile_commands.json. The tests themselves are left to the
# compilers' warnings.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: static_checks.sh BUILD_DIR}

echo "== clang-format"
git ls-files '*.cpp' '*.h' | xargs clang-format-14 --dry-run --Werror

echo "== clang-tidy"
# run-clang-tidy prints every diagnostic; its exit status says whether any was
# found. Only the files that this build compiles are checked.
run-clang-tidy-14 -p "$build" -quiet -j "$(nproc)" "$(pwd)/(src|tools|fuzz|bench|tests/instruments)/" >"$build/clang-tidy.log" 2>&1 || {
  sed 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.log" | grep -E '(warning|error):' | sort -u >&2
  echo "static checks: clang-tidy found the above" >&2
  exit 1
}
echo "clang-tidy: clean"
