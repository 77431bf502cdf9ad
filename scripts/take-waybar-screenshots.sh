#!/usr/bin/env bash
# Photographs the tray icon on a StatusNotifier tray under native Wayland: waybar's tray on a
# headless sway, with a light (#dcdad5) and a dark (#202020) panel, in both display modes.
# Writes docs/screenshots/tray-waybar-*.png. Needs a build (cmake --build build --target tarvel)
# and the Debian packages sway, waybar and grim; run it as an ordinary user (sway will not run
# as root), from a checkout that user may write to.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$PWD/docs/screenshots
app=$PWD/build/src/tarvel/tarvel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

shoot() {  # shoot NAME PANEL-COLOUR TEXT-COLOUR MODE
  local name=$1 home="$work/$1"
  local bat="$home/sys/class/power_supply/BAT0" ac="$home/sys/class/power_supply/AC"
  mkdir -p "$home/run" "$bat" "$ac" "$home/config/tarvel" "$home/config/waybar" "$home/config/sway"
  chmod 700 "$home/run"
  printf 'Battery\n' >"$bat/type"; printf 'Discharging\n' >"$bat/status"
  printf '11400000\n' >"$bat/voltage_now"; printf '825000\n' >"$bat/current_now"
  printf '62\n' >"$bat/capacity"; printf '3100000\n' >"$bat/charge_now"
  printf '5000000\n' >"$bat/charge_full"
  printf 'Mains\n' >"$ac/type"; printf '0\n' >"$ac/online"
  printf '{"tarvelpro.menuBarDisplayMode": "%s", "tarvelpro.onboarding.seen.v1": true}\n' \
    "$4" >"$home/config/tarvel/defaults.json"
  printf '{"position": "top", "height": 28, "modules-right": ["tray"], "tray": {"icon-size": 22}}\n' \
    >"$home/config/waybar/config"
  printf 'window#waybar { background: %s; color: %s; }\n' "$2" "$3" >"$home/config/waybar/style.css"
  printf 'output HEADLESS-1 resolution 640x120\nbar {\n  swaybar_command waybar\n}\n' \
    >"$home/config/sway/config"
  HOME="$home" XDG_RUNTIME_DIR="$home/run" XDG_CONFIG_HOME="$home/config" \
    XDG_DATA_HOME="$home/data" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_RENDERER=pixman dbus-run-session -- bash -c '
      sway -c "$1/config/sway/config" >"$1/sway.log" 2>&1 &
      sleep 3
      export WAYLAND_DISPLAY=$(ls "$1/run" | grep -m1 "^wayland-[0-9]*$")
      QT_QPA_PLATFORM=wayland "$2" --sysfs-root "$1/sys" >/dev/null 2>&1 &
      sleep 7
      grim -g "580,0 60x28" "$3"
      kill $(jobs -p)' _ "$home" "$app" "$out/tray-waybar-$name.png"
}
shoot light-percent '#dcdad5' '#202020' percent
shoot light-watts '#dcdad5' '#202020' watts
shoot dark-percent '#202020' '#dcdad5' percent
shoot dark-watts '#202020' '#dcdad5' watts
echo "waybar screenshots in $out"
