#!/usr/bin/env bash
# bad_plugin.sh FLAVOUR WORK_DIR: `tasc sim --plugin` with a plug-in that
# cannot run (missing, not a module, a Windows DLL of the other bitness, or
# one given to the POSIX build) prints one line naming the file and the
# reason, nothing on standard output, and exits 1; never a crash.
# FLAVOUR posix, win64 or win32 (under wine; win32 skips like compare_case.sh).
set -euo pipefail
flavour=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
source "$here/wine_env.sh"
skip_unless_runs "$flavour"
rm -rf "$work" && mkdir -p "$work"
printf 'not a module\n' >"$work/text.dll"

scenario=$source_dir/examples/single-stop.toml
# Each case: the plug-in given, and what the one line must say.
case $flavour in
  posix) cases=("$work/none/TASC.so|no plug-in at"
                "$work/text.dll|not a plug-in module for this system"
                "$TASC_WIN64_BIN/TASC.dll|a Windows DLL: this tasc loads TASC.so") ;;
  win64) cases=("$work/none/TASC.dll|no plug-in at"
                "$work/text.dll|(not a DLL)"
                "$TASC_WIN32_BIN/TASC.dll|(an x86 (32-bit) DLL in a 64-bit tasc.exe: use x86\\tasc.exe)") ;;
  win32) cases=("$work/none/TASC.dll|no plug-in at"
                "$work/text.dll|(not a DLL)"
                "$TASC_WIN64_BIN/TASC.dll|(an x64 (64-bit) DLL in a 32-bit tasc.exe: use x64\\tasc.exe)") ;;
esac

for c in "${cases[@]}"; do
  plugin=${c%%|*} want=${c#*|} rc=0
  plugin=$(flavour_path "$flavour" "$plugin")
  flavour_tasc "$flavour" sim --plugin "$plugin" --out "$(flavour_path "$flavour" "$work/out")" \
    "$(flavour_path "$flavour" "$scenario")" >"$work/stdout" 2>"$work/stderr" || rc=$?
  line=$(<"$work/stderr")
  if [ "$rc" != 1 ] || [ -s "$work/stdout" ] || [ "$(wc -l <"$work/stderr")" != 1 ] ||
     [[ "$line" != *"$plugin"* ]] || [[ "$line" != *"$want"* ]]; then
    fail "--plugin $plugin: exit status $rc, wanted 1 and one line with \"$want\":"
    cat "$work/stdout" "$work/stderr" >&2
  else
    echo "$line"
  fi
done
passed
