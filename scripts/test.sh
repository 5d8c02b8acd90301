#!/usr/bin/env bash
# Set-up, then every test: the release build with warnings as errors, the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, and the
# static checks; in CI also a minute of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."

# The Windows DLLs are built and tested under wine by the suite itself
# (tests/windows); their tools must be there, or the run fails here. Where
# the kernel runs no 32-bit programs this registers qemu-i386 for wine's
# 32-bit loader (scripts/wine32.sh); in CI the x86 DLL must run.
TASC_SETUP_LIB=1 source scripts/setup.sh
install_windows_tools || { echo "test: mingw-w64 and wine are required" >&2; exit 1; }

# The Windows builds (win64, win32, each with NLopt's cross build) first: the
# suite's windows.build fixture then finds them built, and on a fresh or busy
# machine they are not held to that test's time limit.
echo "== build: win64 win32"
install_packages "${PACKAGES[@]}"
bash tests/windows/build_windows.sh "$PWD"

# In CI the Windows tasc.exe must have `tune` and `fit`: without NLopt's
# cross build (scripts/nlopt_mingw.sh) it is built without them, with only a
# warning that a passing run would hide.
if [ "${CI:-}" = true ]; then
  for build in win64 win32; do
    [ -f "build/$build/nlopt/lib/libnlopt.a" ] || {
      echo "test: build/$build has no NLopt: its tasc.exe lacks tune and fit" >&2
      exit 1
    }
  done
fi

for preset in ci sanitize; do
  echo "== build and test: $preset"
  scripts/setup.sh "$preset"
  ctest --preset "$preset" -j2
done

# clang-format and clang-tidy: any finding fails the run.
scripts/static_checks.sh build/ci

if [ "${CI:-}" = true ]; then
  echo "== build: fuzz"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
fi

# Every header and CMake file that the builds read from the system comes from
# a package that the set-up installs (or that one of them pulls in): what
# this machine has from earlier work is named before a fresh machine fails.
echo "== packages the builds read"
read_by=()
for build in ci sanitize win64 win32 fuzz; do [ -d "build/$build" ] && read_by+=("build/$build"); done
scripts/check_packages.sh "${read_by[@]}"

# In CI: the libFuzzer fuzzers, 60 s each on a copy of their seed corpus (the
# committed corpus stays as it is). A finding fails the run; its input is left
# in the work folder printed below.
if [ "${CI:-}" = true ]; then
  work=$(mktemp -d)
  root=$(pwd)
  for fuzzer in csv_loader_fuzz profile_fuzz calls_fuzz recording_fuzz; do
    echo "== fuzz: $fuzzer (60 s)"
    mkdir -p "$work/$fuzzer/corpus" "$work/$fuzzer/findings"
    cp fuzz/corpus/"$fuzzer"/* "$work/$fuzzer/corpus/"
    (cd "$work/$fuzzer/findings" &&
     "$root/build/fuzz/fuzz/$fuzzer" -max_total_time=60 -max_len=20000 -timeout=10 \
       -print_final_stats=1 "$work/$fuzzer/corpus") || {
      echo "test: $fuzzer found a fault; inputs in $work/$fuzzer/findings" >&2
      exit 1
    }
  done
  rm -rf "$work"
fi
