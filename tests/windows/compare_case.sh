#!/usr/bin/env bash
# compare_case.sh CASE_DIR WORK_DIR FLAVOUR: runs one case with the POSIX
# plug-in and with the x64 (FLAVOUR win64) or x86 (win32) DLL under wine, and
# fails unless both print the same bytes (win32: skip_unless_runs). A case's
# files and what each run compares: docs/development.md, "Testing under wine";
# the runs are the lines of cases/runs.table.
set -euo pipefail
case_dir=$(cd "$1" && pwd)
work=$2
windows=$3
source "$(dirname "$0")/wine_env.sh"
skip_unless_runs "$windows"

name=vehicle
[ -f "$case_dir/folder-name" ] && name=$(<"$case_dir/folder-name")
if [ -f "$case_dir/locale" ]; then use_locale "$(<"$case_dir/locale")"; else use_locale; fi
rm -rf "$work"
mkdir -p "$work"

# prepare FLAVOUR: the vehicle folder for one build, templates filled in.
prepare() {
  local flavour=$1 root="$work/$1/$name" abs absfwd rootless t text f
  mkdir -p "$root/plugin"
  [ -d "$case_dir/vehicle" ] && cp -R "$case_dir/vehicle/." "$root/"
  abs=$root absfwd=$root rootless=$root
  [ "$flavour" = posix ] || abs=$(winpath "$root") absfwd="Z:$root" rootless=${root//\//\\}
  while IFS= read -r -d '' t; do
    text=$(<"$t")
    text=${text//@ABS@/"$abs"}
    text=${text//@ABSFWD@/"$absfwd"}
    printf '%s\n' "${text//@ROOTLESS@/"$rootless"}" >"${t%.in}"
    rm "$t"
  done < <(find "$root" -name '*.in' -print0)
  [ "$flavour" != posix ] && [ -f "$case_dir/cp932" ] || return 0
  while IFS= read -r f; do
    [ -z "$f" ] || { iconv -f UTF-8 -t CP932 "$root/$f" >"$root/$f.932" && mv "$root/$f.932" "$root/$f"; }
  done <"$case_dir/cp932"
}
# case_file FLAVOUR PATH: a path of a case file, in the source tree or, with
# @VEHICLE@/, in the build's prepared vehicle folder (an absolute one as it is).
case_file() {
  case $2 in
    /*) printf '%s' "$2" ;;
    @VEHICLE@/*) printf '%s' "$work/$1/$name/${2#@VEHICLE@/}" ;;
    *) printf '%s' "$source_dir/$2" ;;
  esac
}

# The runs of runs.table: run_RUN FLAVOUR, from the build's work folder,
# prints its first output and writes the others to $work/FLAVOUR.OUTPUT.
run_host() {  # [MODULE_DIR [SCRIPT [MODULE]]]
  local flavour=$1 dir=${2:-$work/$1/$name/plugin} script=${3:-$case_dir/script} module=${4:-TASC}
  local bin ext
  bin=$(flavour_bin "$flavour") ext=$(module_ext "$flavour")
  cp "$bin/TASC.$ext" "$dir/"
  [ "$module" = TASCRec ] && cp "$bin/tools/recorder/TASCRec.$ext" "$dir/"
  flavour_exec "$flavour" tests/instruments/host/tasc-host "$script" "$dir/$module.$ext"
}
run_sentinel() {
  rm "$work/$1/$name/plugin/csvPath.ini"
  run_host "$1" | tee "$work/$1.nolist.tmp"
  ! cmp -s "$work/$1.frames" "$work/$1.nolist.tmp" || fail "$1: the frames do not depend on the parameter files"
}
run_probe() {  # FLAVOUR table LIST | FLAVOUR profile INI QUERIES
  flavour_exec "$1" tests/instruments/host/tasc-probe "$2" "$(flavour_path "$1" "$3")" "${@:4}"
}
run_tables() { run_probe "$1" table "$work/$1/$name/plugin/csvPath.ini"; }
run_profile() {
  local ini
  for ini in "$work/$1/$name/profile/"*; do
    echo "== $(basename "$ini")"
    run_probe "$1" profile "$ini" "$case_dir/queries"
  done
}
run_check() {  # reports with exit statuses
  local flavour=$1 line pattern dir rc
  while read -r pattern line; do
    [ -z "$pattern" ] && continue
    for dir in "$source_dir"/$pattern; do
      dir=${dir%/} rc=0
      echo "== ${dir#"$source_dir"/} $line"
      # shellcheck disable=SC2086  # the options after the folder
      if [[ $pattern == @VEHICLE@/* ]]; then  # by its absolute path: the path's own characters
        flavour_tasc "$flavour" check "$(flavour_path "$flavour" "$(case_file "$flavour" "$pattern")")" \
          $line </dev/null || rc=$?
      else
        (cd "${dir%/*}" && flavour_tasc "$flavour" check "${dir##*/}" $line) </dev/null || rc=$?
      fi
      echo "== exit status $rc"
    done
  done <"$case_dir/check"
}
run_tune() {  # without the lines that name paths or times
  local flavour=$1 scenario options
  read -r scenario options <"$case_dir/tune"
  # shellcheck disable=SC2086  # the options
  flavour_tasc "$flavour" tune --plugin "$(flavour_plugin "$flavour")" \
    "$(flavour_path "$flavour" "$(case_file "$flavour" "$scenario")")" $options |
    sed -E '/^(tune|record|search) /d'
}
fit_once() {  # FLAVOUR OUT [OPTION...]
  local flavour=$1 out=$2 recordings=() f
  for f in "$work/recordings/"*.csv; do recordings+=("$(flavour_path "$flavour" "$f")"); done
  flavour_tasc "$flavour" fit --out "$(flavour_path "$flavour" "$out")" "${@:3}" "${recordings[@]}" |
    sed -E '/^(chart|vehicle) /d'  # the lines that name paths
}
run_fit() {
  local flavour=$1 line
  [ -d "$work/recordings" ] ||
    "$TASC_POSIX_BIN/tools/tasc/tasc" sim --plugin "$TASC_POSIX_BIN/TASC.so" --quiet --jobs 2 \
      --out "$work/recording-run" --record "$work/recordings" "$source_dir/$(head -n 1 "$case_dir/fit")" >&2
  fit_once "$flavour" "$work/$flavour/fit"
  cp "$work/$flavour/fit/vehicle.toml" "$work/$flavour.toml" || true
  tail -n +2 "$case_dir/fit" | while read -r line; do
    # shellcheck disable=SC2086  # the options of a line
    fit_once "$flavour" "$work/$flavour/fit2" $line </dev/null
    cat "$work/$flavour/fit2/vehicle.toml"
  done
}
sim_once() {  # FLAVOUR OUT_DIR SCENARIO > summary
  flavour_tasc "$1" sim --plugin "$(flavour_plugin "$1")" --out "$(flavour_path "$1" "$2")" \
    "$(flavour_path "$1" "$(case_file "$1" "$3")")" |
    sed -E '/^(scenario|sweep|table|trace|chart) /d'  # the lines that name paths
}
run_sim() {
  local f
  sim_once "$1" "$work/$1/sim" "$(<"$case_dir/scenario")"
  for f in "$work/$1/sim/"*; do cp "$f" "$work/$1.${f##*.}"; done
}
run_same_as() {  # whatever the names of the files ("entry 3, NAME;" as "entry 3;")
  unnamed() { sed -E 's/(entry [0-9]+), [^;]*/\1/g' "$1"; }
  sim_once "$1" "$work/$1/same-as" "$(<"$case_dir/same-as")" | tee "$work/$1.same-as.tmp"
  cmp -s <(unnamed "$work/$1.summary") <(unnamed "$work/$1.same-as.tmp") ||
    fail "$1: $(<"$case_dir/same-as") stops otherwise than $(<"$case_dir/scenario")"
}
run_recorder() {
  local flavour=$1 script="$source_dir/$(<"$case_dir/recorder")" mode tries=1 rc files
  for mode in alone recorded; do
    mkdir -p "$work/$flavour/$mode" && cp -R "$source_dir/examples/vehicle/." "$work/$flavour/$mode/"
  done
  run_host "$flavour" "$work/$flavour/alone" "$script" >"$work/$flavour.alone.tmp"
  # Under emulation the x86 recorder is tried up to three times (development.md).
  [ "$flavour" = win32 ] && wine32_emulated && tries=3
  while :; do
    rm -rf "$work/$flavour/recorded/records"
    rc=0
    TASC_RUN_TIMEOUT=120 run_host "$flavour" "$work/$flavour/recorded" "$script" TASCRec \
      >"$work/$flavour.recorded" || rc=$?
    tries=$((tries - 1))
    [ "$rc" = 0 ] || [ "$tries" = 0 ] && break
    echo "note: $flavour recorder run under emulation ended with status $rc; running it again" >&2
  done
  [ "$rc" = 0 ] || fail "$flavour: the host through the recorder ended with status $rc"
  cmp -s "$work/$flavour.alone.tmp" "$work/$flavour.recorded" ||
    fail "$flavour frames through the recorder differ from the plug-in's alone"
  files=("$work/$flavour/recorded/records/"*.csv)
  [ "${#files[@]}" = 1 ] && [ -s "${files[0]}" ] || fail "$flavour recorder wrote ${#files[@]} recordings, not one"
  grep -E '^(frame|event|end|version|vehicle|initialize|plugin_state|data)' "${files[0]}" \
    >"$work/$flavour.rows" || true
  cat "$work/$flavour.alone.tmp"
}

for flavour in posix "$windows"; do prepare "$flavour"; done
while read -r file run outputs pattern <&3; do
  [[ -z $file || $file == '#'* ]] && continue
  [[ $file == @VEHICLE@/* ]] || file=$case_dir/$file
  [ -f "$(case_file posix "$file")" ] || continue
  first=${outputs%%,*}
  for flavour in posix "$windows"; do
    (cd "$work/$flavour" && "run_$run" "$flavour") >"$work/$flavour.$first"
  done
  for output in ${outputs//,/ }; do
    [ -s "$work/posix.$output" ] || fail "the POSIX build made no $output"
    same "$work/posix.$output" "$work/$windows.$output" "$output of $windows from posix's"
  done
  grep -Eq -- "$pattern" "$work/posix.$first" || fail "$run: no line of the POSIX $first matches $pattern"
  echo "$run: $outputs compared ($(wc -l <"$work/posix.$first") lines of $first)"
done 3<"$here/cases/runs.table"
passed
