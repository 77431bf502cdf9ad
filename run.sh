#!/usr/bin/env bash
# Installs what the build needs, builds Tarvel and starts the tray application on this desktop.
# Options go to the application (--sysfs-root DIR, --powercap-root DIR, --proc-root DIR).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "run.sh: no graphical session here (neither DISPLAY nor WAYLAND_DISPLAY is set); this is what Tarvel reads:"
  args=()
  for a in "$@"; do [[ "$a" == --proc-root* ]] || args+=("$a"); done
  exec ./build/src/cli/tarvelctl status "${args[@]}"
fi
exec ./build/src/tarvel/tarvel "$@"
