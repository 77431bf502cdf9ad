#!/usr/bin/env bash
# Runs the package's postinst against stand-ins for getent, addgroup and udevadm, and checks
# what it asked the system to do in each situation.
#   check-postinst.sh POSTINST
set -euo pipefail
postinst=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

mkdir "$work/bin"
# getent answers from $work/groups; the others only record their arguments.
cat >"$work/bin/getent" <<'STUB'
#!/bin/sh
grep -q "^$2:" "$STUB_LOG.groups"
STUB
for cmd in addgroup udevadm; do
  printf '#!/bin/sh\necho "%s $*" >>"$STUB_LOG"\n' "$cmd" >"$work/bin/$cmd"
done
chmod +x "$work/bin"/*

# case | DPKG_ROOT | existing groups | argument | expected calls ("," separated)
cases=(
  "new group||users|configure|addgroup --system --quiet tarvel"
  "group exists||tarvel|configure|"
  "other root|/tmp/elsewhere|users|configure|"
  "upgrade abort||users|abort-upgrade|"
)
for row in "${cases[@]}"; do
  IFS='|' read -r name root groups argument expected <<<"$row"
  export STUB_LOG=$work/$name.log
  : >"$STUB_LOG"
  printf '%s:x:1:\n' "$groups" >"$STUB_LOG.groups"
  DPKG_ROOT=$root PATH="$work/bin:/usr/bin:/bin" sh "$postinst" "$argument" \
    || fail "$name: postinst exited with $?"
  # udevadm runs only where a udev daemon listens; the result must not depend on it here.
  calls=$( (grep -v '^udevadm' "$STUB_LOG" || true) | paste -sd, -)
  [[ $calls == "$expected" ]] || fail "$name: expected '$expected', postinst ran '$calls'"
  if [[ ! -S /run/udev/control ]] && grep -q '^udevadm' "$STUB_LOG"; then
    fail "$name: udevadm called without a udev daemon"
  fi
done
echo "ok: ${#cases[@]} cases"
