#!/usr/bin/env bash
# nlopt_mingw.sh TOOLCHAIN_FILE PREFIX: NLopt for a mingw-w64 cross build of
# `tasc` (the tuner searches with it), built from Debian's source package with
# NLopt's own CMake: a static library with its C++ header, no language
# bindings. Idempotent: nothing is done when PREFIX already holds the library;
# the source is fetched once into build/nlopt-source and shared by the presets.
# Needs a deb-src entry for the configured Debian mirror; as root it adds one
# (/etc/apt/sources.list.d/tasc-deb-src.sources or .list) when apt-get source
# finds none.
set -euo pipefail
toolchain=$(realpath "$1")
prefix=$(realpath -m "$2")
root=$(cd "$(dirname "$0")/.." && pwd)

# The stamp marks a library built with the prefix maps below and the
# toolchain's own flags (SSE2 arithmetic on x86): one built otherwise is built
# again.
stamp="$prefix/tasc-flags-2.stamp"
if [ -f "$prefix/lib/libnlopt.a" ] && [ -f "$prefix/include/nlopt.hpp" ] && [ -f "$stamp" ]; then
  exit 0
fi

source_cache="$root/build/nlopt-source"

# add_deb_src: a deb-src twin of every Debian bookworm entry of the
# configured sources, deb822 files (debian.sources, or any other name) and
# one-line lists alike.
add_deb_src() {
  local out=/etc/apt/sources.list.d/tasc-deb-src f stanzas='' lines=''
  [ "$(id -u)" -eq 0 ] || { echo "nlopt: no deb-src entry for nlopt (run as root to add one)" >&2; return 1; }
  for f in /etc/apt/sources.list.d/*.sources; do
    { [ -f "$f" ] && [ "$f" != "$out.sources" ]; } || continue
    stanzas+=$(awk -v RS= '/(^|\n)Types: deb(\n|$)/ && /(^|\n)Suites:[^\n]*bookworm/ {
                 sub(/(^|\n)Types: deb(\n|$)/, "\nTypes: deb-src\n"); print $0 "\n" }' "$f")$'\n'
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    { [ -f "$f" ] && [ "$f" != "$out.list" ]; } || continue
    lines+=$(awk '$1 == "deb" && / bookworm/ { $1 = "deb-src"; print }' "$f")$'\n'
  done
  rm -f "$out.sources" "$out.list"
  [ -n "${stanzas//$'\n'/}" ] && printf '%s' "$stanzas" >"$out.sources"
  [ -n "${lines//$'\n'/}" ] && printf '%s' "$lines" >"$out.list"
  if [ ! -f "$out.sources" ] && [ ! -f "$out.list" ]; then
    echo "nlopt: no Debian bookworm entry in the apt sources to add a deb-src twin of" >&2
    return 1
  fi
  apt-get update -qq
}

fetch_source() {
  local dir
  dir=$(find "$source_cache" -mindepth 1 -maxdepth 1 -type d -name 'nlopt-*' 2>/dev/null | head -n1)
  if [ -n "$dir" ] && [ -f "$dir/CMakeLists.txt" ]; then echo "$dir"; return 0; fi
  mkdir -p "$source_cache"
  command -v dpkg-source >/dev/null || { echo "nlopt: dpkg-dev is needed to unpack the source" >&2; return 1; }
  if ! (cd "$source_cache" && apt-get source -qq nlopt >/dev/null 2>&1); then
    add_deb_src >&2
    (cd "$source_cache" && apt-get source -qq nlopt >/dev/null)
  fi
  find "$source_cache" -mindepth 1 -maxdepth 1 -type d -name 'nlopt-*' | head -n1
}

src=$(fetch_source)
[ -n "$src" ] || { echo "nlopt: cannot fetch Debian's nlopt source" >&2; exit 1; }
work="$prefix-build"
echo "nlopt: building $(basename "$src") for $(basename "$toolchain" .cmake) into $prefix" >&2
# No path of this machine in the library (its assertions name their source
# files): the source folder reads nlopt/, the build folder nlopt-build/.
rm -rf "$work" "$stamp"
src=$(cd "$src" && pwd)
maps="-ffile-prefix-map=$src/=nlopt/ -ffile-prefix-map=$work/=nlopt-build/"
# Through the environment, so that CMake adds the toolchain's flags to them;
# -DCMAKE_C_FLAGS would replace those, and the x86 library would compute
# with x87 arithmetic, unlike the rest of the program.
CFLAGS="$maps" CXXFLAGS="$maps" cmake -S "$src" -B "$work" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
  -DNLOPT_CXX=OFF -DNLOPT_FORTRAN=OFF -DNLOPT_PYTHON=OFF -DNLOPT_OCTAVE=OFF -DNLOPT_MATLAB=OFF \
  -DNLOPT_GUILE=OFF -DNLOPT_SWIG=OFF -DNLOPT_TESTS=OFF >/dev/null
cmake --build "$work" -j2 >/dev/null
cmake --install "$work" >/dev/null
[ -f "$prefix/lib/libnlopt.a" ] || { echo "nlopt: no static library after the build" >&2; exit 1; }
touch "$stamp"
