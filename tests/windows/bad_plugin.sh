#!/usr/bin/env bash
# bad_plugin.sh FLAVOUR WORK_DIR: windows.bad_plugin.FLAVOUR (development.md):
# one line naming the file and the reason, nothing on standard output, exit
# status 1, never a crash, for each plug-in of cases/bad-plugins.table.
set -euo pipefail
flavour=$1 work=$2
source "$(dirname "$0")/wine_env.sh"
skip_unless_runs "$flavour"
rm -rf "$work" && mkdir -p "$work"
printf 'not a module\n' >"$work/text.dll"

scenario=$source_dir/examples/single-stop.toml
while read -r row plugin want; do
  [ "$row" = "$flavour" ] || continue
  plugin=${plugin/@WORK@/$work} plugin=${plugin/@WIN64@/$TASC_WIN64_BIN} rc=0
  plugin=$(flavour_path "$flavour" "${plugin/@WIN32@/$TASC_WIN32_BIN}")
  flavour_tasc "$flavour" sim --plugin "$plugin" --out "$(flavour_path "$flavour" "$work/out")" \
    "$(flavour_path "$flavour" "$scenario")" >"$work/stdout" 2>"$work/stderr" </dev/null || rc=$?
  line=$(<"$work/stderr")
  if [ "$rc" != 1 ] || [ -s "$work/stdout" ] || [ "$(wc -l <"$work/stderr")" != 1 ] ||
     [[ "$line" != *"$plugin"* ]] || [[ "$line" != *"$want"* ]]; then
    fail "--plugin $plugin: exit status $rc, wanted 1 and one line with \"$want\":"
    cat "$work/stdout" "$work/stderr" >&2
  else
    echo "$line"
  fi
done <"$here/cases/bad-plugins.table"
grep -q "^$flavour " "$here/cases/bad-plugins.table" && passed
