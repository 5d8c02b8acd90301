#!/usr/bin/env bash
# compare_case.sh CASE_DIR WORK_DIR FLAVOUR: runs one case with the POSIX
# plug-in and with the x64 (FLAVOUR win64) or x86 (win32) DLL under wine, and
# fails unless both print the same bytes. Exits 77 (skipped) for win32 where
# wine's 32-bit loader cannot run (see scripts/wine32.sh), but fails in CI.
#
# A case folder holds:
#   script          the call script for tasc-host (optional)
#   vehicle/        the vehicle folder; the module is copied to vehicle/plugin/
#                   beside csvPath.ini and TASC.ini. Files named *.in are
#                   templates: @ABS@ becomes the vehicle folder's absolute path
#                   (Windows: Z:\...), @ABSFWD@ the same with '/' (Z:/...),
#                   @ROOTLESS@ that path without its drive, with '\'.
#   folder-name     the vehicle folder's name (default: vehicle)
#   locale          the locale to run in, e.g. ja_JP.UTF-8 (built with
#                   localedef into TASC_LOCALE_DIR)
#   cp932           files of the vehicle folder to convert from UTF-8 to code
#                   page 932 for the Windows runs
#   queries         private-profile queries for tasc-probe (see tests/instruments/host/probe.cpp),
#                   run on every file of the vehicle folder's profile/ folder
#   sentinel        the frames must change when csvPath.ini is removed, which
#                   shows that the parameter files were read
#   recorder        a call script's path relative to the source tree: each
#                   build runs it with its plug-in alone and through its
#                   recording module (TASCRec) with the plug-in beside it, in
#                   copies of examples/vehicle; the frames must not differ,
#                   and the recordings' rows must match across the builds
#   check           folders for `tasc check`, one a line relative to the
#                   source tree (a glob may name several), options after the
#                   folder: each build's tasc checks each from the folder's
#                   parent, and the reports and exit statuses are compared;
#                   a folder @VEHICLE@/... of the case's own vehicle folder is
#                   checked by its absolute path (Z:\... under wine)
#   scenario        a `tasc sim` scenario, relative to the source tree: the
#                   simulator of each build runs it with that build's module,
#                   and the summaries, traces and charts are compared
#   tune            a `tasc tune` scenario relative to the source tree, then
#                   options: each build's tuner searches with its own module
#                   (same seed), and the tables and tuned records are compared
#   same-as         a second `tasc sim` scenario: each build's summary of it
#                   must equal its summary of `scenario` (an ASCII copy of a
#                   folder with Japanese names gives the same stops)
# In scenario, tune and same-as, @VEHICLE@/ names the case's own vehicle
# folder as prepared for the build (converted to code page 932 for Windows).
#   fit             a `tasc sim` scenario with a [sweep], relative to the
#                   source tree, then `tasc fit` options for a second fit
#                   (one line each): the POSIX build records the stops once,
#                   each build's `tasc fit` fits them without and with the
#                   options, and the printed fits and vehicle files are compared
# When the vehicle folder has a plugin/csvPath.ini, tasc-probe prints the
# table of every entry in each build, and these are compared as well.
# Environment: TASC_POSIX_BIN, TASC_WIN64_BIN, TASC_WIN32_BIN (build folders),
# TASC_WINE_PREFIX, TASC_LOCALE_DIR.
set -euo pipefail
case_dir=$(cd "$1" && pwd)
work=$2
windows=$3
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
source "$here/wine_env.sh"
skip_unless_runs "$windows"

name=vehicle
[ -f "$case_dir/folder-name" ] && name=$(<"$case_dir/folder-name")
if [ -f "$case_dir/locale" ]; then use_locale "$(<"$case_dir/locale")"; else use_locale; fi

rm -rf "$work"
mkdir -p "$work"

