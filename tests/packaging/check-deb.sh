#!/usr/bin/env bash
# Packs the .deb from a build tree and checks it the way Debian would: lintian, the AppStream
# and desktop entry validators, then a real `dpkg -i` into a throwaway root (--root, with the
# maintainer script run outside it), and the files and status dpkg recorded there.
#   check-deb.sh BUILD_DIR PACKAGING_DIR VERSION_STRING
set -euo pipefail
build=$1 packaging=$2
source "$(dirname "$0")/expected-files.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; fail "cpack -G DEB"; }
debs=("$work"/out/tarvel_*.deb)
deb=${debs[0]}
[[ -f $deb ]] || fail "no tarvel_*.deb in $(ls "$work/out")"

version=$(dpkg-deb -f "$deb" Version)
[[ $version =~ ^[0-9][0-9a-z.~+]*$ ]] || fail "Debian version '$version' must start with a digit"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in adduser libqt6core6 libc6; do
  [[ $depends == *"$dep"* ]] || fail "Depends lacks $dep (dpkg-shlibdeps): $depends"
done

# lintian: warnings are listed, errors fail.
lintian --fail-on error --tag-display-limit 0 "$deb" | tee "$work/lintian.log" \
  || fail "lintian reports errors on $(basename "$deb")"

root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg --root="$root" --force-not-root --force-script-chrootless --force-depends -i "$deb" \
  >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i into a throwaway root"; }
status=$(dpkg --root="$root" -s tarvel | sed -n 's/^Status: //p')
[[ $status == "install ok installed" ]] || fail "dpkg status after install: '$status'"

expected=$(expected_files "$packaging" | sed 's|^|usr/|'
  printf '%s\n' usr/lib/udev/rules.d/70-tarvel-charge.rules \
    usr/lib/systemd/user/tarvel-charge-hold.service \
    usr/share/doc/tarvel/copyright usr/share/doc/tarvel/changelog.gz)
same_list "the installed files" "$expected" "$(cd "$root" && find usr -type f -o -type l)"
same_list "dpkg's file list" "$expected" \
  "$(dpkg --root="$root" -L tarvel | sed 's|^/||' | while read -r p; do [[ -d $root/$p ]] || echo "$p"; done)"

appstreamcli validate --no-net "$root/usr/share/metainfo/app.tarvel.Tarvel.metainfo.xml" \
  || fail "appstreamcli validate"
desktop-file-validate "$root/usr/share/applications/app.tarvel.Tarvel.desktop" \
  || fail "desktop-file-validate"
grep -qx 'ExecStart=/usr/bin/tarvelctl charge hold' \
  "$root/usr/lib/systemd/user/tarvel-charge-hold.service" \
  || fail "the user unit does not run /usr/bin/tarvelctl: $(grep ExecStart "$root/usr/lib/systemd/user/tarvel-charge-hold.service")"
for page in "$root"/usr/share/man/man1/*.gz "$root/usr/share/doc/tarvel/changelog.gz"; do
  [[ -e $page ]] || continue
  gzip -t "$page" || fail "$page is not gzip"
done
echo "ok: $(basename "$deb") installs; lintian: $(grep -c '^W:' "$work/lintian.log" || true) warnings"
