# Sourced by the scripts here: the wine set-up shared by every test. Expects
# TASC_WINE_PREFIX (a folder in the build tree).
export WINEPREFIX="$TASC_WINE_PREFIX"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY
