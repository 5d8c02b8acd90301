#!/usr/bin/env bash
# check_packages.sh BUILD_DIR...: what the builds read, the set-up installs.
# Every file that the Ninja builds under BUILD_DIRs (nested ones too, such as
# the Windows builds' NLopt) read from the system, the headers that their
# compilers read (`ninja -t deps`) and the CMake files that their configure
# read (build.ninja's re-run dependencies), must come from a Debian package
# that scripts/setup.sh installs: one of its lists, or one that these pull in
# (Depends and Pre-Depends, recursively, as installed). Files under the
# source tree or a build folder are skipped. Fails naming each package that
# the set-up lacks with a file read from it, and each file that no package
# installed (a file from outside Debian, which a fresh machine will not have).
#   check_packages.sh --listed   prints the set-up's packages, one a line
# TASC_PACKAGES, when set, replaces the set-up's lists (words).
# Exit status: 0 all from the set-up, 1 not, 2 usage or no build to read.
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
arch=$(dpkg --print-architecture)

# listed: the set-up's packages.
listed() {
  if [ -n "${TASC_PACKAGES+set}" ]; then
    local words
    read -ra words <<<"$TASC_PACKAGES"
    printf '%s\n' "${words[@]}"
  else
    (TASC_SETUP_LIB=1 source scripts/setup.sh && printf '%s\n' "${SETUP_PACKAGES[@]}")
  fi
}
if [ "${1:-}" = --listed ]; then listed; exit 0; fi
[ $# -gt 0 ] || { echo "usage: check_packages.sh BUILD_DIR... | --listed" >&2; exit 2; }

# Every build folder (a folder with build.ninja) under the folders given, and
# the source trees they build (theirs and this one).
builds=() trees=("$source")
for dir in "$@"; do
  [ -d "$dir" ] || { echo "check_packages: no build folder $dir" >&2; exit 2; }
  while IFS= read -r ninja; do
    builds+=("$(cd "$(dirname "$ninja")" && pwd)")
    tree=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "${ninja%build.ninja}CMakeCache.txt" 2>/dev/null || true)
    [ -n "$tree" ] && trees+=("$tree")
  done < <(find "$dir" -name build.ninja -type f)
done
[ ${#builds[@]} -gt 0 ] || { echo "check_packages: no Ninja build under $*" >&2; exit 2; }

# read_files: the absolute paths that the builds read, lexically normalised,
# less those under the source trees and the build folders.
read_files() {
  local build
  for build in "${builds[@]}"; do
    ninja -C "$build" -t deps | awk '/^    \// { print $1 }'
    awk '/^build build\.ninja:/ { for (i = 3; i <= NF; i++) if ($i ~ /^\//) print $i }' \
      "$build/build.ninja"
  done | sort -u | xargs -r realpath -s -m -- | sort -u |
    awk -v skip="${trees[*]} ${builds[*]}" '
      BEGIN { n = split(skip, b, " ") }
      { for (i = 1; i <= n; i++) if (index($0, b[i] "/") == 1) next; print }'
}

# owners FILE...: "package path" lines for the files that dpkg knows, in one
# call; a path shared by several packages gives a line for each.
owners() {
  { dpkg-query -S "$@" 2>/dev/null || true; } | awk -v native=":$arch" '
    /^diversion by / { next }
    { colon = index($0, ": "); path = substr($0, colon + 2)
      n = split(substr($0, 1, colon - 1), pkgs, ", ")
      for (i = 1; i <= n; i++) { p = pkgs[i]; sub(native "$", "", p); print p, path } }'
}

# closure: the listed packages that are installed and all that they depend
# on (Depends, Pre-Depends; every installed alternative, every installed
# provider of a virtual package), from one dpkg-query. A foreign
# architecture's dependency is looked for in that architecture and natively.
closure() {
  dpkg-query -W -f='${db:Status-Abbrev}\t${binary:Package}\t${Depends}, ${Pre-Depends}\t${Provides}\n' |
    awk -F'\t' -v native=":$arch" -v want="$(listed | tr '\n' ' ')" '
      function norm(p) { sub(/^ +/, "", p); sub(/ .*/, "", p); sub(/:any$/, "", p)
                         sub(native "$", "", p); return p }
      function push(p) { if ((p in deps) && !(p in seen)) { seen[p] = 1; queue[++tail] = p } }
      function add(d, arch,  k, pv) {
        push(d); if (arch != "") push(d ":" arch)
        if (d in prov) { for (k = split(prov[d], pv, " "); k > 0; k--) push(pv[k]) } }
      $1 !~ /^ii/ { next }
      { p = norm($2); deps[p] = $3
        for (k = split($4, v, ", "); k > 0; k--) prov[norm(v[k])] = prov[norm(v[k])] " " p }
      END {
        for (k = split(want, w, " "); k > 0; k--) push(norm(w[k]))
        for (head = 1; head <= tail; head++) {
          p = queue[head]; print p
          arch = (p ~ /:/) ? substr(p, index(p, ":") + 1) : ""
          for (n = split(deps[p], d, ", "); n > 0; n--)
            for (m = split(d[n], alt, " [|] "); m > 0; m--) add(norm(alt[m]), arch) } }' |
    sort -u
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
read_files >"$work/files"
# Paths as read first; those dpkg does not know, once more with links resolved
# (a header read through a linked folder is known by its real path).
mapfile -t files <"$work/files"
owners "${files[@]}" >"$work/owners"
awk 'FILENAME == ARGV[1] { known[substr($0, index($0, " ") + 1)] = 1; next } !($0 in known)' \
  "$work/owners" "$work/files" >"$work/unknown"
: >"$work/resolved"
if [ -s "$work/unknown" ]; then
  paste -d ' ' "$work/unknown" <(xargs -d '\n' realpath -m -- <"$work/unknown") >"$work/resolved"
  mapfile -t real < <(awk '{ print $2 }' "$work/resolved" | sort -u)
  owners "${real[@]}" >"$work/owners-real"
  # Each resolved owner, against the path as read.
  awk 'FILENAME == ARGV[1] { split($0, a, " "); own[a[2]] = own[a[2]] " " a[1]; next }
       { if ($2 in own) { n = split(own[$2], p, " "); for (i = 1; i <= n; i++) print p[i], $1 }
         else print "-", $1 }' "$work/owners-real" "$work/resolved" >>"$work/owners"
fi
closure >"$work/closure"

# A file is fine when any of its owners is in the closure.
awk -v builds=${#builds[@]} 'FILENAME == ARGV[1] { ok[$1] = 1; next }
     { path = substr($0, index($0, " ") + 1); pkg = $1
       if (!(path in seen)) { seen[path] = 1; order[++n] = path }
       if (pkg == "-") nobody[path] = 1
       else if (pkg in ok) fine[path] = 1
       else if (!(path in owner)) owner[path] = pkg }
     END {
       for (i = 1; i <= n; i++) { f = order[i]; if (f in fine) continue
         if (f in nobody) { print "check_packages: " f ": from no Debian package (a fresh machine will not have it)"; bad++; continue }
         p = owner[f]; count[p]++; if (!(p in first)) { first[p] = f; pkgs[++m] = p } }
       for (j = 1; j <= m; j++) { p = pkgs[j]; bad++
         printf "check_packages: %s: the builds read %d file(s) of it (%s) but scripts/setup.sh does not install it\n", p, count[p], first[p] }
       printf "check_packages: %d system files read by %d build(s): ", n, builds
       if (bad) { print "FAILED" } else print "all from packages the set-up installs"
       exit (bad ? 1 : 0) }' "$work/closure" "$work/owners"
