#!/usr/bin/env bash
# Photographs the tray icon as a user sees it: the running tray application on an X11 tray
# (Xvfb and trayer) with a light (#dcdad5) and a dark (#202020) panel, in both display modes,
# and with a battery whose level cannot be read. Writes docs/screenshots/tray-*.png. Needs a
# build (cmake --build build --target tarvel) plus xvfb, trayer and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
out=docs/screenshots
work=$(mktemp -d)
xvfb=
trap 'kill $(jobs -p) $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT

battery() {  # battery FOLDER [readable]: a laptop at 62 %, discharging at about 9.4 W
  local bat="$1/class/power_supply/BAT0"
  mkdir -p "$bat" "$1/class/power_supply/AC"
  printf 'Battery\n' >"$bat/type"; printf 'Discharging\n' >"$bat/status"
  printf '11400000\n' >"$bat/voltage_now"; printf '825000\n' >"$bat/current_now"
  if [ "${2:-readable}" = readable ]; then
    printf '62\n' >"$bat/capacity"; printf '3100000\n' >"$bat/charge_now"
    printf '5000000\n' >"$bat/charge_full"
  fi
  printf 'Mains\n' >"$1/class/power_supply/AC/type"; printf '0\n' >"$1/class/power_supply/AC/online"
}

exec 3< <(Xvfb -displayfd 1 -screen 0 640x120x24 -nolisten tcp 2>/dev/null)
xvfb=$!
read -r -u 3 number
export DISPLAY=":$number"
shoot() {  # shoot NAME PANEL-COLOUR MODE [readable|unreadable]
  local name=$1 tint=$2 mode=$3 level=${4:-readable} home="$work/$1"
  battery "$home/sys" "$level"
  mkdir -p "$home/config/tarvel"
  printf '{"tarvelpro.menuBarDisplayMode": "%s", "tarvelpro.onboarding.seen.v1": true}\n' \
    "$mode" >"$home/config/tarvel/defaults.json"
  trayer --edge top --align right --widthtype request --height 28 --transparent true --alpha 0 \
    --tint "$tint" >/dev/null 2>&1 &
  local tray=$!
  sleep 1
  XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
    ./build/src/tarvel/tarvel --sysfs-root "$home/sys" >/dev/null 2>&1 &
  local app=$!
  sleep 6
  import -window root -crop 48x28+592+0 "$out/tray-$name.png"
  kill "$app" "$tray"
  wait "$app" "$tray" 2>/dev/null || true
}
shoot light-percent 0xdcdad5 percent
shoot light-watts 0xdcdad5 watts
shoot dark-percent 0x202020 percent
shoot dark-watts 0x202020 watts
shoot unknown-level 0x202020 percent unreadable
echo "tray screenshots in $out"
