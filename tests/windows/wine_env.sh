# Sourced by the scripts here: the wine set-up shared by every test. Expects
# TASC_WINE_PREFIX (a folder in the build tree).
export WINEPREFIX="$TASC_WINE_PREFIX"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY

# The 64-bit loader runs x64 programs by itself, so a kernel that runs no
# 32-bit programs (no IA-32 emulation) still runs them; the plain `wine`
# starts the 32-bit loader first.
tasc_wine64=/usr/lib/wine/wine64
[ -x "$tasc_wine64" ] || tasc_wine64=$(command -v wine64 || true)
tasc_wineserver=/usr/lib/wine/wineserver64
[ -x "$tasc_wineserver" ] || tasc_wineserver=$(command -v wineserver || true)

# wine_run FLAVOUR PROGRAM ARGS...: runs a win64 or win32 program.
wine_run() {
  local flavour=$1
  shift
  if [ "$flavour" = win64 ]; then
    WINELOADER="$tasc_wine64" "$tasc_wine64" "$@"
  else
    wine "$@"
  fi
}

# wine32_runs and wine32_enable: the 32-bit loader, natively or under
# qemu-i386 where the kernel runs no 32-bit programs.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine32.sh"
# Under qemu-i386 a 32-bit guest gets 2 GiB and 16 MiB of address space (the
# default is 4 GiB). The loader reserves all memory above 2 GiB in 64 KiB
# pieces that qemu cannot place where asked, and for each one qemu searches
# down through the used memory at the top of the space: with 4 GiB a program
# start took over a minute of CPU time, with 2 GiB and 32 MiB five seconds,
# with this two. Programs that are not large-address aware use 2 GiB anyway;
# the loader needs the shared page just below 2 GiB and memory above it, qemu
# its 8 MiB stack at the top. A native loader ignores the variable.
export QEMU_RESERVED_VA=0x81000000
