#!/usr/bin/env bash
# check_dll.sh BUILD_DIR [DLL]: the DLL (TASC.dll, or DLL relative to
# BUILD_DIR, e.g. tools/recorder/TASCRec.dll) exports the sixteen entry points
# under their plain names and nothing else, imports only system DLLs, and
# (32-bit) the plug-in's own code does no x87 arithmetic. A program
# (tools/tasc/tasc.exe) is checked for its imports and x87 code only: a user
# copies it alone, so it must not need a runtime DLL.
set -euo pipefail
dll="$1/${2:-TASC.dll}"
status=0
want="Dispose DoorClose DoorOpen Elapse GetPluginVersion HornBlow Initialize KeyDown KeyUp Load SetBeaconData SetBrake SetPower SetReverser SetSignal SetVehicleSpec"
got=$(objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/ {print $3}' | sort | tr '\n' ' ' | sed 's/ $//')
[[ "$dll" == *.exe ]] && want=$got
[ "$got" = "$want" ] || { echo "FAIL: exports are: $got" >&2; status=1; }
imports=$(objdump -p "$dll" | awk '/DLL Name:/ {print toupper($3)}' | sort | tr '\n' ' ' | sed 's/ $//')
# A program also takes its wide command line apart (CommandLineToArgvW).
want_imports="KERNEL32.DLL MSVCRT.DLL USER32.DLL"
[[ "$dll" == *.exe ]] && want_imports="KERNEL32.DLL MSVCRT.DLL SHELL32.DLL USER32.DLL"
[ "$imports" = "$want_imports" ] || { echo "FAIL: imports are: $imports" >&2; status=1; }
if objdump -f "$dll" | grep -q 'pei-i386'; then
  # Loads and stores of st(0) carry a double across a call unchanged; any
  # arithmetic on the x87 unit would round differently from SSE2.
  x87=$(find "$1/src" -name '*.obj' -exec objdump -d {} + |
        grep -E '\s(fadd|fsub|fmul|fdiv|fsqrt|fprem|fild|fist|fscale|frndint|fsin|fcos|fpatan|fyl2x|f2xm1)[a-z]*\s' || true)
  [ -z "$x87" ] || { echo "FAIL: x87 arithmetic:" >&2; echo "$x87" | head >&2; status=1; }
fi
echo "exports: $got"; echo "imports: $imports"
exit $status
