#!/usr/bin/env bash
# Installs the Debian packages Tarvel builds, runs and tests with. Idempotent and quick when
# everything is already there; used by run.sh and test.sh. Extra package names given as
# arguments are installed as well (the fuzz build asks for clang this way).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  dbus dbus-bin dbus-daemon
  fonts-dejavu-core desktop-file-utils qt6-wayland
  xvfb trayer xdotool imagemagick
  qtkeychain-qt6-dev libsecret-1-0 gnome-keyring libsecret-tools
  groff-base man-db zsh
  prometheus prometheus-node-exporter
  zip unzip libglib2.0-bin
  dpkg-dev file lintian appstream
  qt6-positioning-dev libqt6positioning6-plugins
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "install-deps: missing packages (${missing[*]}); run this script as root or install sudo" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
