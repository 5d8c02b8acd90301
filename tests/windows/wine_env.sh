# Sourced by every Windows test (docs/development.md, "Testing under wine").
# Expects TASC_WINE_PREFIX (a folder in the build tree); the flavours'
# functions TASC_POSIX_BIN, TASC_WIN64_BIN and TASC_WIN32_BIN (build folders).
# Sets here (this folder) and source_dir (the source tree) for the scripts.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
export WINEPREFIX="$TASC_WINE_PREFIX"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY

# The loaders of the x64 runs (development.md); plain `wine` starts the 32-bit one.
tasc_wine64=/usr/lib/wine/wine64
[ -x "$tasc_wine64" ] || tasc_wine64=$(command -v wine64 || true)
tasc_wineserver=/usr/lib/wine/wineserver64
[ -x "$tasc_wineserver" ] || tasc_wineserver=$(command -v wineserver || true)

# wine_run FLAVOUR PROGRAM ARGS...: runs a win64 or win32 program; stopped
# after TASC_RUN_TIMEOUT seconds when that is set.
wine_run() {
  local flavour=$1 limit=()
  shift
  [ -n "${TASC_RUN_TIMEOUT:-}" ] && limit=(timeout "$TASC_RUN_TIMEOUT")
  if [ "$flavour" = win64 ]; then
    WINELOADER="$tasc_wine64" "${limit[@]}" "$tasc_wine64" "$@"
  else
    "${limit[@]}" wine "$@"
  fi
}

# wine32_runs and wine32_enable: the 32-bit loader, natively or under qemu-i386.
source "$source_dir/scripts/wine32.sh"
# Under qemu-i386 a 32-bit guest gets 2 GiB and 16 MiB of address space (the
# default is 4 GiB). The loader reserves all memory above 2 GiB in 64 KiB
# pieces that qemu cannot place where asked, and for each one qemu searches
# down through the used memory at the top of the space: with 4 GiB a program
# start took over a minute of CPU time, with 2 GiB and 32 MiB five seconds,
# with this two. Programs that are not large-address aware use 2 GiB anyway;
# the loader needs the shared page just below 2 GiB and memory above it, qemu
# its 8 MiB stack at the top. A native loader ignores the variable.
export QEMU_RESERVED_VA=0x81000000

# The one dispatch on the flavour (posix, win64 or win32).
# flavour_bin FLAVOUR: its build folder (TASC_POSIX_BIN, TASC_WIN64_BIN...).
flavour_bin() { local v="TASC_${1^^}_BIN"; printf '%s' "${!v:?unknown flavour $1}"; }
# flavour_exec FLAVOUR PROGRAM ARGS...: runs that build's PROGRAM, named
# relative to its build folder (PROGRAM.exe under wine).
flavour_exec() {
  if [ "$1" = posix ]; then "$TASC_POSIX_BIN/$2" "${@:3}"; else wine_run "$1" "$(flavour_bin "$1")/$2.exe" "${@:3}"; fi
}
# flavour_tasc FLAVOUR ARGS...: runs that build's tasc.
flavour_tasc() { flavour_exec "$1" tools/tasc/tasc "${@:2}"; }
# module_ext FLAVOUR: the file type of that build's modules (so or dll).
module_ext() { if [ "$1" = posix ]; then echo so; else echo dll; fi; }
# flavour_path FLAVOUR PATH: PATH as that build's programs take it (under
# wine its Windows name, drive Z:).
flavour_path() { if [ "$1" = posix ]; then printf '%s' "$2"; else winpath "$2"; fi; }
# flavour_plugin FLAVOUR: that build's plug-in, as its programs take it.
flavour_plugin() { flavour_path "$1" "$(flavour_bin "$1")/TASC.$(module_ext "$1")"; }
# winpath PATH: the Windows name of a POSIX path under wine (drive Z:).
winpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }

# fail WHY: a failure, said and counted in $work/failures (the scripts set
# work), so that those of subshells count too; passed: none was.
fail() { echo "FAIL: $*" >&2; echo "$*" >>"$work/failures"; }
passed() { [ ! -s "$work/failures" ]; }
# same FILE FILE WHAT: the one way the builds' outputs are compared: byte for
# byte, the first lines that differ shown.
same() { cmp -s "$1" "$2" && return; fail "$3 differs:"; diff "$1" "$2" | head -20 >&2 || true; }

# use_locale [LOCALE]: the locale of the run (C.UTF-8 unless a case names
# one, which is looked for in TASC_LOCALE_DIR too).
use_locale() {
  local locale=${1:-C.UTF-8}
  [ "$locale" = C.UTF-8 ] || export LOCPATH="$TASC_LOCALE_DIR"
  export LANG=$locale LC_ALL=$locale
}

# skip_unless_runs FLAVOUR: win32 where its loader cannot run: skipped (77), or in CI failed.
skip_unless_runs() {
  [ "$1" = win32 ] || return 0
  wine32_enable check && return 0
  [ "${CI:-}" = true ] && { echo "FAIL: cannot run the x86 build: $wine32_why" >&2; exit 1; }
  echo "skipped: cannot run the x86 build: $wine32_why"
  exit 77
}
