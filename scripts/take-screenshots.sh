#!/usr/bin/env bash
# Runs the built tray application under Xvfb with a tray (trayer) on a fixture laptop battery
# and takes screenshots of the tray icon, the popover and the dashboard into docs/screenshots/.
# Needs xvfb, trayer, xdotool and imagemagick (scripts/install-deps.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
out=docs/screenshots
mkdir -p "$out"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

bat="$work/sys/class/power_supply/BAT0"
mkdir -p "$bat" "$work/sys/class/power_supply/AC"
printf 'Battery\n' >"$bat/type"; printf 'Discharging\n' >"$bat/status"; printf '62\n' >"$bat/capacity"
printf '3100000\n' >"$bat/charge_now"; printf '5000000\n' >"$bat/charge_full"
printf '1100000\n' >"$bat/current_now"; printf '11800000\n' >"$bat/voltage_now"
printf 'Mains\n' >"$work/sys/class/power_supply/AC/type"; printf '0\n' >"$work/sys/class/power_supply/AC/online"

exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
read -r -u 3 number
export DISPLAY=":$number" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
trayer --edge top --align right --widthtype request --height 28 --transparent true --alpha 0 \
  --tint 0x222222 >/dev/null 2>&1 &
sleep 1
./build/src/tarvel/tarvel --sysfs-root "$work/sys" >/dev/null 2>&1 &
sleep 4
# trayer sits right-aligned on the top edge, 28 pixels high: the icon is in the corner.
x=1266; y=14
import -window root -crop 240x40+1040+0 "$out/tray-icon.png"
xdotool mousemove "$x" "$y" click 1
sleep 1.5
import -window root -crop 420x600+860+0 "$out/popover.png"
xdotool key Escape
sleep 0.6
xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
sleep 1.5
import -window root "$out/dashboard.png"
echo "screenshots in $out"
