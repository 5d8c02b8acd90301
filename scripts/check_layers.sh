#!/usr/bin/env bash
# check_layers.sh [SRC_DIR]: the folders of src/ are the plug-in's libraries,
# stacked; this fails on anything that breaks the stack:
# - an include of "FOLDER/..." from a folder that may not see FOLDER: each
#   folder includes only itself and the folders below it, and the controller
#   never the platform layer;
# - a system header of the operating system outside the platform layer and
#   the module's entry routines;
# - a folder that is no layer, or a source file that its folder's
#   CMakeLists.txt does not build (one folder, one library).
set -euo pipefail
src=${1:-"$(dirname "$0")/../src"}

# What each folder may include, bottom to top.
declare -A sees=(
  [abi]="abi"
  [readers]="readers"
  [platform]="platform readers abi"
  [control]="control readers abi"
  [plugin]="plugin control platform readers abi"
)
os_headers='^#include <(windows\.h|dlfcn\.h|unistd\.h|fcntl\.h|io\.h|share\.h|sys/[^>]*)>'

faults=0
fault() {
  echo "layers: $*" >&2
  faults=$((faults + 1))
}

for dir in "$src"/*/; do
  folder=$(basename "$dir")
  if [[ -z ${sees[$folder]+set} ]]; then
    fault "src/$folder is no layer (abi, readers, platform, control, plugin)"
    continue
  fi
  for file in "$dir"*.h "$dir"*.cpp; do
    [[ -e $file ]] || continue
    name=$(basename "$file")
    while IFS=: read -r line target; do
      [[ " ${sees[$folder]} " == *" $target "* ]] ||
        fault "src/$folder/$name:$line includes $target/, which src/$folder may not see"
    done < <(grep -noE '^#include "[^/"]+/' "$file" | sed -E 's/:#include "/:/; s/\/$//')
    if [[ $folder != platform && $name != *_entry.cpp ]] &&
       grep -qE "$os_headers" "$file"; then
      fault "src/$folder/$name includes a header of the operating system"
    fi
    if [[ $name == *.cpp ]] && ! grep -qw "$name" "$dir/CMakeLists.txt" 2>/dev/null; then
      fault "src/$folder/$name is not built by src/$folder/CMakeLists.txt"
    fi
  done
done

if ((faults > 0)); then
  echo "layers: $faults fault(s)" >&2
  exit 1
fi
echo "layers: clean"
