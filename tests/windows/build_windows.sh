#!/usr/bin/env bash
# build_windows.sh SOURCE_DIR: configures and builds the two Windows presets
# (win64, win32) with mingw-w64. A CTest fixture: every Windows test needs it.
set -euo pipefail
cd "$1"
for tool in x86_64-w64-mingw32-g++ i686-w64-mingw32-g++; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/setup.sh installs it)" >&2; exit 1; }
done
for preset in win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
