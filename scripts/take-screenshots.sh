#!/usr/bin/env bash
# Takes the screenshots in docs/screenshots/ under a private Xvfb with a tray (trayer): the
# tray icon from the running application, then the popover in both styles, the dashboard
# (default layout, the "Pro" preset, the customize panel) and every preferences pane from
# view_screenshots, which drives the application's own delegate and views on a fixture
# battery. Needs a build (./test.sh or cmake --build build) plus xvfb, trayer and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
out=docs/screenshots
mkdir -p "$out"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
cmake --build build --target tarvel view_screenshots >/dev/null

exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
read -r -u 3 number
export DISPLAY=":$number" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
trayer --edge top --align right --widthtype request --height 28 --transparent true --alpha 0 \
  --tint 0x222222 >/dev/null 2>&1 &
sleep 1
./build/tools/view_screenshots "$out"
echo "screenshots in $out"
