#!/bin/sh
# Runs a program beside a Secret Service of its own: a private session bus and an unlocked
# gnome-keyring whose files live in a throwaway home, so no test touches the user's keyring.
set -eu
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/runtime"
chmod 700 "$scratch/runtime"
export HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/runtime"
export XDG_DATA_HOME="$scratch/home/.local/share" XDG_CONFIG_HOME="$scratch/home/.config"
# A KDE session would steer the key store to KWallet.
unset DISPLAY WAYLAND_DISPLAY XDG_CURRENT_DESKTOP KDE_FULL_SESSION KDE_SESSION_VERSION
status=0
dbus-run-session -- sh -c \
  'printf test | gnome-keyring-daemon --unlock --components=secrets >/dev/null; exec "$@"' \
  sh "$@" || status=$?
exit "$status"
