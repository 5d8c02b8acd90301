#!/usr/bin/env bash
# package.sh [--out DIR] [--linux-build DIR]: builds the download packages
# with CPack into DIR (default dist/):
#   TASC-<version>-windows.zip          x64/ and x86/ (TASC.dll, TASCRec.dll,
#                                       tasc.exe), examples/, QUICKSTART.txt
#   TASC-<version>-linux-x86_64.tar.gz  TASC.so, TASCRec.so, tasc, examples/,
#                                       QUICKSTART.txt
# The Windows builds are the presets win64 and win32 (mingw-w64), the Linux
# build the preset "package", or the build folder given (the tests package
# their own build). Exit status 0 done, 1 a build or CPack failed, 2 usage or
# a missing tool (mingw-w64, CMake).
set -euo pipefail
# Builtins only until the tools are known to be there.
cd "${0%/*}/.."
root=$PWD
out=$root/dist
linux_build=
while [ $# -gt 0 ]; do
  case $1 in
    --out) out=${2:?--out needs a folder}; shift 2 ;;
    --linux-build) linux_build=${2:?--linux-build needs a build folder}; shift 2 ;;
    *) echo "package: unknown argument $1 (usage: package.sh [--out DIR] [--linux-build DIR])" >&2
       exit 2 ;;
  esac
done
for tool in x86_64-w64-mingw32-g++ i686-w64-mingw32-g++; do
  command -v "$tool" >/dev/null || {
    echo "package: $tool not found: the Windows package needs mingw-w64 (Debian: g++-mingw-w64-x86-64 g++-mingw-w64-i686; scripts/setup.sh installs them)" >&2
    exit 2
  }
done
for tool in cmake cpack; do
  command -v "$tool" >/dev/null || { echo "package: $tool not found (Debian: cmake)" >&2; exit 2; }
done

targets=(--target TASC TASCRec tasc)
for preset in win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" "${targets[@]}"
done
if [ -z "$linux_build" ]; then
  cmake --preset package >/dev/null
  linux_build=$root/build/package
fi
linux_build=$(cd "$linux_build" && pwd)
cmake --build "$linux_build" "${targets[@]}"

mkdir -p "$out"
out=$(cd "$out" && pwd)
# bin of both Windows builds, the common files once.
win64=$root/build/win64 win32=$root/build/win32
cpack --config "$win64/CPackConfig.cmake" -B "$out" \
  -D "CPACK_INSTALL_CMAKE_PROJECTS=$win64;TASC;bin;/;$win64;TASC;common;/;$win32;TASC;bin;/" >/dev/null
cpack --config "$linux_build/CPackConfig.cmake" -B "$out" \
  -D "CPACK_INSTALL_CMAKE_PROJECTS=$linux_build;TASC;bin;/;$linux_build;TASC;common;/" >/dev/null
rm -rf "$out/_CPack_Packages"
ls "$out"/TASC-*-windows.zip "$out"/TASC-*-linux-*.tar.gz
