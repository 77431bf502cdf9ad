#!/usr/bin/env bash
# Packs the relocatable bundle zip from a build tree and checks its name and layout, that the
# programs run from an unpacked copy, and that `cmake --install --component bundle` lays out
# the same folder.
#   check-bundle.sh BUILD_DIR PACKAGING_DIR VERSION_STRING
set -euo pipefail
build=$1 packaging=$2 version=$3
source "$(dirname "$0")/expected-files.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G ZIP -B "$work/out" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; fail "cpack -G ZIP"; }
zip=$work/out/Tarvel-$version.zip
[[ -f $zip ]] || fail "no Tarvel-$version.zip; cpack made: $(ls "$work/out")"
size=$(stat -c %s "$zip")
# The updater refuses archives under 40000 bytes.
((size >= 40000)) || fail "the zip is $size bytes"

expected=$(expected_files "$packaging" | sed 's|^|Tarvel.app/|')
same_list "the zip's files" "$expected" "$(unzip -Z1 "$zip" | grep -v '/$')"

unzip -q "$zip" -d "$work/unpacked"
for program in tarvel tarvelctl; do
  [[ -x $work/unpacked/Tarvel.app/bin/$program ]] || fail "bin/$program is not executable in the zip"
done
# Stripped and moved, tarvelctl still runs: no path into the build tree is needed.
mkdir -p "$work/sysfs/class/power_supply"
"$work/unpacked/Tarvel.app/bin/tarvelctl" snapshot --json --sysfs-root "$work/sysfs" >"$work/snapshot.json" \
  || fail "tarvelctl from the unpacked bundle"
grep -q '"present": *false' "$work/snapshot.json" || fail "unexpected snapshot: $(head -c 300 "$work/snapshot.json")"

cmake --install "$build" --prefix "$work/Applications/Tarvel.app" --component bundle >/dev/null
same_list "cmake --install --component bundle" "$expected" \
  "$(cd "$work/Applications" && find Tarvel.app -type f -o -type l)"
echo "ok: $(basename "$zip"), $size bytes"
