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

# Whether this kernel runs the 32-bit wine loader (and so x86 programs).
wine32_runs() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}