# prepare FLAVOUR: the vehicle folder for one build, with its module.
prepare() {
  local flavour=$1 root="$work/$1/$name"
  mkdir -p "$root/plugin"
  [ -d "$case_dir/vehicle" ] && cp -R "$case_dir/vehicle/." "$root/"
  local abs absfwd rootless
  if [ "$flavour" = posix ]; then
    abs=$root absfwd=$root rootless=$root
  else
    abs=$(winpath "$root") absfwd="Z:$root" rootless=${root//\//\\}
  fi
  local t out text
  while IFS= read -r -d '' t; do
    out=${t%.in}
    text=$(<"$t")
    text=${text//@ABS@/"$abs"}
    text=${text//@ABSFWD@/"$absfwd"}
    text=${text//@ROOTLESS@/"$rootless"}
    printf '%s\n' "$text" >"$out"
    rm "$t"
  done < <(find "$root" -name '*.in' -print0)
  if [ "$flavour" != posix ] && [ -f "$case_dir/cp932" ]; then
    local f
    while IFS= read -r f; do
      [ -z "$f" ] && continue
      iconv -f UTF-8 -t CP932 "$root/$f" >"$root/$f.932"
      mv "$root/$f.932" "$root/$f"
    done <"$case_dir/cp932"
  fi
}

run_host() {  # FLAVOUR MODULE_DIR [SCRIPT [MODULE]] > output
  local flavour=$1 dir=$2 script=${3:-$case_dir/script} module=${4:-TASC} bin ext
  bin=$(flavour_bin "$flavour") ext=$(module_ext "$flavour")
  cp "$bin/TASC.$ext" "$dir/"
  [ "$module" = TASCRec ] && cp "$bin/tools/recorder/TASCRec.$ext" "$dir/"
  flavour_exec "$flavour" tests/instruments/host/tasc-host "$script" "$dir/$module.$ext"
}
# The recorder case for one build: the frames with and without the recorder,
# and the rows of its one recording.
run_recorder_case() {  # FLAVOUR
  local flavour=$1 script="$source_dir/$(<"$case_dir/recorder")" mode d
  for mode in alone recorded; do
    d="$work/$flavour/$mode"
    mkdir -p "$d"
    cp -R "$source_dir/examples/vehicle/." "$d/"
  done
  (cd "$work/$flavour" && run_host "$flavour" "$work/$flavour/alone" "$script") >"$work/$flavour.alone"
  # The x86 recorder's writer thread under qemu-user emulation crashes or
  # hangs the host in about one run in four (on x64 and POSIX, never): such a
  # run is tried again, up to three times in all, and says so.
  local tries=1 rc
  [ "$flavour" = win32 ] && wine32_emulated && tries=3
  while :; do
    rm -rf "$work/$flavour/recorded/records"
    rc=0
    (cd "$work/$flavour" &&
      TASC_RUN_TIMEOUT=120 run_host "$flavour" "$work/$flavour/recorded" "$script" TASCRec) \
      >"$work/$flavour.recorded" || rc=$?
    tries=$((tries - 1))
    [ "$rc" = 0 ] || [ "$tries" = 0 ] && break
    echo "note: $flavour recorder run under emulation ended with status $rc; running it again" >&2
  done
  cmp -s "$work/$flavour.alone" "$work/$flavour.recorded" ||
    fail "$flavour frames through the recorder differ from the plug-in's alone"
  local files=("$work/$flavour/recorded/records/"*.csv)
  [ "${#files[@]}" = 1 ] && [ -s "${files[0]}" ] ||
    fail "$flavour recorder wrote ${#files[@]} recordings, not one"
  grep -E '^(frame|event|end|version|vehicle|initialize|plugin_state|data)' "${files[0]}" \
    >"$work/$flavour.rows" || true
}

run_probe() {  # FLAVOUR table LIST | FLAVOUR profile INI QUERIES > output
  flavour_exec "$1" tests/instruments/host/tasc-probe "$2" "$(flavour_path "$1" "$3")" "${@:4}"
}
# case_file FLAVOUR PATH: a path of a case file, in the source tree or, with
# @VEHICLE@/, in the build's prepared vehicle folder.
case_file() {
  case $2 in
    @VEHICLE@/*) printf '%s' "$work/$1/$name/${2#@VEHICLE@/}" ;;
    *) printf '%s' "$source_dir/$2" ;;
  esac
}

run_sim() {  # FLAVOUR OUT_DIR [SCENARIO] > summary
  local flavour=$1 out=$2 scenario
  scenario=$(case_file "$flavour" "${3:-$(<"$case_dir/scenario")}")
  flavour_tasc "$flavour" sim --plugin "$(flavour_plugin "$flavour")" \
    --out "$(flavour_path "$flavour" "$out")" "$(flavour_path "$flavour" "$scenario")" |
    sed -E '/^(scenario|sweep|table|trace|chart) /d'  # the lines that name paths
}
run_tune() {  # FLAVOUR > the tuner's report without the lines that name paths or times
  local flavour=$1 scenario options
  read -r scenario options <"$case_dir/tune"
  scenario=$(case_file "$flavour" "$scenario")
  # shellcheck disable=SC2086  # the options
  flavour_tasc "$flavour" tune --plugin "$(flavour_plugin "$flavour")" \
    "$(flavour_path "$flavour" "$scenario")" $options | sed -E '/^(tune|record|search) /d'
}
run_fit() {  # FLAVOUR OUT [OPTION...] > the table; OUT/vehicle.toml
  local flavour=$1 out=$2 recordings=() f
  for f in "$work/recordings/"*.csv; do recordings+=("$(flavour_path "$flavour" "$f")"); done
  flavour_tasc "$flavour" fit --out "$(flavour_path "$flavour" "$out")" "${@:3}" "${recordings[@]}" |
    sed -E '/^(chart|vehicle) /d'  # the lines that name paths
}
run_check() {  # FLAVOUR > reports with exit statuses
  local flavour=$1 line pattern dir rc
  while read -r pattern line; do
    [ -z "$pattern" ] && continue
    if [[ $pattern == @VEHICLE@/* ]]; then
      # By its absolute path, from elsewhere: the path's own characters.
      dir=$(flavour_path "$flavour" "$(case_file "$flavour" "$pattern")")
      echo "== $pattern $line"
      rc=0
      # shellcheck disable=SC2086  # the options after the folder
      flavour_tasc "$flavour" check "$dir" $line </dev/null || rc=$?
      echo "== exit status $rc"
      continue
    fi
    for dir in "$source_dir"/$pattern; do
      dir=${dir%/}
      echo "== ${dir#"$source_dir"/} $line"
      rc=0
      # shellcheck disable=SC2086  # the options after the folder
      (cd "${dir%/*}" && flavour_tasc "$flavour" check "${dir##*/}" $line) || rc=$?
      echo "== exit status $rc"
    done
  done <"$case_dir/check"
}

status=0
fail() { echo "FAIL: $*" >&2; status=1; }
compare() {  # WHAT
  if ! cmp -s "$work/posix.$1" "$work/$windows.$1"; then
    fail "$1 of $windows differs from posix:"
    diff "$work/posix.$1" "$work/$windows.$1" | head -20 >&2 || true
  fi
}

if [ -f "$case_dir/fit" ]; then
  "$TASC_POSIX_BIN/tools/tasc/tasc" sim --plugin "$TASC_POSIX_BIN/TASC.so" --quiet --jobs 2 \
    --out "$work/recording-run" --record "$work/recordings" "$source_dir/$(head -n 1 "$case_dir/fit")"
fi

for flavour in posix "$windows"; do
  prepare "$flavour"
  dir="$work/$flavour/$name/plugin"
  if [ -f "$case_dir/script" ]; then
    (cd "$work/$flavour" && run_host "$flavour" "$dir") >"$work/$flavour.frames"
  fi
  if [ -f "$dir/csvPath.ini" ]; then
    (cd "$work/$flavour" && run_probe "$flavour" table "$dir/csvPath.ini") >"$work/$flavour.tables"
  fi
  if [ -f "$case_dir/queries" ]; then
    for ini in "$work/$flavour/$name/profile/"*; do
      echo "== $(basename "$ini")"
      (cd "$work/$flavour" && run_probe "$flavour" profile "$ini" "$case_dir/queries")
    done >"$work/$flavour.profile"
  fi
  if [ -f "$case_dir/check" ]; then
    run_check "$flavour" >"$work/$flavour.check"
  fi
  if [ -f "$case_dir/tune" ]; then
    run_tune "$flavour" >"$work/$flavour.tune"
  fi
  if [ -f "$case_dir/fit" ]; then
    run_fit "$flavour" "$work/$flavour/fit" >"$work/$flavour.fit"
    cp "$work/$flavour/fit/vehicle.toml" "$work/$flavour.toml" || true
    # shellcheck disable=SC2086  # the options of a line
    tail -n +2 "$case_dir/fit" | while read -r line; do
      run_fit "$flavour" "$work/$flavour/fit2" $line </dev/null
      cat "$work/$flavour/fit2/vehicle.toml"
    done >>"$work/$flavour.fit"
  fi
  if [ -f "$case_dir/scenario" ]; then
    run_sim "$flavour" "$work/$flavour/sim" >"$work/$flavour.summary"
    for f in "$work/$flavour/sim/"*; do cp "$f" "$work/$flavour.${f##*.}"; done
    if [ -f "$case_dir/same-as" ]; then
      # The same stops, whatever the names of the files: "entry 3, NAME;" as "entry 3;".
      unnamed() { sed -E 's/(entry [0-9]+), [^;]*/\1/g' "$1"; }
      run_sim "$flavour" "$work/$flavour/same-as" "$(<"$case_dir/same-as")" >"$work/$flavour.same-as"
      if ! cmp -s <(unnamed "$work/$flavour.summary") <(unnamed "$work/$flavour.same-as"); then
        fail "$flavour: $(<"$case_dir/same-as") stops otherwise than $(<"$case_dir/scenario"):"
        diff "$work/$flavour.summary" "$work/$flavour.same-as" | head -20 >&2 || true
      fi
    fi
  fi
done

if [ -f "$case_dir/recorder" ]; then
  for flavour in posix "$windows"; do run_recorder_case "$flavour"; done
  [ -s "$work/posix.alone" ] || fail "no frames printed"
  compare alone
  compare rows
  echo "recorder: $(wc -l <"$work/posix.alone") frame lines, $(grep -c '^frame' "$work/posix.rows") recorded frames"
fi

if [ -f "$case_dir/scenario" ]; then
  [ -s "$work/posix.csv" ] && [ -s "$work/posix.svg" ] || fail "the simulator wrote no trace or chart"
  compare summary
  compare csv
  compare svg
  echo "simulator: $(wc -l <"$work/posix.csv") trace lines"
fi

if [ -f "$case_dir/tune" ]; then
  grep -q '^tuned ' "$work/posix.tune" || fail "the tuner printed no tuned record"
  compare tune
  echo "tune: $(grep '^tuned ' "$work/posix.tune")"
fi

if [ -f "$case_dir/fit" ]; then
  [ -s "$work/posix.toml" ] || fail "the POSIX fit wrote no vehicle.toml"
  compare fit
  compare toml
  echo "fit: $(grep -c '^fit ' "$work/posix.fit") fits of $(grep -c '^ *[0-9].*\.csv:' "$work/posix.fit") stops"
fi
if [ -f "$case_dir/check" ]; then
  grep -q '^== exit status [12]$' "$work/posix.check" || fail "no checked folder had a finding"
  compare check
  echo "check: $(grep -c '^== exit' "$work/posix.check") reports"
fi
if [ -f "$case_dir/queries" ]; then
  compare profile
  echo "profile: $(grep -vc '^==' "$work/posix.profile") results"
fi
if [ -f "$case_dir/script" ]; then
  [ -s "$work/posix.frames" ] || fail "no frames printed"
  compare frames
  echo "frames: $(wc -l <"$work/posix.frames") lines"
fi
if [ -f "$work/posix.tables" ]; then
  awk '/^entry/ && $3 > 1 { found = 1 } END { exit !found }' "$work/posix.tables" || fail "no parameter file was read"
  compare tables
  echo "tables: $(grep -c '^entry' "$work/posix.tables") entries"
fi
if [ -f "$case_dir/sentinel" ]; then
  dir="$work/posix/$name/plugin"
  rm "$dir/csvPath.ini"
  (cd "$work/posix" && run_host posix "$dir") >"$work/posix.nolist.frames"
  cmp -s "$work/posix.frames" "$work/posix.nolist.frames" &&
    fail "the frames do not depend on the parameter files"
fi
exit $status
